#pragma once
#include "core/link/exchange.h"
#include <QObject>
#include <functional>

enum class Lamp { Yellow, Green, Red };

// Where the traffic of the exchanges is shown.
struct TrafficDisplay {
    std::function<void(const QString &)> command;  // the request's hex box (txtCommand); empty: cleared
    std::function<void(const QString &)> state;    // the reply's hex box (txtState); empty: cleared
    std::function<void(Lamp)> lamp;
    std::function<void()> countRequest;            // lblRequestCount + 1
    std::function<void()> countReply;              // lblReplyCount + 1
    std::function<void(const QString &)> status;   // the status line
};

// Turns what the link reports into what the window shows. What each kind of exchange shows (the hex
// boxes, the status line) is the one table in the source file; the lamp and the counters follow
// every exchange by one rule.
class TrafficPresenter : public QObject {
    Q_OBJECT
public:
    TrafficPresenter(Link &link, TrafficDisplay display, QObject *parent = nullptr);

    void showStatus(const QString &text) { m_display.status(text); }
    void showState(const QString &hex) { m_display.state(hex); }
    void showLamp(Lamp lamp) { m_display.lamp(lamp); }
    // A long run of exchanges (a record download) shows its traffic at a pace a person can follow,
    // not each exchange as it happens: its runner hands the latest one here when it repaints.
    void showExchange(const ExchangeKind &kind, const Exchange &ex);

private:
    void onStarted(const ExchangeKind &kind);
    void onSent(const ExchangeKind &kind, const QByteArray &request);
    void onFinished(const ExchangeKind &kind, const Exchange &ex);
    void paint(const ExchangeKind &kind, const Exchange &ex, const QString &after);

    TrafficDisplay m_display;
};
