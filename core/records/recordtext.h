#pragma once
#include "core/records/record.h"
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <utility>

// The records tab's received-data text: every record " 5B 18 04 27 03 21 00 EB …", each byte as two
// hex digits after a blank. The download writes it from its records; a text a user typed or pasted
// into the box is read back into records here.
namespace records {

// The text of records, one after the other.
QString recordsText(const QList<Record> &records);

struct RecordText {
    // In the order of the text, each at its place (1 …); a place that held no readable record keeps
    // an empty record, so that the records after it keep their places.
    QList<Record> records;
    QList<std::pair<int, QString>> unreadable;  // place, and why
};

// Cuts the text into records of 2N + 6 bytes each (N = sensors per record). The marker is looked for
// again only where a record does not start with it, so a value byte 5B never splits a record; a
// record cut short (a partial read) is recognised when the records after it start in step again.
// Line breaks count as blanks; what comes before the first marker is no record. A record needs its
// time and two values (one when a record holds one); every token must be one hex byte.
RecordText readRecordText(QStringView text, int sensors);

// "第 3 条记录无法解析：…" for every unreadable place up to bound (0: all), at most a screenful.
QStringList unreadableMessages(const RecordText &text, int bound);

} // namespace records
