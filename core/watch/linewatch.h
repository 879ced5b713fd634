#pragma once
#include "core/link/exchange.h"
#include "core/watch/alarmrules.h"
#include "core/watch/storebacklog.h"
#include "core/watch/watchsettings.h"
#include <QDateTime>
#include <functional>
#include <memory>

namespace archive { class RecordStore; }
namespace sensors { class SensorTable; }

// The watcher's work on one bus: each poll reads every device's live values through the live-read
// job, keeps every reading in the archive, runs the alarm rules on them, and appends each alarm step
// to the archive before handing it on to be told. It never waits for the telling.
namespace watch {

class LineWatch {
public:
    struct Context {
        archive::RecordStore *store = nullptr;       // none: readings and steps are not kept
        const sensors::SensorTable *sensors = nullptr;
        AlarmRules *rules = nullptr;                 // shared by every line: alarm numbers are the site's
        std::function<QString(uint8_t address)> recorderName;
        std::function<void(const Transition &)> tell;
        std::function<void(const QString &)> log;
        StoreBacklog *backlog = nullptr;             // shared by every line; none: the line's own
    };

    LineWatch(Link &link, WatchedLine line, Context context);

    // One poll at nowUtc (every device of the line in turn, then the repeats due). A poll that finds
    // the bus held by another command is skipped and says so; false then, and when the archive
    // refused something.
    bool poll(const QDateTime &nowUtc);
    const WatchedLine &line() const { return m_line; }
    // A value of one of the line's recorders is out of its range now.
    bool outOfRange() const;

private:
    void keep(const QList<Transition> &steps);
    void logOnce(const QString &text);

    Link &m_link;
    WatchedLine m_line;
    Context m_ctx;
    QString m_lastLog;
    std::unique_ptr<StoreBacklog> m_ownBacklog;
    StoreBacklog *m_backlog;
};

} // namespace watch
