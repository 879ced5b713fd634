#pragma once
#include "core/archive/checks.h"
#include "core/archive/checkpoint.h"
#include "core/archive/recordstore.h"
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The archive held against copies of it kept elsewhere: signed checkpoints (checkpoint.h) and older
// backups (SQLite files, or pg_dump copies restored for it on the archive's server). Whoever holds the archive's file can rebuild its chains, but not a checkpoint a mail
// carried away nor a backup made before; so a rewritten, shortened, replaced or remade archive shows.
namespace archive {

struct Anchors {
    QList<Checkpoint> checkpoints;  // each must be this archive's, signed with trustedKey, and still held
    QStringList backups;            // backups: every row they hold must be here unchanged
    QByteArray trustedKey;          // the public key checkpoints are signed with
};

// The archive's chains walked with every anchor held against them. A checkpoint or backup of another
// archive, or a checkpoint with a bad signature or another key, is a break as well; a backup that
// cannot be read is *error (and nothing). Where a backup does not hold, the verdict names the first
// of its rows the archive no longer has as it was.
std::optional<chain::Verdict> verifyAgainst(const Checks &checks, const Anchors &anchors, QString *error);

// Whether the backup folder speaks of another archive than this one: its newest checkpoint or its
// newest SQLite backup names another id (the archive was deleted and made anew, or replaced). What
// it says, or empty.
QString anotherArchiveBefore(const Checks &checks, const QString &backupDir);

// What every program's check of the archive does: verifyAgainst with the anchors given, the
// checkpoints the backup folder keeps and, with lastBackup, its newest backup of the archive's kind; checkpoints are
// trusted when signed with the key in keyFile. A checkpoint file in the folder that does not read is a
// break (the program wrote it whole); no key to check checkpoints with is *error.
std::optional<chain::Verdict> verifyKept(const Checks &checks, const QString &backupDir, const QString &keyFile, Anchors anchors,
                                         bool lastBackup, QString *error);

// The archive's checkpoint now, signed with key.
std::optional<Checkpoint> makeCheckpoint(const Checks &checks, const CheckpointKey &key, QString *error);

// The checkpoint files of a folder (checkpoint-*.txt), oldest first; a file or line that does not read
// is named in *bad.
QList<Checkpoint> checkpointsInFolder(const QString &dir, QStringList *bad);
// Writes c into dir as checkpoint-YYYYMMDD-HHMMSS.txt: the path, or nothing and *error.
std::optional<QString> keepCheckpoint(const Checkpoint &c, const QString &dir, QString *error);

// A checkpoint made, and where it went.
struct KeptCheckpoint {
    Checkpoint checkpoint;
    QStringList where;   // the file in the backup folder, then what sendAway named
    QString auditError;  // the audit trail refused its entry (the checkpoint stands)
};
// The archive's checkpoint, signed with the key in keyFile (made at its first use), kept in the backup
// folder when there is one, handed to sendAway (which says where it went), and audited (kind
// checkpoint: the line as new value, where it went as old). Nothing and *error when it was not made.
using SendAway = std::function<QStringList(const Checkpoint &)>;
std::optional<KeptCheckpoint> takeCheckpoint(RecordStore &store, const ArchiveConfig &config, const QString &keyFile,
                                             const SendAway &sendAway, QString *error);

} // namespace archive
