#pragma once
#include <QList>
#include <QString>
#include <cstdint>

class PeerWitness;

namespace site {

// What --demo asks of the recorder it runs against: these addresses, each holding records a minute
// apart up to now with sensors values each; the line at baud (0: the recorder's own rate); with
// onlyThese, no other address answers.
struct DemoAsk {
    QList<uint8_t> addresses;
    int records = 300;
    int sensors = 20;
    int baud = 0;
    bool onlyThese = false;
    QList<uint8_t> relays;  // relay modules on the same bus (a siren's)
};

// The recorder --demo runs against: the built-in simulated one, which each program's main() gives to
// its library (the libraries do not link the simulator).
class DemoRecorder {
public:
    virtual ~DemoRecorder() = default;
    // False, and *error says why, when it cannot start.
    virtual bool start(const DemoAsk &ask, QString *error) = 0;
    // The device its line is reached at (a pseudo-terminal), once started.
    virtual QString portPath() const = 0;
    // It can say whether a reply is still on its way (Link::setPeerWitness).
    virtual const PeerWitness *witness() const = 0;
};

} // namespace site
