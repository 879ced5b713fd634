#pragma once
#include "ui/panelcontext.h"
#include <QObject>
#include <QPushButton>
#include <functional>

// "读传感器总数": reads the number of values per record (register 136), which the records tab shows
// (showCount) and the record download and decoding use. Its button is made in frame, and placed by
// the window in that frame's row.
class SensorCountRead : public QObject {
    Q_OBJECT
public:
    SensorCountRead(PanelContext &ctx, QWidget *frame, std::function<void(int)> showCount, QObject *parent);

    void readSensorCount();

    QPushButton *cmdReadSensorCount;

private:
    PanelContext &m_ctx;
    std::function<void(int)> m_showCount;
};
