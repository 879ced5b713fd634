#pragma once
#include "core/site/parse.h"
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
// records-at: each day at that time the watcher downloads every recorder's new records into the archive.
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

struct WatchSettings {
    QList<WatchedLine> lines;
    std::optional<QTime> recordsAt;
    bool operator==(const WatchSettings &) const = default;
};

inline QString watchSettingsFileName() { return QStringLiteral("watch.set"); }
// A line that cannot be used is left out and named, with its number, in one sentence in *problem.
WatchSettings parseWatchSettings(const QByteArray &content, QString *problem);
WatchSettings loadWatchSettings(const QString &appDir, QString *problem);

} // namespace watch
