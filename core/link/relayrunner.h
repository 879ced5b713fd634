#pragma once
#include "core/link/relayprotocol.h"
#include "core/link/runner.h"
#include <QElapsedTimer>
#include <QLocalSocket>

class QEventLoop;

// A bus the watcher owns, reached through its socket (busshare.h, relayprotocol.h). Each request goes
// to the watcher with its kind's reply window; the watcher runs the exchange on its own link when the
// bus is free — keeping the gap, the guard's silence, the echo and the confirming of reads — and
// answers once, whole, with the reply bytes. Its rate is the watcher's.
class RelayRunner final : public ExchangeRunner {
    Q_OBJECT
public:
    // target: the device path or URL as the user named it; socket: where its watcher listens.
    RelayRunner(const QString &target, const QString &socket, int baud, LinkState &state, QObject *parent = nullptr);
    ~RelayRunner() override;

    // Up once the watcher has said which line it is and at what rate.
    QString open(int com, std::stop_token stop = {}) override;
    void close() override;
    bool up() const override { return m_up && m_socket.state() == QLocalSocket::ConnectedState; }
    QString name() const override { return m_target; }
    bool setBaudRate(int baud) override { return baud == m_baud; }
    int baudRate() const override { return m_baud; }
    bool baudRateSettable() const override { return false; }
    void setConnectTimeoutMs(int ms) override { m_connectTimeoutMs = ms; }
    bool relayed() const override { return true; }
    Result transfer(const Link::Hold &hold, const ExchangeKind &kind, Exchange &ex) override;
    // The watcher's own name for the line (its device), as it said on connecting.
    QString watcherDevice() const { return m_watcherDevice; }

private:
    void take();
    void onMessage(const relay::Message &message);
    void onGone();
    void send(const relay::Message &message);
    void waitForAnswer(const Link::Hold &hold);

    QString m_target;
    QString m_path;
    int m_baud;
    int m_connectTimeoutMs = 3000;
    QLocalSocket m_socket;
    relay::Reader m_input;  // bytes from the watcher not yet a whole message
    QString m_watcherDevice;
    bool m_hello = false;
    bool m_up = false;
    quint32 m_id = 0;            // of the last request sent
    bool m_pending = false;      // it has not been answered yet
    bool m_answered = false;     // its answer came (set with the reply, for the wait)
    bool m_unconfirmed = false;  // the answer: replies that never agreed
    QByteArray m_reply;
    QElapsedTimer m_started;     // since its exchange began at the watcher
    Waiter m_waiter;
    QEventLoop *m_opening = nullptr;  // the wait for the hello
    qint64 m_lastActivityNs = 0;      // the last request sent or answer heard
};
