#pragma once
#include "core/link/cancel.h"
#include "core/link/echorule.h"
#include "core/link/frameannouncer.h"
#include "core/link/frames.h"
#include "core/link/line.h"
#include "core/link/linkclock.h"
#include "core/link/peerwitness.h"
#include "core/link/trust.h"
#include "core/link/waitms.h"
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

// The particulars of one kind of exchange: who it is and how long it waits. Waits are the longest it
// waits: a complete reply ends them at once. The defaults are those of most single reads and writes.
// What each kind shows in the window is the window's own business.
struct ExchangeKind {
    enum class Id : uint8_t {
        LiveRead, ParameterReadAll, SingleParameterRead, RecordCount, RecordRead, IntervalRead, SensorCountRead,
        StorageState, ClockRead, SetReg, SetCoil, setRegisters,
        RecordDownload,  // a record read inside a download, one of a long run
        BusProbe,        // a bus scan's probe of one address
    };
    Id id = Id::SingleParameterRead;
    QString name;                    // untranslated; shownName() for the status line
    int firstWaitMs = 200;
    int secondWaitMs = 0;            // > 0: a second wait after the first (counted when it ends)
    int pauseAfterMs = 0;            // kept on purpose after a register write
    bool pumpAfterWait = false;      // one more pass of pending events after the wait
    // The silence kept after a failed exchange before this one is sent (0: the line's guard time).
    // A bus scan, whose probes go each to another address, keeps its own short one.
    int guardMs = 0;
    // The first read after a failed exchange is asked again after the guard and taken only when both
    // replies agree. Off only where a late answer names itself (a scan's probes: each another address).
    bool confirmsAfterFault = true;

    QString shownName() const;  // name in the window's language
};

namespace kinds {
extern const ExchangeKind LiveRead;
extern const ExchangeKind ParameterReadAll;
extern const ExchangeKind SingleParameterRead;
extern const ExchangeKind RecordCount;
extern const ExchangeKind RecordRead;
extern const ExchangeKind IntervalRead;
extern const ExchangeKind SensorCountRead;
extern const ExchangeKind StorageState;
extern const ExchangeKind ClockRead;
extern const ExchangeKind SetReg;
extern const ExchangeKind SetCoil;
extern const ExchangeKind setRegisters;
extern const ExchangeKind RecordDownload;
extern const ExchangeKind BusProbe;
} // namespace kinds

struct Exchange {
    bool closed = false;        // the port was closed when the exchange began: nothing was tried
    bool sent = false;          // false: the port was closed (or lost) and nothing went out
    // The command was cancelled by its stop or the window closing, during or before the exchange. A
    // lost port is said by the exchange itself (nothing sent, or no reply), as a closed one is.
    bool aborted = false;
    QByteArray request;
    QByteArray reply;           // the device's reply; an echo of the request is not part of it
    bool echoRemoved = false;   // the adapter's echo of the request came first and was dropped
    bool echoLearned = false;   // ... for the first time on this line: from now on every exchange expects it
    modbus::ReplyInfo info;
    QString stateText;          // hexText of the reply (what txtState shows or the caller gets)
    bool valid() const { return info.cls == modbus::ReplyClass::Valid; }
};

// What a link keeps across the lines it opens, and lends the runner of the line open now.
struct LinkState {
    LinkTime time;
    TrustKeeper trust;
    FrameAnnouncer frames{time};
    EchoRule echo;
    int guardMs = 1200;
    const PeerWitness *peer = nullptr;
};

class ExchangeRunner;

// The bus and the one exchange routine every device command runs. How a request reaches the bus is
// its runner's (runner.h): on a line of its own (the wire runner), or through the watcher that owns it.
class Link : public QObject {
    Q_OBJECT
public:
    explicit Link(QObject *parent = nullptr);
    ~Link() override;

