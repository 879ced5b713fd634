#pragma once
#include "core/archive/connection.h"
#include <QDateTime>
#include <QString>
#include <QVariantList>
#include <optional>

// Each watching host's last poll: the window says from it whether a watcher runs.
namespace archive {

// A watcher's sign of life after each poll: its host, the time (UTC) and the lines it watches.
struct WatcherBeat {
    QString host;
    QDateTime beat;
    QString lines;
};

class Watchers {
public:
    explicit Watchers(Connection &c) : m_c(c) {}
    bool beat(const WatcherBeat &beat, QString *error);
    // The latest beat of any watcher; nothing when none ever beat (or on an error, in *error).
    std::optional<WatcherBeat> last(QString *error) const;
    // The last beat of the watcher on host.
    std::optional<WatcherBeat> of(const QString &host, QString *error) const;

private:
    std::optional<WatcherBeat> select(const QString &where, const QVariantList &values, QString *error) const;
    Connection &m_c;
};

} // namespace archive
