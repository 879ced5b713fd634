#pragma once
#include "core/archive/connection.h"
#include "core/records/record.h"
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <utility>

// The records downloaded: one row a record, kept once however often the same memory is read again,
// and the positions of each recorder's memory that downloads left unread.
namespace archive {

// One stored record. time is the recorder's own stamp as "YYYY-MM-DD HH:MM" (the year taken as
// 20yy, no time zone); words are the record's big-endian words exactly as read.
struct StoredRecord {
    QString recorder;
    uint8_t address = 0;
    QString time;
    int occurrence = 0;   // 0, 1, … for identical records read one after another
    QByteArray words;
    int intervalS = 0;
    QDateTime readAt;     // UTC
    QString port;         // empty for rows kept from before the port was recorded

    // The record's data bytes as the recorder sent them: 5B, the BCD time, the words.
    QByteArray data() const;
};

struct Batch {
    QString recorder;     // the recorder's name, e.g. "COM4-21"; never empty
    uint8_t address = 0;
    int intervalS = 0;    // the recording interval read before the download
    QDateTime readAt;
    QString port;
    // As read, in download order. Identical records are numbered as one run only where their
    // positions in the memory follow each other.
    QList<records::Record> records;
    // With count ≥ 0 the batch also says what stays to be read: the positions still missing
    // after this download of a memory of count records. Positions read in it, and positions past
    // count (the memory was cleared), are no longer missing.
    QList<int> missing{};
    int count = -1;
};

class Records {
public:
    explicit Records(Connection &c) : m_c(c) {}

    // Stores a batch in one transaction: all of it or nothing. A batch holding anything that is not
    // a record is refused whole before a row is written. Returns the rows added (records already
    // kept add none), or nothing and *error.
    std::optional<int> store(const Batch &batch, QString *error);
    // One recorder's records with from ≤ time ≤ to (minutes; the times' zones are ignored: the
    // recorder's clock has none), in time order.
    QList<StoredRecord> period(const QString &recorder, const QDateTime &from, const QDateTime &to, QString *error) const;
    QStringList recorders() const;
    // The positions of the recorder's memory that downloads left unread (ascending): a backward
    // read reads them again. Nothing and *error when the archive cannot be asked.
    std::optional<QList<int>> missingPositions(const QString &recorder, QString *error) const;
    // Whether the recorder's records hold one with these data bytes (whatever its occurrence):
    // a download that reads backwards stops at the first record the archive already keeps.
    // Nothing and *error when the archive cannot be asked.
    std::optional<bool> holds(const QString &recorder, const QByteArray &data, QString *error) const;
    // The first and last record time of a recorder ("YYYY-MM-DD HH:MM"); nothing when it has none.
    std::optional<std::pair<QString, QString>> span(const QString &recorder, QString *error) const;
    // A recorder given a new name: its records (and the positions it has still to read) are shown
    // under that name from now on, in one transaction. The rows themselves are never changed: the
    // audit trail keeps the renaming (kind rename-records), and every read goes through it. A record
    // the new name already holds is shown once. Returns the records that now go by the new name, or
    // nothing and *error.
    std::optional<int> rename(const QString &from, const QString &to, QString *error);

private:
    bool keep(const Batch &batch, int *added, QString *error);
    bool keepMissing(const Batch &batch, QString *error);

    Connection &m_c;
};

} // namespace archive
