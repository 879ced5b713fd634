#pragma once
#include <QString>

// What the system says about a serial device besides opening it: whether it is there now, and
// how long a USB adapter holds received bytes back. sysRoot is the sysfs folder, "/sys" except
// in tests.
namespace serialdevice {

inline const QString kSysRoot = QStringLiteral("/sys");

// A latency timer above this slows every reply down noticeably (a 19200-baud record exchange
// takes about 36 ms on the wire; FTDI chips wait 16 ms by default).
constexpr int kMaxGoodLatencyMs = 2;

// The kernel's name of a device after its symlinks: /dev/serial/by-id/usb-FTDI… → "ttyUSB0".
QString ttyName(const QString &device);

// The device exists, and it is not a built-in port slot without a UART behind it (the kernel
// keeps /dev/ttyS0 … for slots that sysfs reports as type 0).
bool present(const QString &device, const QString &sysRoot = kSysRoot);

// Asks the driver of the open descriptor to pass received bytes on at once. false when the driver
// refuses (a pseudo-terminal, most built-in ports): nothing else changes then.
bool requestLowLatency(int fd);

// Empty while the adapter's latency timer is at most kMaxGoodLatencyMs, or there is none or it
// cannot be read; otherwise the delay and the command that lowers it, for the status line.
QString latencyAdvice(const QString &device, const QString &sysRoot = kSysRoot);

} // namespace serialdevice
