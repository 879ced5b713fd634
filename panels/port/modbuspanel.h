#pragma once
#include <QGroupBox>

class QLineEdit;

// "MODBUS-RTU设置": the device address every request goes to, and the live read's fields.
class ModbusPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit ModbusPanel(QWidget *parent = nullptr);
    QLineEdit *txtStationID;
    QLineEdit *txtStartID;
    QLineEdit *txtDataLength;
    QLineEdit *txtFunID;
};
