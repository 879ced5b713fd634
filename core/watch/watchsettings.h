#pragma once
#include "core/site/parse.h"
#include "core/watch/upswatch.h"
#include <QByteArray>
#include <QList>
#include <QString>
#include <QTime>
#include <cstdint>
#include <optional>
// What the watcher watches: the file "watch.set" in the application folder, UTF-8, # for a comment.
// One "line=" a bus, with the addresses on it and how often they are read:
//   line=COM4 addresses=21,22 poll-s=60 baud=19200
//   line=rtu-over-tcp://192.168.1.50:4001 addresses=1 poll-s=30
//   records-at=02:30
//   siren=COM4 address=30 coil=0 on=FF00
//   ups=office@192.168.1.9
// records-at: each day at that time the watcher downloads every recorder's new records into the archive.
// siren: a relay module on a line (a watched one or another) whose coil switches a siren or strobe: on
// while any alarm is unacknowledged, off once all are acknowledged or cleared; on= is the value the
// module's "on" takes in a coil write (FF00, the standard, or 0001 for modules that want it).
// ups: a UPS that Network UPS Tools' upsd serves (name@host or name@host:port); on battery raises a
// power alarm, mains back clears it.
// line=, addresses= and baud= take the words of the command lines (core/site/parse.h): a COM number, a
// device path or a URL; addresses 1 … 247, each once; a rate of 50 … 4,000,000.
namespace watch {

struct WatchedLine {
    QString port;            // "COM4" as the window names it, a device path or a line's URL
    int com = 0;             // 4 for "COM4"; 0 for a path or URL
    QList<uint8_t> addresses;
    int pollS = 60;
    std::optional<int> baud; // none: the rate of comm.set
    bool operator==(const WatchedLine &) const = default;
};

// A line on port, its addresses and poll still to be given.
inline WatchedLine watchedLine(const site::Port &port)
{
    WatchedLine line;
    line.port = port.name;
    line.com = port.com;
    return line;
}

struct SirenSettings {
    QString port;            // as line= takes it
    int com = 0;
    uint8_t address = 0;
    uint16_t coil = 0;
    uint16_t onValue = 0xFF00;
    bool operator==(const SirenSettings &) const = default;
};

struct WatchSettings {
    QList<WatchedLine> lines;
    std::optional<QTime> recordsAt;
    std::optional<SirenSettings> siren;
    std::optional<UpsName> ups;
    bool operator==(const WatchSettings &) const = default;
};

inline QString watchSettingsFileName() { return QStringLiteral("watch.set"); }
// A line that cannot be used is left out and named, with its number, in one sentence in *problem.
WatchSettings parseWatchSettings(const QByteArray &content, QString *problem);
WatchSettings loadWatchSettings(const QString &appDir, QString *problem);

} // namespace watch
