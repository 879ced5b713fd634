#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class PeerWitness;
namespace site { class DemoRecorder; }
// wl8806n-watch: reads the recorders' live values around the clock, keeps every reading, raises
// alarms and tells people. main() is a thin shell around run(); the tests call run() in-process.
namespace watch {
enum Exit { Done = 0, Refused = 1, Unusable = 2, Usage = 64 };

struct Io {
    std::function<void(const QString &)> out;  // standard output: what --ack did
    std::function<void(const QString &)> err;  // standard error (the journal): every step and fault
    const PeerWitness *peer = nullptr;         // a simulated recorder beside a test (Link::setPeerWitness)
    site::DemoRecorder *demo = nullptr;        // what --demo runs against (the program gives the simulator)
};

// Needs a QCoreApplication. Without --once it runs until SIGHUP, SIGINT or SIGTERM.
int run(const QStringList &arguments, const Io &io);
} // namespace watch
