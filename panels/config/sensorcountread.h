#pragma once
#include "ui/panelcontext.h"
#include <QObject>
#include <QPushButton>

class QLineEdit;

// "读传感器总数": reads the number of values per record (register 136) into the records tab's
// txtSensorNum, which the record download and decoding use. Its button is placed by the window
// in the frame of that box.
class SensorCountRead : public QObject {
    Q_OBJECT
public:
    SensorCountRead(PanelContext &ctx, QLineEdit *txtSensorNum, QObject *parent);

    void cmdReadSensorS_Click();

    QPushButton *cmdReadSensorS;

private:
    PanelContext &m_ctx;
    QLineEdit *m_txtSensorNum;
};
