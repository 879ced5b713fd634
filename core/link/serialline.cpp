#include "core/link/serialline.h"
#include "core/link/serialdevice.h"
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

SerialLine::SerialLine(const QString &device, int baud, QObject *parent) : Line(parent), m_device(device), m_baud(baud)
{
    connect(&m_port, &QSerialPort::readyRead, this, &Line::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLine::onError);
}

QString SerialLine::open(int com, std::stop_token)
{
    if (m_port.isOpen())
        m_port.close();
    m_port.setPortName(m_device);
    m_port.setBaudRate(m_baud);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (m_port.open(QIODevice::ReadWrite)) {
        m_port.clear(QSerialPort::AllDirections);
        serialdevice::requestLowLatency(m_port.handle());  // a refusal (pseudo-terminal, built-in port) is fine
        return QString();
    }
    const QByteArray path = QFile::encodeName(m_device);
    QString text = describeOpenFailure(com, m_device, QFileInfo::exists(m_device), ::access(path.constData(), R_OK | W_OK) == 0,
                                       m_port.error(), m_port.errorString());
    if (com == 0)
        text.replace(QStringLiteral("COM0（%1）").arg(m_device), m_device);
    return text;
}

void SerialLine::write(const QByteArray &frame)
{
    m_port.write(frame);
    m_port.flush();
}

bool SerialLine::poll()
{
    if (m_port.bytesAvailable() == 0)
        m_port.waitForReadyRead(0);
    return m_port.bytesAvailable() > 0;
}

void SerialLine::discardInput()
{
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
}

bool SerialLine::setBaudRate(int baud)
{
    if (m_port.isOpen() && !m_port.setBaudRate(baud))
        return false;
    m_baud = baud;
    return true;
}

void SerialLine::onError(QSerialPort::SerialPortError error)
{
    // A vanished device (USB adapter pulled out, line hung up) shows as a resource, read or write
    // error, and keeps signalling it: the port is useless and is closed.
    const bool gone = error == QSerialPort::ResourceError || error == QSerialPort::ReadError
        || error == QSerialPort::WriteError;
    if (!gone || !m_port.isOpen())
        return;
    const QString reason = m_port.errorString();
    m_port.close();
    emit lost(reason);
}

QString describeOpenFailure(int com, const QString &device, bool exists, bool accessible,
                            QSerialPort::SerialPortError error, const QString &errorString)
{
    const QString which = QCoreApplication::translate("comports", "COM%1（%2）").arg(com).arg(device);
    if (!exists || error == QSerialPort::DeviceNotFoundError)
        return QCoreApplication::translate("comports", "串口 %1 不存在：找不到该设备。\n请检查USB转RS485转换器是否已插好，"
                              "或在 %2 中为该端口指定设备。").arg(which, QString::fromLatin1(ComPortsFileName));
    if (!accessible)
        return QCoreApplication::translate("comports", "没有权限打开串口 %1。\n请将当前用户加入 dialout 组"
                              "（sudo usermod -aG dialout $USER），重新登录后再试。").arg(which);
    if (error == QSerialPort::PermissionError)  // readable and writable, yet refused: someone holds it
        return QCoreApplication::translate("comports", "所选串口已被其他设备占用！\n%1").arg(which);
    return QCoreApplication::translate("comports", "串口 %1 无法打开：%2").arg(which, errorString);
}
