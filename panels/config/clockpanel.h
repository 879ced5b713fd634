#pragma once
#include "ui/panelcontext.h"
#include "core/config/clockfields.h"
#include <QWidget>
#include <array>

class QLineEdit;
class QPushButton;

// "设备时钟": the recorder's clock in seven boxes, read from it or set from the PC clock.
class ClockPanel : public QWidget {
    Q_OBJECT
public:
    ClockPanel(PanelContext &ctx, QWidget *parent);

    // "读时钟": reads registers 117–120 into the boxes.
    void readClock();
    // "写入电脑时钟": fills the boxes from the PC clock and writes registers 129, 128, 127, 126 in
    // that order, then switches coil 8 on so that the recorder takes the time over.
    void writePcClock();

    std::array<QLineEdit *, clockfields::BoxCount> txtTime{};
    QPushButton *cmdTimeWrite;
    QPushButton *cmdTimeRead;

private:
    PanelContext &m_ctx;
};
