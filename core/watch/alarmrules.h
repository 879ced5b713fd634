#pragma once
#include "core/settings/sensortable.h"
#include "core/alarm/alarm.h"
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QVector>
#include <cstdint>
#include <optional>
// When a value outside its limits becomes an alarm, when the alarm is repeated and when it clears: the
// rules of the unattended watcher, without a timer or a file. Every poll's outcome is passed in with
// the time it happened; what changes comes back as transitions to store and send.
namespace watch {

// The file "alarms.set" in the application folder, UTF-8, one "key=value" a line, # for a comment:
//   delay=300            seconds a value stays outside its limit before it alarms (0: at once)
//   deadband=0.5         how far back inside, in the sensor's unit, a value comes before it clears
//   repeat=1800          seconds between notifications while nobody acknowledges (0: never repeat)
//   comm-lost-polls=3    failed polls in a row that raise a no-answer alarm (at least 1)
struct AlarmSettings {
    int delayS = 300;
    int deadbandTenths = 5;
    int repeatS = 1800;
    int commLostPolls = 3;
    bool operator==(const AlarmSettings &) const = default;
};

inline QString alarmSettingsFileName() { return QStringLiteral("alarms.set"); }
// A line that cannot be used keeps its default and is named, with its number, in one sentence in
// *problem; the other lines still count.
AlarmSettings parseAlarmSettings(const QByteArray &content, QString *problem);
// The settings in one line, as the file writes them: "delay=300; deadband=0.5; repeat=1800; comm-lost-polls=3".
QString settingsLine(const AlarmSettings &settings);
// The file read from the application folder; no file is the defaults and nothing to say.
AlarmSettings loadAlarmSettings(const QString &appDir, QString *problem);

class AlarmRules {
public:
    explicit AlarmRules(const AlarmSettings &settings) : m_settings(settings) {}

    // One poll that answered: value k is sensor k + 1, against limits (by sensor number). No reading
    // neither starts nor clears anything. The answer clears the recorder's no-answer alarm.
    QList<Transition> observe(const QString &recorder, uint8_t address, const QVector<std::optional<int>> &tenths,
                              const QMap<int, sensors::Sensor> &limits, const QDateTime &nowUtc);
    // One poll that did not answer; the comm-lost-polls-th in a row raises no-answer.
    QList<Transition> pollFailed(const QString &recorder, uint8_t address, const QDateTime &nowUtc);
    // The repeats due: active alarms nobody acknowledged, notified at least repeat seconds ago.
    QList<Transition> tick(const QDateTime &nowUtc);
    // An active alarm acknowledged; nothing, with the reason in *error, for an unknown, cleared or
    // already acknowledged alarm.
    std::optional<Transition> acknowledge(qint64 id, const QString &by, const QString &note, const QDateTime &nowUtc,
                                          QString *error);

    // The alarms after a restart, from the archive's transitions in order: those raised and not
    // cleared are active again, acknowledged or not, repeated on the same schedule. Ids go on after
    // the highest one seen.
    void restore(const QList<Transition> &history);
    // A check of the watcher's own (the archive's chains, its backup, its writes, a channel named by
    // about): what it found wrong raises that alarm (once, until a check finds nothing), with what in
    // the note; empty clears it.
    QList<Transition> archiveChecked(AlarmKind kind, const QString &what, const QDateTime &nowUtc, const QString &about = {});
    void setNextId(qint64 id) { m_nextId = id; }
    qint64 nextId() const { return m_nextId; }
    // The active alarms by id, each as its latest transition.
    QList<Transition> active() const;
    // A value of the recorder is outside its limits: an alarm raised and not cleared, or an excursion
    // still waiting for its delay.
    bool outOfRange(const QString &recorder) const;
    // Some alarm is active and nobody has acknowledged it.
    bool unacknowledged() const;

private:
    struct Key {
        QString recorder;
        int sensor = 0;
        AlarmKind kind = AlarmKind::High;
        bool operator<(const Key &o) const
        {
            return recorder != o.recorder ? recorder < o.recorder : sensor != o.sensor ? sensor < o.sensor : kind < o.kind;
        }
    };
    struct Alarm {
        Transition last;               // the latest transition, as active() shows it
        std::optional<int> value;      // the latest reading and limit, for a repeat or a clear
        std::optional<int> limit;
        uint8_t address = 0;
        bool acknowledged = false;
        QDateTime notified;            // the time of the raise or the latest repeat
    };
    Transition step(const Key &key, Alarm &alarm, AlarmEvent event, const QDateTime &now, const QString &by = {},
                    const QString &note = {});
    void raise(const Key &key, uint8_t address, std::optional<int> value, std::optional<int> limit, const QDateTime &now,
               QList<Transition> &out);
    void clear(QMap<Key, Alarm>::iterator it, const QDateTime &now, QList<Transition> &out);
    void checkSide(const Key &key, uint8_t address, std::optional<int> value, std::optional<int> limit, const QDateTime &now,
                   QList<Transition> &out);

    AlarmSettings m_settings;
    qint64 m_nextId = 1;
    QMap<Key, Alarm> m_active;           // raised and not cleared
    QMap<Key, QDateTime> m_pending;      // outside since then, not raised yet
    QMap<QString, int> m_failures;       // failed polls in a row, by recorder
};

} // namespace watch
