#pragma once
#include "core/archive/alarms.h"
#include "core/archive/audit.h"
#include "core/archive/chain.h"
#include "core/archive/checks.h"
#include "core/archive/connection.h"
#include "core/archive/outbox.h"
#include "core/archive/readings.h"
#include "core/archive/records.h"
#include "core/archive/schema.h"
#include "core/archive/watchers.h"
#include <QString>
#include <functional>
#include <optional>

// The archive of every record downloaded, the watcher's readings, alarms and beats, and the audit
// trail: one connection (SQLite by default, PostgreSQL for a site) and a part a table or two.
namespace archive {

// The archive file's name in the application folder, the default archive.
inline constexpr char DefaultFileName[] = "archive.db";

class RecordStore {
public:
    RecordStore() = default;
    RecordStore(const RecordStore &) = delete;
    RecordStore &operator=(const RecordStore &) = delete;

    // Connects, then creates the tables or brings an older archive up to schema::Version, under the
    // archive's write lock: programs started together take turns. An archive written by a newer
    // program is refused, and so is anything the database refuses; *error says why, in words of their
    // own for a file that is no database, a damaged one, a read-only one (found here, before anything
    // is read for it), a full disk and a lock that is not released.
    bool open(const ArchiveConfig &config, QString *error);
    // Said once when open() or a write waits for another program to finish with the archive.
    void setWaitNote(std::function<void(const QString &)> note) { m_connection.setWaitNote(std::move(note)); }
    bool isOpen() const { return m_connection.isOpen(); }
    QString fileReplaced() const { return m_connection.fileReplaced(); }
    int schemaVersion() const { return m_version; }
    // Which program this is, for the audit trail (the window unless set).
    void setProgram(Program p) { m_connection.setProgram(p); }
    // A program that stays open for months keeps SQLite's page cache to kib KiB (the default is
    // about 2 MiB a connection); a server database is not affected.
    void limitCache(int kib);

    // The parts, each over the one connection.
    Records &records() { return m_records; }
    const Records &records() const { return m_records; }
    Readings &readings() { return m_readings; }
    const Readings &readings() const { return m_readings; }
    Alarms &alarms() { return m_alarms; }
    const Alarms &alarms() const { return m_alarms; }
    Watchers &watchers() { return m_watchers; }
    const Watchers &watchers() const { return m_watchers; }
    Outbox &outbox() { return m_outbox; }
    const Outbox &outbox() const { return m_outbox; }
    Audit &audit() { return m_audit; }
    const Audit &audit() const { return m_audit; }
    const Checks &checks() const { return m_checks; }

private:
    bool createOrUpgrade(QString *error);
    bool readVersion(int *version, QString *error);

    Connection m_connection;
    int m_version = 0;
    Records m_records{m_connection};
    Readings m_readings{m_connection};
    Alarms m_alarms{m_connection};
    Watchers m_watchers{m_connection};
    Outbox m_outbox{m_connection};
    Audit m_audit{m_connection};
    Checks m_checks{m_connection};
};

} // namespace archive
