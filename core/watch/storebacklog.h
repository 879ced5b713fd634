#pragma once
#include "core/watch/alarmrules.h"
#include <QDateTime>
#include <QVector>
#include <deque>
#include <functional>
#include <optional>

namespace archive { class RecordStore; }

// What the watcher writes into the archive, readings and alarm steps, in the order they came. While
// the archive refuses writes (a full disk, a file gone read-only) they wait here, up to MaxWaiting, and
// go in, still in order, once it takes them again. The refusal is an "archive-unwritable" alarm, told
// through every channel (none needs the disk), and logged once; its end clears the alarm and is
// logged once. Past the bound the oldest waiting reading goes (steps are kept), counted in the log.
namespace watch {

class StoreBacklog {
public:
    static constexpr size_t MaxWaiting = 20000;  // a recorder's poll, or one step, each
    using Tell = std::function<void(const Transition &)>;
    using Log = std::function<void(const QString &)>;

    StoreBacklog(archive::RecordStore *store, AlarmRules &rules, Tell tell, Log log);
    // Waits for the next step or flush(): a poll's readings go in together, in one transaction.
    void reading(const QString &recorder, uint8_t address, const QDateTime &takenUtc, const QVector<std::optional<int>> &tenths);
    // Kept (with what waits before it, or waiting), then told.
    void step(const Transition &t);
    // What waits goes in, if the archive takes it.
    void flush();
    size_t waiting() const { return m_waiting.size(); }
    bool refusing() const { return !m_fault.isEmpty(); }

private:
    struct Item {
        std::optional<Transition> step;
        QString recorder;
        uint8_t address = 0;
        QDateTime taken;
        QVector<std::optional<int>> tenths;
    };
    void add(Item item, bool now);
    void refused(const QString &error);

    archive::RecordStore *m_store;
    AlarmRules &m_rules;
    Tell m_tell;
    Log m_log;
    std::deque<Item> m_waiting;
    QString m_fault;  // why the archive refuses; empty while it takes writes
    int m_dropped = 0;
};

} // namespace watch
