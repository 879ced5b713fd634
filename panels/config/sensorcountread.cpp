#include "panels/config/sensorcountread.h"
#include "ui/registercommands.h"
#include "core/config/recordersettings.h"
#include <QLineEdit>
#include <QPushButton>

SensorCountRead::SensorCountRead(PanelContext &ctx, QLineEdit *txtSensorNum, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_txtSensorNum(txtSensorNum)
{
    setObjectName(QStringLiteral("sensorCountRead"));
    // Made in the box's frame; the window puts it in that frame's row.
    cmdReadSensorS = commandButton(QStringLiteral("cmdReadSensorS"), QStringLiteral("读传感器总数"),
                                   txtSensorNum->parentWidget());
    connect(cmdReadSensorS, &QPushButton::clicked, this, [this] { cmdReadSensorS_Click(); });
}

void SensorCountRead::cmdReadSensorS_Click()
{
    readRegisterInto(m_ctx, kinds::SensorCountRead, recorder::SensorCountRegister, m_txtSensorNum);
}