    // A device command holds the bus from its first exchange to its last wait. Only one
    // holder at a time: a second command (or a polling tick) is refused while one runs.
    // The hold carries the command's cancel: every wait of the command ends at once when it is
    // cancelled, and its later exchanges send nothing.
    class Hold {
    public:
        Hold(Hold &&other) noexcept
            : m_link(std::exchange(other.m_link, nullptr)), m_owner(other.m_owner), m_cancel(other.m_cancel) {}
        Hold &operator=(Hold &&) = delete;
        ~Hold();
        const CommandCancel &cancel() const { return m_cancel; }
        // Cancelled with a reason other than a lost port (which the exchanges see as a closed port).
        bool stopped() const;
        // The same bus for a part of the command that can be cancelled on its own (a module's
        // download inside a module pass); it ends with the command too. The command keeps the bus.
        Hold part() const { return Hold(m_link, false, m_cancel.part()); }
    private:
        friend class Link;
        Hold(Link *link, bool owner, CommandCancel cancel) : m_link(link), m_owner(owner), m_cancel(std::move(cancel)) {}
        Link *m_link;
        bool m_owner;
        CommandCancel m_cancel;
    };
    // Shown: a command the user started; the device command buttons go off while it runs
    // (busyChanged). Quiet: a polling tick, which leaves the window's controls alone; a click on
    // another command meanwhile is refused by its own check of the bus.
    enum class Visibility { Shown, Quiet };
    std::optional<Hold> tryHold(Visibility visibility = Visibility::Shown);
    bool busy() const { return m_held; }
    // Cancels the running command, if any (the window closing; a lost port cancels it itself).
    void cancelCommand(CancelReason why);

    // Runs one exchange as its kind describes. decode runs between reading the reply and the
    // end of the exchange (before exchangeFinished); it is not called when nothing was sent or the
    // replies never agreed.
    Exchange exchange(const Hold &hold, const ExchangeKind &kind, const QByteArray &request,
                      const std::function<void(const Exchange &)> &decode = {});

    // The same request up to attempts times, until taken returns true for an exchange (it sees each,
    // as decode does) or nothing more can go out; the last exchange.
    Exchange exchanges(const Hold &hold, const ExchangeKind &kind, const QByteArray &request, int attempts,
                       const std::function<bool(const Exchange &)> &taken);

    // A wait inside a command; ends at once when the command is cancelled.
    void pause(const Hold &hold, int ms);

    // The line's trust (trust.h). Through a watcher, its link keeps the trust of the wire it owns.
    using Trust = LinkTrust;
    using TrustEvent = ::TrustEvent;
    static Trust nextTrust(Trust now, TrustEvent event) { return ::nextTrust(now, event); }
    // Whether a confirming read's answer (later) agrees with the one before it (earlier) to the same
    // request, elapsedNs after that one's request went out: the same bytes; or, for a holding read
    // that covers the recorder's clock (117 … 120), the same bytes but for a clock that moved on by no
    // more than the time that passed (and the second each display truncates), never back.
    static bool agrees(const QByteArray &request, const QByteArray &earlier, const QByteArray &later, qint64 elapsedNs);
    Trust trust() const { return m_state.trust.now(); }

    void setGuardMs(int ms) { m_state.guardMs = ms; }
    int guardMs() const { return m_state.guardMs; }
    // A caller that doubts a reply it was given (a record older than the one before it) has the next
    // request wait for the guard, as after a failed exchange.
    void distrust() { m_state.trust.on(TrustEvent::Fault); }

    // The time the link runs on (nullptr: the machine's monotonic clock). For tests and benchmarks that
    // run exchanges on virtual time; set before the line is opened.
    void setClock(LinkClock *clock);

    // Local echo of the adapter (echorule.h); the first echo seen on a port is said once
    // (Exchange::echoLearned).
    using EchoMode = ::EchoMode;
    void setEchoMode(EchoMode mode) { m_state.echo.setMode(mode); }
    EchoMode echoMode() const { return m_state.echo.mode(); }

