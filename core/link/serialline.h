#pragma once
#include "core/link/line.h"
#include <QSerialPort>

// The file of the application folder that says which device a COM number stands for.
inline constexpr const char ComPortsFileName[] = "comports.map";
// The message for a port that would not open, naming the device and the reason.
QString describeOpenFailure(int com, const QString &device, bool exists, bool accessible,
                            QSerialPort::SerialPortError error, const QString &errorString);

// A serial port: a USB–RS485 adapter, a built-in port, a pseudo-terminal. 8N1 without flow control;
// what waited in either direction is cleared on opening and low latency is asked of the driver.
class SerialLine : public Line {
    Q_OBJECT
public:
    SerialLine(const QString &device, int baud, QObject *parent = nullptr);

    QString open(int com, std::stop_token stop = {}) override;
    void close() override { m_port.close(); }
    bool isOpen() const override { return m_port.isOpen(); }
    QString name() const override { return m_device; }
    void write(const QByteArray &frame) override;
    QByteArray readAll() override { return m_port.readAll(); }
    bool poll() override;
    void discardInput() override;
    bool setBaudRate(int baud) override;
    int baudRate() const override { return m_baud; }

private:
    void onError(QSerialPort::SerialPortError error);

    QString m_device;
    int m_baud;
    QSerialPort m_port;
};
