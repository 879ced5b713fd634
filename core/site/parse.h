#pragma once
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

// The words every program takes for a line, the devices on it and its rate — the collector's and the
// watcher's command lines and watch.set alike — so "COM30", "21,21" or "1200" mean the same whoever
// reads them:
//   port       a COM number ("4", "COM4", "com4") of ComPorts::kFirst … kLast, the numbers the default
//              mapping and comports.map can give a device; a device path (starting with /); or a
//              line's URL (rtu-over-tcp://host:port, tcp://host:port)
//   addresses  "21,22", "1-4" or both mixed ("1-4,7"), each kMinAddress … kMaxAddress (the addresses a
//              Modbus slave may have). An address given twice is refused, naming it: a device read twice
//              a pass is never what was meant, and the list stays the order the devices are read in.
//   rate       a whole number settings::kMinBaud … kMaxBaud, as the window's rate box and comm.set take
// What *why says names the word, not where it came from: the caller puts "--port：" or the line of its
// file before it.
namespace site {

constexpr int kMinAddress = 1, kMaxAddress = 247;

struct Port {
    QString name;  // "COM4" for a COM number, else the path or URL as given (trimmed)
    int com = 0;   // the COM number; 0 for a path or URL
    bool operator==(const Port &) const = default;
};

// "4", "COM4", "com4" → 4; nothing for anything else, a number out of range included.
std::optional<int> comNumber(const QString &text);
std::optional<Port> parsePort(const QString &text, QString *why);
std::optional<QList<uint8_t>> parseAddresses(const QString &text, QString *why);
std::optional<int> parseBaud(const QString &text, QString *why);

} // namespace site
