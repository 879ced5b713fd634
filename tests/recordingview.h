#pragma once
// A traffic display for tests of the exchange without a window: it keeps what it was shown.
#include "core/link/exchange.h"
#include <QString>

class RecordingView : public TrafficView {
public:
    QString command, state, status;
    void clearCommand() override { command.clear(); }
    void clearState() override { state.clear(); }
    void showCommand(const QString &hex) override { command = hex; }
    void showState(const QString &hex) override { state = hex; }
    void showLamp(Lamp) override {}
    void countExchange() override {}
    void countReply() override {}
    void showStatus(const QString &text) override { status = text; }
};
