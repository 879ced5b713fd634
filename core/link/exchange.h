#pragma once
#include "core/link/cancel.h"
#include "core/link/echomode.h"
#include "core/link/framelog.h"
#include "core/link/frames.h"
#include "core/link/line.h"
#include "core/link/waitms.h"
#include <QByteArray>
#include <QElapsedTimer>
#include "core/link/linkclock.h"
#include <QObject>
#include <QSet>
#include <QString>
#include <QVarLengthArray>
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

// The serial line and the one exchange routine every device command runs.
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

    // The line's trust: whether an answer to an earlier request may still be on its way.
    //   InStep: every exchange so far ended with its own exact answer; the next request goes out after
    //     the inter-frame gap.
    //   Unsettled: an answer may still come (an exchange did not end with its exact answer: nothing,
    //     a cut or garbled reply, bytes after it, another sender, a cancel; bytes nobody asked for; an
    //     answer too early to be real; a line (re)connected, whose device server may hold an old
    //     answer; a doubtful read just answered, whose own answer may be the one still coming). No
    //     request goes out until the line has been silent for the guard (every byte starting the
    //     silence again, and dropped).
    //   Doubtful: the guard was kept, but a late answer may have slipped past it: a read is taken only
    //     when a later read of the same request, itself sent after a guard's silence, agrees with it.
    // One transition function moves it (nextTrust); an exchange that ended well costs nothing.
    enum class Trust : uint8_t { InStep, Unsettled, Doubtful };
    enum class TrustEvent : uint8_t {
        Fault,        // see Unsettled
        GuardKept,    // the line was silent for the guard before a request
        OwnAnswer,    // an exact answer that can only be the request's own: a confirmed read
        ReadAnswered, // an exact answer to a read that went out doubtful
    };
    static Trust nextTrust(Trust now, TrustEvent event);
    // Whether a confirming read's answer (later) agrees with the one before it (earlier) to the same
    // request, elapsedNs after that one's request went out: the same bytes; or, for a holding read
    // that covers the recorder's clock (117 … 120), the same bytes but for a clock that moved on by no
    // more than the time that passed (and the second each display truncates), never back.
    static bool agrees(const QByteArray &request, const QByteArray &earlier, const QByteArray &later, qint64 elapsedNs);
    Trust trust() const { return m_trust; }

    void setGuardMs(int ms) { m_guardMs = ms; }
    int guardMs() const { return m_guardMs; }
    // A caller that doubts a reply it was given (a record older than the one before it) has the next
    // request wait for the guard, as after a failed exchange.
    void distrust() { m_trust = nextTrust(m_trust, TrustEvent::Fault); }

    // The time the link runs on (nullptr: the machine's monotonic clock). For tests and benchmarks that
    // run exchanges on virtual time; set before the line is opened.
    void setClock(LinkClock *clock);

    // Local echo of the adapter. On a port known to echo (or with On), every exchange expects its
    // request back before the reply and drops it. Auto learns that a port echoes from a read
    // (03/04: its reply never equals the request) whose bytes start with the very request sent,
    // says so once and keeps it for the port's name while the program runs.
    using EchoMode = ::EchoMode;
    void setEchoMode(EchoMode mode) { m_echoMode = mode; }
    EchoMode echoMode() const { return m_echoMode; }

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
    bool setBaudRate(int baud) { return m_line && m_line->setBaudRate(baud); }
    int baudRate() const { return m_line ? m_line->baudRate() : 0; }
    QString portName() const { return m_line ? m_line->name() : QString(); }
    bool isOpen() const { return m_line && (m_line->isOpen() || m_line->reconnects()); }
    // Bytes can go out now (a dropped connection is not up until it is connected again).
    bool lineUp() const { return m_line && m_line->isOpen(); }
    Line *line() const { return m_line.get(); }
    // The line is reached through the watcher that owns it (another program's link on the wire).
    bool viaWatcher() const { return m_line && m_line->relayed(); }
    void setConnectTimeoutMs(int ms);
    int connectTimeoutMs() const { return m_connectTimeoutMs; }

    // A peer that can say whether a reply to what it was sent is still on its way (the simulated
    // recorder can; a device on a wire cannot): a reply window that runs out while it says so waits
    // on until the reply is in or the peer has nothing more to send, so how the machine schedules
    // the peer never turns a reply into none. nullptr (default): the window alone decides.
    void setPeerPending(std::function<bool()> pending) { m_peerPending = std::move(pending); }

    // The bus monitor's log: every frame sent or heard is appended to it from now on (nullptr: none,
    // and nothing is spent on it).
    void setFrameLog(FrameLog *log) { m_log = log; }
    FrameLog *frameLog() const { return m_log; }

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
    void onReadyRead();
    void onLost(const QString &reason);
    void onDropped(const QByteArray &bytes);
    // A dropped connection is connected again before a request; false (and said) when it would not.
    bool reconnect(const Hold &hold);
    void keepInterFrameGap(const std::stop_token &stop);
    // One request and its reply, with the silence the line owes before it. Returns whether the local
    // echo of the port was found for the first time.
    // *doubtful: an exact answer to a read that went out while the line was in doubt, or during which a
    // stray answer was dropped; what it proves is the caller's to decide.
    bool transfer(const Hold &hold, const ExchangeKind &kind, Exchange &ex, bool *doubtful);
    bool confirmRead(const Hold &hold, const ExchangeKind &kind, Exchange &ex);

    void trustEvent(TrustEvent event) { m_trust = nextTrust(m_trust, event); }
    qint64 nowNs() const { return m_clock ? m_clock->nowNs() : m_monotonic.nsecsElapsed(); }
    // The reply just completed sooner after its request was written than their bytes take on the wire.
    bool tooEarly() const;
    void dropStray();
    // Waits until the line has been silent for ms since its last byte, dropping what comes.
    void quietLine(const Hold &hold, int ms);
    void takeWaiting();
    void settleReply(const Hold &hold);
    bool waitForReply(const Hold &hold, int ms);
    void waitForPeer(const Hold &hold);
    void waitForRelay(const Hold &hold);
    bool echoExpected() const;
    qsizetype echoLength(const QByteArray &received) const;
    bool replyIn() const;
    qint32 silenceUs() const;
    void logNow(FrameKind kind, const QByteArray &bytes);
    void takeReply(const QByteArray &bytes);
    void logReply(qsizetype echo, qsizetype settleStart);

    std::unique_ptr<Line> m_line;
    int m_com = 0;  // the COM number the line was opened for, for messages
    int m_connectTimeoutMs = 3000;
    bool m_held = false;
    bool m_heldQuietly = false;
    std::optional<CommandCancel> m_command;  // the cancel of the command holding the bus
    bool m_collecting = false;
    int m_guardMs = 1200;
    Trust m_trust = Trust::InStep;
    bool m_strayDropped = false;  // an answer too early to be real was dropped during this exchange
    QByteArray m_request;
    QByteArray m_reply;
    Waiter m_waiter;
    LinkClock *m_clock = nullptr;
    QElapsedTimer m_monotonic;
    qint64 m_lastActivityNs = 0;   // the last byte sent or received
    qint64 m_writtenNs = 0;        // when the request under way was handed to the line
    EchoMode m_echoMode = EchoMode::Auto;
    QSet<QString> m_echoingPorts;  // names of the ports seen echoing
    FrameLog *m_log = nullptr;
    std::function<bool()> m_peerPending;
    // Where each piece of the reply began and when it came, so the frames cut from it get their own
    // times (kept only for a log).
    struct Chunk { qsizetype offset; qint64 timeMs; qint32 gapUs; };
    QVarLengthArray<Chunk, 8> m_replyChunks;
    qint32 m_requestWireUs = 0;  // how long the last request takes on the wire
};
