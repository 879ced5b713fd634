#pragma once
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
namespace watch {

struct WatchedLine {
    QString port;            // "COM4" as the window names it, or a line's URL
    int com = 0;             // 4 for "COM4"; 0 for a URL
    QList<uint8_t> addresses;
    int pollS = 60;
    std::optional<int> baud; // none: the rate of comm.set
    bool operator==(const WatchedLine &) const = default;
};

struct WatchSettings {
    QList<WatchedLine> lines;
    std::optional<QTime> recordsAt;
    bool operator==(const WatchSettings &) const = default;
};

inline QString watchSettingsFileName() { return QStringLiteral("watch.set"); }
// A line that cannot be used is left out and named, with its number, in one sentence in *problem.
WatchSettings parseWatchSettings(const QByteArray &content, QString *problem);
WatchSettings loadWatchSettings(const QString &appDir, QString *problem);
// "COM4", "4" or a URL as a watched port; nothing and *why for anything else.
std::optional<WatchedLine> parsePort(const QString &text, QString *why);
// "21,22" or "1-4,21": addresses 1 … 247, each once; nothing and *why for anything else.
std::optional<QList<uint8_t>> parseAddresses(const QString &text, QString *why);

} // namespace watch
