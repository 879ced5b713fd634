#pragma once
#include <QMap>
#include <QString>

// Which serial device a COM number stands for.
//
// Default mapping, fixed so that the same number always means the same device:
//   COM1 … COM3    /dev/ttyS0 … /dev/ttyS2       built-in ports
//   COM4 … COM11   /dev/ttyUSB0 … /dev/ttyUSB7   USB–RS485 adapters (COM4, the usual choice, is the first)
//   COM12 … COM19  /dev/ttyACM0 … /dev/ttyACM7   USB CDC adapters
//   COM20 … COM25  /dev/ttyS3 … /dev/ttyS8       further built-in ports
//
// The file "comports.map" in the application directory overrides any of them, one line each,
// "COM7=/dev/serial/by-id/usb-FTDI…", read by the key=value reader (core/settings/keyvaluelines.h):
// a COM number given twice or out of COM1 … COM25 is named and its line left out. A file longer than
// 16 KB or 256 lines, or one that is not a regular file, is not read at all.
#include "core/link/serialline.h"  // ComPortsFileName

class ComPorts {
public:
    static constexpr int kFirst = 1;
    static constexpr int kLast = 25;
    static QString defaultDevice(int com);

    static constexpr qint64 kMaxMapBytes = 16 * 1024;
    static constexpr int kMaxMapLines = 256;

    // Reads the override file of the application directory; a missing file is no error. A file
    // refused whole, or lines that cannot be read, are said in one entry of *problems.
    void loadOverrides(const QString &appDir, QStringList *problems = nullptr);
    void parseOverrides(const QByteArray &content, QStringList *problems = nullptr);
    // A device that com stands for whatever the override file says, read before or after (the demo's
    // simulated recorder).
    void setOverride(int com, const QString &device);
    // The file's overrides of another, read already; what the program set stays.
    void takeFileOverrides(const ComPorts &read) { m_overrides = read.m_overrides; }
    QString device(int com) const;

    static QString fileName() { return QString::fromLatin1(ComPortsFileName); }

private:
    QMap<int, QString> m_overrides;  // from the file
    QMap<int, QString> m_fixed;      // set by the program
};
