#pragma once
#include <QCoreApplication>
#include <QString>

// Whether the serial adapter hands the master its own request back before the device's reply, as
// many half-duplex RS485 adapters do. Auto learns it from the first read that comes back echoed.
// The numbers are those of replywin.set.
enum class EchoMode { Auto = 0, On = 1, Off = 2 };

// What the settings dialog calls each mode.
inline QString echoModeName(EchoMode mode)
{
    switch (mode) {
    case EchoMode::On: return QCoreApplication::translate("echomode", "有回显");
    case EchoMode::Off: return QCoreApplication::translate("echomode", "无回显");
    default: return QCoreApplication::translate("echomode", "自动识别");
    }
}
