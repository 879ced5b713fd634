#pragma once
// Scenario runner for window tests: a scenario is a list of user steps ("click cmdReadP",
// "set txtStationID 21") run against the real window and a simulated recorder. It writes a
// transcript — every frame the recorder received and every change a user could see (box texts,
// enabled buttons, messages, dialogs, files written) after each step — and compares it with the one kept
// under tests/app/transcripts/. WL_UPDATE_TRANSCRIPTS=1 rewrites the kept transcripts.
//
// Steps run from a timer, so a step can act while a command of an earlier step still runs in its
// nested waits, as a user's click does. Steps:
//   file NAME TEXT        write a file in the application folder (\n for line breaks)
//   records ADDR N        N demo records in the memory of device ADDR (created when missing)
//   device ADDR [BAUD]    another device on the line; with BAUD it listens at that rate, not the line's
//   refuse ADDR REG       device ADDR answers a write to holding register REG with exception 03
//   fault KIND [N]        the next N requests get KIND (NoReply, BadCrc, Truncated, Late, Exception,
//                         OtherAddress, Trailing, Doubled, Split)
//   start                 start the window (reads the settings files, opens the port)
//   set NAME TEXT         type into a box or an editable list (the text may be empty)
//   pick NAME TEXT        choose an entry of a drop-down list, as a user does
//   click NAME            click and wait until the click's handler has returned (its command ended)
//   press NAME            click and go on at once (the command keeps running)
//   answer yes|no         the answer to the next confirmations
//   replywindow W,A,G,E[,B] what the reply-window dialog gives when shown next (B: block reads 1/0, 1 when left out)
//   saveas NAME           the file name the next save dialogs give (in the application folder)
//   openas NAME           the file name the next open dialogs give (in the application folder)
//   wire N                wait until the recorder has received N frames since the scenario began;
//                         frame N is left unanswered until the next step has acted
//   idle                  wait until the command under way has ended (the bus is free)
//   until NAME TEXT       wait until the control shows TEXT (the program's own sign that it got there)
//   quiet MS              at least MS pass, and until the bus and the recorder are idle, without a
//                         frame on the line, or the transcript says how many came (a slow machine
//                         can only make the watch longer)
//   calm MS               at least MS, and two requests of the polling loop, pass with a drop-down
//                         list open: says which controls changed state
//   unplug                the recorder's line goes away (a USB adapter pulled out)
//   close                 close the window
#include <QStringList>

struct Scenario {
    const char *name;
    QStringList steps;
};

// The scenario that only starts the window: its transcript is the start screen the others differ from.
inline constexpr char StartScreen[] = "start_screen";

// Runs the scenario and compares its transcript; a QTest failure names the first line that differs.
void runScenario(const Scenario &scenario);
