#include "core/watch/storebacklog.h"
#include "core/archive/recordstore.h"
#include <QCoreApplication>
#include <algorithm>

namespace watch {

StoreBacklog::StoreBacklog(archive::RecordStore *store, AlarmRules &rules, Tell tell, Log log)
    : m_store(store), m_rules(rules), m_tell(std::move(tell)), m_log(std::move(log))
{
}

void StoreBacklog::reading(const QString &recorder, uint8_t address, const QDateTime &takenUtc,
                           const QVector<std::optional<int>> &tenths)
{
    add({std::nullopt, recorder, address, takenUtc, tenths}, false);
}

void StoreBacklog::step(const Transition &t)
{
    add({t, {}, 0, {}, {}}, true);
    if (m_tell)
        m_tell(t);
}

void StoreBacklog::add(Item item, bool now)
{
    if (!m_store)
        return;
    m_waiting.push_back(std::move(item));
    if (m_waiting.size() > MaxWaiting) {
        const auto oldest = std::find_if(m_waiting.begin(), m_waiting.end(), [](const Item &i) { return !i.step; });
        if (oldest != m_waiting.end()) {
            m_waiting.erase(oldest);
            ++m_dropped;
        }
    }
    if (now)
        flush();
}

void StoreBacklog::flush()
{
    if (!m_store)
        return;
    while (!m_waiting.empty()) {
        // A step alone, or the readings up to the next step together.
        QList<archive::Reading> readings;
        for (auto i = m_waiting.cbegin(); i != m_waiting.cend() && !i->step; ++i)
            readings.append({i->recorder, i->address, i->taken, i->tenths});
        QString error;
        const bool kept = readings.isEmpty() ? m_store->alarms().append(*m_waiting.front().step, &error)
                                             : m_store->readings().store(readings, &error);
        if (!kept)
            return refused(error);
        m_waiting.erase(m_waiting.begin(), m_waiting.begin() + std::max<qsizetype>(1, readings.size()));
    }
    if (m_fault.isEmpty())
        return;
    m_fault.clear();
    const int dropped = std::exchange(m_dropped, 0);
    if (m_log)
        m_log(QCoreApplication::translate("watch", "存档又能写入了，内存中等待的读数和报警已存入%1")
                  .arg(dropped ? QCoreApplication::translate("watch", "（%1 轮读数因等待太多而丢弃）").arg(dropped) : QString()));
    for (const Transition &t : m_rules.archiveChecked(AlarmKind::ArchiveUnwritable, QString(), QDateTime::currentDateTimeUtc()))
        step(t);
}

void StoreBacklog::refused(const QString &error)
{
    if (!m_fault.isEmpty())
        return;
    m_fault = error;
    if (m_log)
        m_log(QCoreApplication::translate("watch", "存档无法写入：%1；读数和报警先留在内存中（最多 %2 条），能写入时再存")
                  .arg(error).arg(MaxWaiting));
    // The alarm's own step waits with the rest: it is told now, and kept once the archive takes it.
    for (const Transition &t : m_rules.archiveChecked(AlarmKind::ArchiveUnwritable, error, QDateTime::currentDateTimeUtc())) {
        m_waiting.push_back({t, {}, 0, {}, {}});
        if (m_tell)
            m_tell(t);
    }
}

} // namespace watch
