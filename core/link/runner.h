#pragma once
#include "core/link/exchange.h"
#include <QObject>
#include <stop_token>

// How a link's requests reach the bus once it holds it: the wire runner (wirerunner.h) keeps the gap,
// the guard, the echo and the reply window over a Line of its own; the relay runner (relayrunner.h)
// hands each request with its kind to the watcher that owns the bus and waits for its answer. The link
// chooses one when it opens a line and lends it its state (time, trust, echo rule, frame observer).
class ExchangeRunner : public QObject {
    Q_OBJECT
public:
    explicit ExchangeRunner(LinkState &state, QObject *parent = nullptr) : QObject(parent), m_state(state) {}

    // Opens the line, or reconnects one that was lost: empty when up, else why not for COM com.
    virtual QString open(int com, std::stop_token stop = {}) = 0;
    virtual void close() = 0;
    // Up now: a request can go out.
    virtual bool up() const = 0;
    // A line that is lost may come back (a TCP connection): it is connected again before the next
    // request instead of being closed.
    virtual bool reconnects() const { return false; }
    virtual QString name() const = 0;
    virtual bool setBaudRate(int baud) = 0;
    virtual int baudRate() const = 0;
    virtual bool baudRateSettable() const = 0;
    virtual void setConnectTimeoutMs(int ms) = 0;
    // Another program's link runs the exchanges on the wire (the watcher's).
    virtual bool relayed() const = 0;
    virtual Line *line() const { return nullptr; }

    // What one request brought besides what it wrote into the exchange.
    struct Result {
        bool echoFound = false;  // the port's local echo was found for the first time
        // An exact answer to a read that went out while the line was in doubt, or during which a stray
        // answer was dropped: what it proves is the link's to decide.
        bool doubtful = false;
        qint64 writtenNs = 0;    // when the request was handed on (on the link's time)
    };
    // Sends ex.request with what the line owes before it and collects its reply: fills in sent,
    // aborted, reply, echoRemoved, info and stateText.
    virtual Result transfer(const Link::Hold &hold, const ExchangeKind &kind, Exchange &ex) = 0;

signals:
    void requestSent(const ExchangeKind &kind, const QByteArray &request);
    void secondWait(const ExchangeKind &kind, bool over);
    // The line is gone for good (a USB adapter pulled out, the watcher ended); it has been closed.
    void lost(const QString &reason);
    void notice(const QString &text);
    void connectionChanged(bool up);

protected:
    LinkState &m_state;
};
