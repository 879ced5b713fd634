#pragma once
#include "core/archive/recordstore.h"
#include "core/report/reportrequest.h"
#include "core/settings/sensortable.h"
#include "core/site/demo.h"
#include <QString>
#include <QStringList>
#include <functional>

class PeerWitness;
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
    // collector in a test; see Link::setPeerWitness). nullptr: none, or the demo's own.
    const PeerWitness *peer = nullptr;
    // Writes a --report PDF from the archive (report::writeReport; it needs a QGuiApplication, so the
    // program gives it only when it made one). Empty: no report can be made here. It is called with the
    // texts in the report's language.
    std::function<bool(const archive::RecordStore &, const sensors::SensorTable &, const report::Request &, const QString &path,
                       QString *error)> report;
    // The recorder --demo runs against (the program gives the built-in simulated one). nullptr: --demo
    // cannot run.
    site::DemoRecorder *demo = nullptr;
};

// Runs the collector with arguments (arguments[0] is the program's name). Needs a
// QCoreApplication; SIGHUP, SIGINT and SIGTERM end it after the current exchange while it runs.
int run(const QStringList &arguments, const Io &io);
} // namespace collect
