#include "core/watch/alarmrules.h"
#include "core/settings/keyvaluelines.h"
#include "core/files/safefile.h"
#include <QCoreApplication>
#include <algorithm>

namespace watch {

namespace {
constexpr qint64 MaxFileBytes = 16 * 1024;
constexpr int MaxReported = 3;

// The keys of the file. A deadband is in tenths, written like a limit ("0.5"); the others are whole
// numbers.
const std::vector<settings::Key<AlarmSettings>> &keys()
{
    static const std::vector<settings::Key<AlarmSettings>> table{
        settings::wholeKey("delay", &AlarmSettings::delayS, 0, 86400),
        settings::tenthsKey("deadband", &AlarmSettings::deadbandTenths, 0, 1000),
        settings::wholeKey("repeat", &AlarmSettings::repeatS, 0, 7 * 86400),
        settings::wholeKey("comm-lost-polls", &AlarmSettings::commLostPolls, 1, 1000),
    };
    return table;
}
} // namespace

AlarmSettings parseAlarmSettings(const QByteArray &content, QString *problem)
{
    AlarmSettings result;
    const QList<settings::Refusal> refused = settings::readKeyValues(content, keys(), result);
    if (refused.isEmpty() || !problem)
        return result;
    const QStringList named = settings::refusalTexts(refused.first(MaxReported < refused.size() ? MaxReported : refused.size()));
    *problem = QCoreApplication::translate("alarms", "报警设置文件 %1 有 %2 行无法使用，已忽略（%3）")
                   .arg(alarmSettingsFileName()).arg(refused.size())
                   .arg(named.join(QCoreApplication::translate("alarms", "；"))
                        + (refused.size() > MaxReported ? QCoreApplication::translate("alarms", "……") : QString()));
    return result;
}

QString settingsLine(const AlarmSettings &settings)
{
    return QStringLiteral("delay=%1; deadband=%2; repeat=%3; comm-lost-polls=%4")
        .arg(settings.delayS).arg(QString::number(settings.deadbandTenths / 10.0, 'f', 1)).arg(settings.repeatS).arg(settings.commLostPolls);
}

AlarmSettings loadAlarmSettings(const QString &appDir, QString *problem)
{
    AlarmSettings settings;
    safefile::load(appDir + QLatin1Char('/') + alarmSettingsFileName(), MaxFileBytes,
                   [&](const QByteArray &content) { settings = parseAlarmSettings(content, problem); },
                   [&](const QString &why) {
                       if (problem)
                           *problem = QCoreApplication::translate("alarms", "报警设置文件 %1 %2，未读取：报警按默认设置").arg(alarmSettingsFileName(), why);
                   });
    return settings;
}

Transition AlarmRules::step(const Key &key, Alarm &alarm, AlarmEvent event, const QDateTime &now, const QString &by,
                            const QString &note)
{
    alarm.last = Transition{event, key.kind, alarm.last.id, key.recorder, alarm.address, key.sensor, alarm.value, alarm.limit, now, by, note};
    return alarm.last;
}

void AlarmRules::raise(const Key &key, uint8_t address, std::optional<int> value, std::optional<int> limit, const QDateTime &now,
                       QList<Transition> &out)
{
    Alarm alarm{{}, value, limit, address, false, now};
    alarm.last.id = m_nextId++;
    out << step(key, *m_active.insert(key, alarm), AlarmEvent::Raised, now);
}

bool AlarmRules::outOfRange(const QString &recorder) const
{
    const auto ofRecorder = [&](const Key &k) { return k.recorder == recorder && aboutSensor(k.kind); };
    const auto keys = m_active.keys() + m_pending.keys();
    return std::any_of(keys.cbegin(), keys.cend(), ofRecorder);
}

bool AlarmRules::unacknowledged() const
{
    return std::any_of(m_active.cbegin(), m_active.cend(), [](const Alarm &a) { return !a.acknowledged; });
}

QList<Transition> AlarmRules::archiveChecked(AlarmKind kind, const QString &what, const QDateTime &nowUtc, const QString &about)
{
    QList<Transition> out;
    const Key key{about, 0, kind};
    const auto it = m_active.find(key);
    if (what.isEmpty() && it != m_active.end()) {
        clear(it, nowUtc, out);
    } else if (!what.isEmpty() && it == m_active.end()) {
        raise(key, 0, {}, {}, nowUtc, out);
        m_active[key].last.note = out.last().note = what;
    }
    return out;
}

void AlarmRules::clear(QMap<Key, Alarm>::iterator it, const QDateTime &now, QList<Transition> &out)
{
    out << step(it.key(), *it, AlarmEvent::Cleared, now);
    m_active.erase(it);
}

// One side of one sensor: an active alarm clears past the deadband (or when its limit is gone); a
// value outside starts an excursion, which raises once it has lasted the delay.
void AlarmRules::checkSide(const Key &key, uint8_t address, std::optional<int> value, std::optional<int> limit,
                           const QDateTime &now, QList<Transition> &out)
{
    const bool high = key.kind == AlarmKind::High;
    if (const auto it = m_active.find(key); it != m_active.end()) {
        it->address = address;
        if (value)
            it->value = value;
        if (!limit)
            return clear(it, now, out);  // the limit's alarm goes with it
        if (!value)
            return;
        it->limit = limit;
        const int deadband = m_settings.deadbandTenths;
        if (high ? *value <= *limit - deadband : *value >= *limit + deadband)
            clear(it, now, out);
        return;
    }
    if (!value)
        return;  // no reading: the excursion, if any, goes on
    if (!limit || (high ? *value <= *limit : *value >= *limit)) {
        m_pending.remove(key);
        return;
    }
    auto since = m_pending.find(key);
    if (since == m_pending.end())
        since = m_pending.insert(key, now);
    if (since->secsTo(now) >= m_settings.delayS) {
        m_pending.erase(since);
        raise(key, address, value, limit, now, out);
    }
}

QList<Transition> AlarmRules::observe(const QString &recorder, uint8_t address, const QVector<std::optional<int>> &tenths,
                                      const QMap<int, sensors::Sensor> &limits, const QDateTime &nowUtc)
{
    QList<Transition> out;
    m_failures.remove(recorder);
    if (const auto it = m_active.find({recorder, 0, AlarmKind::NoAnswer}); it != m_active.end()) {
        it->address = address;
        clear(it, nowUtc, out);
    }
    for (int k = 0; k < tenths.size() && k < sensors::MaxSensor; ++k) {
        const sensors::Sensor sensor = limits.value(k + 1);
        checkSide({recorder, k + 1, AlarmKind::High}, address, tenths[k], sensor.high, nowUtc, out);
        checkSide({recorder, k + 1, AlarmKind::Low}, address, tenths[k], sensor.low, nowUtc, out);
    }
    return out;
}

QList<Transition> AlarmRules::pollFailed(const QString &recorder, uint8_t address, const QDateTime &nowUtc)
{
    QList<Transition> out;
    int &failures = m_failures[recorder];
    failures = std::min(failures + 1, m_settings.commLostPolls);
    const Key key{recorder, 0, AlarmKind::NoAnswer};
    if (failures >= m_settings.commLostPolls && !m_active.contains(key))
        raise(key, address, {}, {}, nowUtc, out);
    return out;
}

QList<Transition> AlarmRules::tick(const QDateTime &nowUtc)
{
    QList<Transition> out;
    if (m_settings.repeatS <= 0)
        return out;
    for (auto it = m_active.begin(); it != m_active.end(); ++it)
        if (!it->acknowledged && it->notified.secsTo(nowUtc) >= m_settings.repeatS) {
            it->notified = nowUtc;
            out << step(it.key(), *it, AlarmEvent::Repeated, nowUtc);
        }
    return out;
}

std::optional<Transition> AlarmRules::acknowledge(qint64 id, const QString &by, const QString &note, const QDateTime &nowUtc,
                                                  QString *error)
{
    const auto it = std::find_if(m_active.begin(), m_active.end(), [&](const Alarm &a) { return a.last.id == id; });
    QString why;
    if (it == m_active.end())
        why = QCoreApplication::translate("alarms", "没有编号为 %1 的未解除报警：它不存在或已经解除").arg(id);
    else if (it->acknowledged)
        why = QCoreApplication::translate("alarms", "报警 %1 已经确认过，无需再次确认").arg(id);
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return std::nullopt;
    }
    it->acknowledged = true;
    return step(it.key(), *it, AlarmEvent::Acknowledged, nowUtc, by, note);
}

void AlarmRules::restore(const QList<Transition> &history)
{
    m_active.clear();
    m_pending.clear();
    m_failures.clear();
    for (const Transition &t : history) {
        m_nextId = std::max(m_nextId, t.id + 1);
        const Key key{t.recorder, t.sensor, t.kind};
        if (t.event == AlarmEvent::Raised) {
            m_active.insert(key, Alarm{t, t.value, t.limit, t.address, false, t.time});
            continue;
        }
        const auto it = m_active.find(key);
        if (it == m_active.end() || it->last.id != t.id)
            continue;  // a step of an alarm that is no longer active
        if (t.event == AlarmEvent::Cleared) {
            m_active.erase(it);
            continue;
        }
        it->last = t;
        if (t.value)
            it->value = t.value;
        if (t.event == AlarmEvent::Repeated)
            it->notified = t.time;
        else
            it->acknowledged = true;
    }
}

QList<Transition> AlarmRules::active() const
{
    QList<Transition> out;
    for (const Alarm &alarm : m_active)
        out << alarm.last;
    std::sort(out.begin(), out.end(), [](const Transition &a, const Transition &b) { return a.id < b.id; });
    return out;
}

} // namespace watch
