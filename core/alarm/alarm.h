#pragma once
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>
// What the watcher tells people and keeps in the archive: one step in the life of an alarm.
// An alarm is raised, may be repeated while nobody has acknowledged it, may be acknowledged (by a
// name, with a note) and is cleared. Every step is a Transition; the archive only ever appends them,
// and the watcher rebuilds its alarms from them after a restart.
namespace watch {

enum class AlarmEvent { Raised, Repeated, Acknowledged, Cleared };
// ArchiveChanged: a hash chain of the archive broke (a row changed behind the programs' back);
// BackupFailed: the day's backup was not made or failed its check. Neither is about a sensor: the
// recorder is the chain's (or empty) and note says what was found. ArchiveUnwritable: the archive
// refuses the watcher's writes (a full disk); note says why. NotifyFailed: a channel gave a
// notification up (refused for good, or a day of failures); the recorder is the channel's name
// ("webhook", "mail", "sms"), the alarm is told on the other channels, and a delivery on it clears it.
// Power: the site's UPS runs on its battery (recorder: the UPS's name); mains back clears it.
// SirenFailed: the siren's relay did not take a switch (recorder: its line and address); a switch it
// takes clears it. WatcherDown: the watcher found at its start that it had not run for a while (note:
// from when to when); an acknowledgement clears it.
enum class AlarmKind { High, Low, NoAnswer, ArchiveChanged, BackupFailed, ArchiveUnwritable, NotifyFailed, Power,
                       SirenFailed, WatcherDown };
// High and Low: an alarm about one sensor's value.
inline bool aboutSensor(AlarmKind kind) { return kind == AlarmKind::High || kind == AlarmKind::Low; }

struct Transition {
    AlarmEvent event = AlarmEvent::Raised;
    AlarmKind kind = AlarmKind::High;
    qint64 id = 0;            // the alarm's number, the same for all its steps; unique in the archive
    QString recorder;         // "COM4-21"
    uint8_t address = 0;
    int sensor = 0;           // 1 … 20; 0 for no-answer
    std::optional<int> value; // tenths, the reading that raised it (or the latest); none for no-answer
    std::optional<int> limit; // tenths, the limit it passed; none for no-answer
    QDateTime time;           // UTC
    QString by;               // who acknowledged; empty otherwise
    QString note;             // the acknowledgement's note; empty otherwise
    bool operator==(const Transition &) const = default;
};

// "raised", "repeated", "acknowledged", "cleared"; "high", "low", "no-answer": the words the webhook's
// JSON and the archive use.
QString eventWord(AlarmEvent event);
QString kindWord(AlarmKind kind);
std::optional<AlarmEvent> eventFromWord(const QString &word);
std::optional<AlarmKind> kindFromWord(const QString &word);
// What the alarm tab and the report call the kind: "高于上限", "存档无法写入".
QString kindName(AlarmKind kind);

} // namespace watch
