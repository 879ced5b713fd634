#pragma once
#include <QString>
#include <QStringList>
#include <optional>

namespace archive {
class Audit;
}

// The settings files people also edit by hand, kept in the audit trail whole. Each entry of kind
// settings-file holds a file's content as a program found or wrote it: the old value the content the
// trail held before, the new value a first line naming the file and how it came to be so
// ("sensors.set（在程序之外被修改）"), then the content. A file that is gone has the first line alone.
// So a change made in an editor between two starts shows as the next start's entry, old and new.
namespace settings {

// sensors.set, recorders.set, alarms.set, notify.set, watch.set.
const QStringList &auditedSettingsFiles();

// Who made the file as it is now: a program's own save, or someone else (an editor, a copy).
enum class Writer { Outside, Program };

// appDir's file fileName held against the content the trail last kept of it, and an entry when they
// differ. Nothing kept of it yet: its content is kept as the first record; a file not there then and
// now is nothing to keep. Returns whether an entry was added; nothing, and *error, when the file is
// there but refused (a folder, too long) or the archive did not answer.
std::optional<bool> auditSettingsFile(archive::Audit &audit, const QString &appDir, const QString &fileName, Writer writer,
                                      QString *error);

// At a program's start: every file of auditedSettingsFiles() held against the trail, as changed
// outside the program. The problems, each once, as sentences to show.
QStringList auditSettingsFiles(archive::Audit &audit, const QString &appDir);

} // namespace settings
