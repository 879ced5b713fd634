#pragma once
#include "ui/panelcontext.h"
#include <QWidget>

class QLineEdit;
class QPushButton;

// "记录时间间隔": how often the recorder stores a record (register 116, seconds; 0 stops recording).
class IntervalPanel : public QWidget {
    Q_OBJECT
public:
    IntervalPanel(PanelContext &ctx, QWidget *parent);

    // "设置记录时间间隔": writes txtRecInt (0 … 65535) into register 116.
    void writeInterval();
    // "读记录时间间隔": reads register 116 into txtRecInt.
    void readInterval();

    QLineEdit *txtRecInt;
    QPushButton *cmdSetRecInt;
    QPushButton *cmdReadInterv;

private:
    PanelContext &m_ctx;
};
