#pragma once
#include "ui/trafficpresenter.h"
#include "ui/panelcontext.h"
#include <QGroupBox>

class ValueLabel;
class QStackedWidget;

// "运行状态栏": the three stacked status lamps and the exchange counters.
class StatusPanel : public QGroupBox, public Counters {
    Q_OBJECT
public:
    explicit StatusPanel(QWidget *parent = nullptr);

    void showLamp(Lamp lamp);
    Lamp lamp() const;

    long long requestsSent() const override;
    void setRequestsSent(long long n) override;
    void setRepliesReceived(long long n) override;
    void setPasses(long long n) override;

    QStackedWidget *lampStack;
    QWidget *imgConnected;
    QWidget *imgSending;
    QWidget *imgNotConnected;
    ValueLabel *lblReplyCount;
    ValueLabel *lblPassCount;
    ValueLabel *lblRequestCount;
};

// A counter label's number plus one, written back as decimal text.
void incrementCounter(ValueLabel *counter);