    // The line: a serial device path, or a URL "rtu-over-tcp://host:port" (a transparent RS485-to-
    // Ethernet server) or "tcp://host:port" (a Modbus TCP gateway). open: at baud, cleared; empty when
    // it opened, otherwise the message for COM com that says why not (com 0 names the line alone).
    // A connection that drops stays open: it is connected again before the next request, waiting at
    // most the connect timeout.
    // A line a watcher owns (its socket answers, see busshare.h) is reached through that watcher.
    QString open(const QString &target, int baud, int com);
    // The link on a line made elsewhere (a test's, a benchmark's), opened here when it is not yet.
    QString attach(std::unique_ptr<Line> line, int com = 0);
    void close();
    bool setBaudRate(int baud);
    int baudRate() const;
    // A line whose rate someone else sets (a device server, the watcher) keeps the rate it was opened with.
    bool baudRateSettable() const;
    QString portName() const;
    bool isOpen() const;
    // Bytes can go out now (a dropped connection is not up until it is connected again).
    bool lineUp() const;
    // The line of the wire runner; nullptr through a watcher (whose line is the watcher's).
    Line *line() const;
    // The line is reached through the watcher that owns it (another program's link on the wire).
    bool viaWatcher() const;
    void setConnectTimeoutMs(int ms);
    int connectTimeoutMs() const { return m_connectTimeoutMs; }

    // A peer that can say whether a reply is still on its way (peerwitness.h); nullptr (default): the
    // reply window alone decides.
    void setPeerWitness(const PeerWitness *peer) { m_state.peer = peer; }

    // Who is told every frame sent or heard from now on (the bus monitor's log; nullptr: nobody, and
    // nothing is spent on it).
    void setObserver(LinkObserver *observer) { m_state.frames.setObserver(observer); }
    LinkObserver *observer() const { return m_state.frames.observer(); }

signals:
    // A shown command took the bus (true) or gave it back (false).
    void busyChanged(bool busy);
    // The bus is free again, whoever held it.
    void idle();
    // The port went away during use (a USB adapter pulled out); it has been closed.
    void portLost(const QString &reason);
    // Something the user should know about the line: a connection dropped, or would not come back.
    void notice(const QString &text);
    // A line that reconnects went down, or came up again.
    void connectionChanged(bool up);

    // What an exchange does as it does it, for whoever shows it. Every exchange that starts finishes;
    // between them, each request it sends (a read confirmed after a fault sends again) is announced
    // as the line is taken and again once it has gone out.
    void exchangeStarted(const ExchangeKind &kind);
    void lineTaken(const ExchangeKind &kind);
    void requestSent(const ExchangeKind &kind, const QByteArray &request);
    void secondWait(const ExchangeKind &kind, bool over);  // the kind's second wait begins, or is over
    void exchangeFinished(const ExchangeKind &kind, const Exchange &ex);

private:
    QString adopt(std::unique_ptr<ExchangeRunner> runner);
    void onLost(const QString &reason);
    // One request and its reply through the runner; see ExchangeRunner::transfer.
    bool transfer(const Hold &hold, const ExchangeKind &kind, Exchange &ex, bool *doubtful, qint64 *writtenNs);
    bool confirmRead(const Hold &hold, const ExchangeKind &kind, Exchange &ex, qint64 sentNs);

    LinkState m_state;
    std::unique_ptr<ExchangeRunner> m_runner;
    // A runner closed while its transfer was under way: deleted once the transfer has returned.
    std::unique_ptr<ExchangeRunner> m_retired;
    ExchangeRunner *m_transferring = nullptr;
    int m_connectTimeoutMs = 3000;
    bool m_held = false;
    bool m_heldQuietly = false;
    std::optional<CommandCancel> m_command;  // the cancel of the command holding the bus
    Waiter m_waiter;
};
