#include "panels/config/sensorcountread.h"
#include "ui/registercommands.h"
#include "core/config/recordersettings.h"
#include <QPushButton>

SensorCountRead::SensorCountRead(PanelContext &ctx, QWidget *frame, std::function<void(int)> showCount,
                                 QObject *parent)
    : QObject(parent), m_ctx(ctx), m_showCount(std::move(showCount))
{
    setObjectName(QStringLiteral("sensorCountRead"));
    cmdReadSensorS = commandButton(QStringLiteral("cmdReadSensorS"), tr("读传感器总数"), frame);
    connect(cmdReadSensorS, &QPushButton::clicked, this, [this] { cmdReadSensorS_Click(); });
}

void SensorCountRead::cmdReadSensorS_Click()
{
    readRegisterInto(m_ctx, kinds::SensorCountRead, recorder::SensorCountRegister, m_showCount);
}
