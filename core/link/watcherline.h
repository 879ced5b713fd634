#pragma once
#include "core/link/exchange.h"
#include "core/link/line.h"
#include <QElapsedTimer>
#include <QLocalSocket>

// A bus the watcher owns, reached through its socket (core/link/busshare.h). Each request goes to the
// watcher with its kind's reply window; the watcher runs the exchange on its own link when the bus is
// free and answers with the reply bytes, which this line hands on whole. The watcher keeps the gap
// and the silence rule, so this line keeps none; its rate is the watcher's.
class WatcherLine final : public Line {
    Q_OBJECT
public:
    // target: the device path or URL as the user named it; socket: where its watcher listens.
    WatcherLine(const QString &target, const QString &socket, int baud, QObject *parent = nullptr);

    QString open(int com, std::stop_token stop = {}) override;
    void close() override;
    bool isOpen() const override { return m_up && m_socket.state() == QLocalSocket::ConnectedState; }
    QString name() const override { return m_target; }
    void write(const QByteArray &frame) override;
    QByteArray readAll() override { return std::exchange(m_received, QByteArray()); }
    bool poll() override;
    void discardInput() override { m_received.clear(); }
    bool setBaudRate(int baud) override { return baud == m_baud; }
    int baudRate() const override { return m_baud; }
    bool baudRateSettable() const override { return false; }
    qint64 gapNs() const override { return 0; }
    qint32 wireUs(qsizetype) const override { return 0; }

    bool relayed() const override { return true; }
    void setExchangeKind(const ExchangeKind &kind, EchoMode echo) override { m_kind = kind; m_echo = echo; }
    bool answerPending() const override { return m_pending; }
    qint64 relayRunningMs() const override { return m_pending && m_started.isValid() ? m_started.elapsed() : -1; }
    bool answerUnconfirmed() const override { return m_unconfirmed; }
    void giveUpRequest() override;
    // The watcher's own name for the line (its device), as it said on connecting.
    QString watcherDevice() const { return m_watcherDevice; }

private:
    void take();
    void onGone();

    QString m_target;
    QString m_path;
    int m_baud;
    QLocalSocket m_socket;
    QByteArray m_input;     // bytes from the watcher not yet a whole message
    QByteArray m_received;  // reply bytes not read yet
    QString m_watcherDevice;
    bool m_hello = false;
    bool m_up = false;
    ExchangeKind m_kind;
    EchoMode m_echo = EchoMode::Auto;
    quint32 m_id = 0;       // of the last request written
    bool m_pending = false;
    bool m_unconfirmed = false;  // the last answer: replies that never agreed
    QElapsedTimer m_started;
};
