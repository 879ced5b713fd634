#pragma once
#include "core/archive/recordstore.h"
#include "core/records/record.h"
#include <QList>
#include <QString>
#include <QVector>

// Exporting a period of the archive: the stored records go through the writers of a download's
// export, so that a period's files read exactly as those of the download that brought its records.
namespace exports {

// The records one .xls sheet holds: its 65,536 rows less the two heading rows.
constexpr int XlsMaxRecords = 65534;

// A period's records (one recorder's, in time order) as the writers take them.
QList<records::Record> periodRecords(const QList<archive::StoredRecord> &period);

// Whether that many records fit an .xls sheet.
constexpr bool fitsXls(qsizetype records) { return records <= XlsMaxRecords; }

// What to tell the user when they do not: the count, the limit and what to choose instead.
QString xlsTooManyRecords(qsizetype records);

} // namespace exports
