#include "panels/port/modbuspanel.h"
#include "core/link/convert.h"
#include "ui/boxinput.h"
#include "ui/commandstart.h"
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

ModbusPanel::ModbusPanel(Desktop &desktop, QWidget *parent)
    : QGroupBox(tr("MODBUS-RTU设置"), parent), m_desktop(desktop)
{
    setObjectName(QStringLiteral("Frame10"));
    auto *g = new QGridLayout(this);
    const auto box = [&](const QString &name, const QString &text, const QString &caption, int row, int col) {
        return captionedBox(name, text, caption, g, row, col, this);
    };
    txtStationID = box(QStringLiteral("txtStationID"), QStringLiteral("2"), tr("设备地址"), 0, 0);
    txtStartRegister = box(QStringLiteral("txtStartID"), QStringLiteral("1"), tr("起始地址"), 0, 2);
    txtDataLength = box(QStringLiteral("txtDataLength"), QStringLiteral("32"), tr("数据长度"), 1, 0);
    txtFunction = box(QStringLiteral("txtFunID"), QStringLiteral("3"), tr("功能号"), 1, 2);
}

std::optional<uint8_t> ModbusPanel::deviceAddress(const BeforeMessage &beforeMessage)
{
    return boxDevice(m_desktop, txtStationID, tr("设备地址"), beforeMessage);
}

std::optional<uint8_t> ModbusPanel::addressInBox() const
{
    const auto n = convert::toWhole(txtStationID->text(), 1, 255, convert::Rounding::WholeOnly);
    return n ? std::optional<uint8_t>(uint8_t(*n)) : std::nullopt;
}

std::optional<uint8_t> ModbusPanel::function(const BeforeMessage &beforeMessage)
{
    return boxFunction(m_desktop, txtFunction, beforeMessage);
}

std::optional<uint16_t> ModbusPanel::startRegister(const BeforeMessage &beforeMessage)
{
    return boxFirstRegister(m_desktop, txtStartRegister, tr("起始地址"), beforeMessage);
}

std::optional<uint16_t> ModbusPanel::startRegisterAsIs()
{
    const auto v = boxNumber(m_desktop, txtStartRegister, tr("起始地址"), 0, 255, convert::Rounding::WholeOnly);
    return v ? std::optional<uint16_t>(uint16_t(*v)) : std::nullopt;
}

std::optional<uint8_t> ModbusPanel::registerCount(const BeforeMessage &beforeMessage)
{
    return boxCount(m_desktop, txtDataLength, beforeMessage);
}

void ModbusPanel::showDeviceAddress(int address)
{
    txtStationID->setText(QString::number(address));
}

void ModbusPanel::showRegisterCount(int count)
{
    txtDataLength->setText(QString::number(count));
}
