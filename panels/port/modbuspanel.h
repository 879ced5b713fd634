#pragma once
#include "ui/panelcontext.h"
#include <QGroupBox>

class Desktop;
class QLineEdit;

// "MODBUS-RTU设置": the device address every request goes to, and the live read's fields. The
// commands take them through ModbusSettings, checked.
class ModbusPanel : public QGroupBox, public ModbusSettings {
    Q_OBJECT
public:
    explicit ModbusPanel(Desktop &desktop, QWidget *parent = nullptr);
    QLineEdit *txtStationID;
    QLineEdit *txtStartRegister;
    QLineEdit *txtDataLength;
    QLineEdit *txtFunction;

    std::optional<uint8_t> deviceAddress(const BeforeMessage &beforeMessage = {}) override;
    std::optional<uint8_t> addressInBox() const override;
    std::optional<uint8_t> function(const BeforeMessage &beforeMessage = {}) override;
    std::optional<uint16_t> startRegister(const BeforeMessage &beforeMessage = {}) override;
    std::optional<uint16_t> startRegisterAsIs() override;
    std::optional<uint8_t> registerCount(const BeforeMessage &beforeMessage = {}) override;
    void showDeviceAddress(int address) override;
    void showRegisterCount(int count) override;

private:
    Desktop &m_desktop;
};
