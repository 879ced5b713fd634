#include "panels/config/sensorcountread.h"
#include "ui/registercommands.h"
#include "core/config/recordersettings.h"
#include <QPushButton>

SensorCountRead::SensorCountRead(PanelContext &ctx, QWidget *frame, std::function<void(int)> showCount,
                                 QObject *parent)
    : QObject(parent), m_ctx(ctx), m_showCount(std::move(showCount))
{
    setObjectName(QStringLiteral("sensorCountRead"));
    cmdReadSensorCount = commandButton(QStringLiteral("cmdReadSensorS"), tr("读传感器总数"), frame);
    connect(cmdReadSensorCount, &QPushButton::clicked, this, [this] { readSensorCount(); });
}

void SensorCountRead::readSensorCount()
{
    readRegisterInto(m_ctx, kinds::SensorCountRead, recorder::SensorCountRegister, m_showCount);
}
