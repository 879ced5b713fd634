#pragma once
#include <QString>
#include <QStringList>
#include <functional>
// wl8806n-collect: reads the records of the recorders on one port into the archive and/or files.
// main() is a thin shell around run(); the tests call run() in-process.
namespace collect {
// The exit statuses (64 is sysexits' EX_USAGE).
enum Exit { Complete = 0, Missing = 1, Unusable = 2, OutOfRange = 3, Broken = 4, Usage = 64 };

struct Io {
    std::function<void(const QString &)> out;  // standard output: the JSON summary
    std::function<void(const QString &)> err;  // standard error: progress, notes, errors
    bool errTerminal = false;                  // standard error is a terminal: a progress bar
    // A peer that can say whether a reply is still on its way (a simulated recorder run beside the
    // collector in a test; see Link::setPeerPending). Empty: none, or the demo's own.
    std::function<bool()> peerPending;
};

// Runs the collector with arguments (arguments[0] is the program's name). Needs a
// QCoreApplication; SIGHUP, SIGINT and SIGTERM end it after the current exchange while it runs.
int run(const QStringList &arguments, const Io &io);
} // namespace collect
