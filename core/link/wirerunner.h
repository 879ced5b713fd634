#pragma once
#include "core/link/runner.h"
#include <memory>

// The exchanges on a line of the link's own: the inter-frame gap before each request, the guard's
// silence while the line is not in step, the adapter's echo, the reply window (a complete reply ends
// it at once), the watch for bytes that trail a reply, and answers too early to be real.
class WireRunner final : public ExchangeRunner {
    Q_OBJECT
public:
    // com: the COM number the line is opened for, for messages.
    WireRunner(std::unique_ptr<Line> line, int com, LinkState &state, QObject *parent = nullptr);
    ~WireRunner() override;

    QString open(int com, std::stop_token stop = {}) override;
    void close() override;
    bool up() const override { return m_line->isOpen(); }
    bool reconnects() const override { return m_line->reconnects(); }
    QString name() const override { return m_line->name(); }
    bool setBaudRate(int baud) override { return m_line->setBaudRate(baud); }
    int baudRate() const override { return m_line->baudRate(); }
    bool baudRateSettable() const override { return m_line->baudRateSettable(); }
    void setConnectTimeoutMs(int ms) override { m_line->setConnectTimeoutMs(ms); }
    bool relayed() const override { return false; }
    Line *line() const override { return m_line.get(); }
    Result transfer(const Link::Hold &hold, const ExchangeKind &kind, Exchange &ex) override;

private:
    void onReadyRead();
    void onLost(const QString &reason);
    void onDropped(const QByteArray &bytes);
    qint64 nowNs() const { return m_state.time.nowNs(); }
    // A dropped connection is connected again before a request; false (and said) when it would not.
    bool reconnect(const Link::Hold &hold);
    // What the line owes before a request: a connection, the guard's silence, the gap. False when
    // nothing may go out (stopped, or the port went away).
    bool ready(const Link::Hold &hold, const ExchangeKind &kind, Exchange &ex);
    void send(const ExchangeKind &kind, Exchange &ex);
    void collect(const Link::Hold &hold, const ExchangeKind &kind);
    void keepInterFrameGap(const std::stop_token &stop);
    // The reply just completed sooner after its request was written than their bytes take on the wire.
    bool tooEarly() const;
    void dropStray();
    // Waits until the line has been silent for ms since its last byte, dropping what comes.
    void quietLine(const Link::Hold &hold, int ms);
    void takeWaiting();
    void settleReply(const Link::Hold &hold);
    bool waitForReply(const Link::Hold &hold, int ms);
    void waitForPeer(const Link::Hold &hold);
    qsizetype echoLength(const QByteArray &received) const { return m_state.echo.length(name(), m_request, received); }
    bool replyIn() const;
    void takeReply(const QByteArray &bytes);

    std::unique_ptr<Line> m_line;
    int m_com = 0;  // the COM number the line was opened for, for messages
    bool m_collecting = false;
    bool m_strayDropped = false;  // an answer too early to be real was dropped during this exchange
    QByteArray m_request;
    QByteArray m_reply;
    Waiter m_waiter;
    qint64 m_lastActivityNs = 0;   // the last byte sent or received
    qint64 m_writtenNs = 0;        // when the request under way was handed to the line
};
