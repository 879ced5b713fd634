#pragma once
#include "core/archive/recordstore.h"
#include <QSqlDatabase>
#include <QString>
#include <atomic>

// The PostgreSQL side of the daily backup. pg_dump writes the copy; the check restores it with
// pg_restore into a scratch database of its own (a new name each time, made from template0 through a
// second connection with the archive's settings) and walks the hash chains there, so the verdict is the
// copy's: a dump that does not restore, or whose rows differ, fails. The scratch database is dropped
// whatever happened. A role that may not create databases gets the check it can have: pg_restore
// --list must show every chained table's data and the live archive's chains are walked, and the
// verdict says that this is all that was checked.
namespace archive {

// pg_dump of the archive into file (custom format); empty when it succeeded, else why.
QString pgDump(const ArchiveConfig &config, const QString &file);

// A dump restored into a scratch database of its own, dropped with this object (or by drop(), which
// says when it could not be).
class RestoredDump {
public:
    RestoredDump(const ArchiveConfig &config, const QString &file);
    ~RestoredDump();
    RestoredDump(const RestoredDump &) = delete;
    RestoredDump &operator=(const RestoredDump &) = delete;

    QSqlDatabase db() const;  // the copy, open, when error is empty
    QString drop();           // empty, or why the scratch database is left behind
    QString error;            // why there is no copy
    bool mayNotCreate = false;  // the role may not create databases

private:
    static std::atomic<int> &counter();
    QString m_scratch;
    bool m_made = false;
};

// Whether file is a pg_dump copy (custom format).
bool isPgDump(const QString &file);

// The check of the dump at file, a backup of store (whose settings config is). Empty when the copy
// passed, else why; *verdict gets the chains' verdict when they could be walked.
QString checkPgDump(RecordStore &store, const ArchiveConfig &config, const QString &file, QString *verdict);

} // namespace archive
