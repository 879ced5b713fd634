#pragma once
#include "core/alarm/alarm.h"
#include <QDateTime>
#include <QString>
#include <optional>
namespace archive {
class RecordStore;
}
// An alarm acknowledged by a person, from the command line or the window: checked against the
// archive's open alarms as a restarted watcher would see them, then appended as a step the running
// watcher (if any) picks up.
namespace watch {

// The step appended; nothing and *error when it is refused (no name given, no open alarm with that
// number, already acknowledged: *refused set) or the archive cannot be read or written (*refused
// cleared).
std::optional<Transition> acknowledgeInArchive(archive::RecordStore &store, qint64 id, const QString &by,
                                               const QString &note, const QDateTime &nowUtc, QString *error,
                                               bool *refused = nullptr);

} // namespace watch
