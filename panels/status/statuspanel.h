#pragma once
#include "ui/trafficpresenter.h"
#include "ui/panelcontext.h"
#include <QGroupBox>

class ValueLabel;
class QPushButton;
class QStackedWidget;

// "运行状态栏": the three stacked status lamps and the exchange counters.
class StatusPanel : public QGroupBox, public Counters {
    Q_OBJECT
public:
    explicit StatusPanel(QWidget *parent = nullptr);

    void showLamp(Lamp lamp);
    Lamp lamp() const;

    void setPasses(long long n) override;
    // "清零": the request and reply counters start again from 0.
    void resetCounters();

    QStackedWidget *lampStack;
    QWidget *imgConnected;
    QWidget *imgSending;
    QWidget *imgNotConnected;
    ValueLabel *lblReplyCount;
    ValueLabel *lblPassCount;
    ValueLabel *lblRequestCount;
    QPushButton *cmdResetCounters;
};

// A counter label's number plus one, written back as decimal text.
void incrementCounter(ValueLabel *counter);
