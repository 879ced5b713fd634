#pragma once
#include "core/export/recordparser.h"
#include "core/export/xlsworkbook.h"
#include <QByteArray>
#include <QStringList>

// The three export formats, built from parsed records. bound: the number of valid records the
// recorder reported; records at later positions are left out (0: no bound).
namespace exports {

// One line a record: "2018-04-27 03:21  23.4 -01.5 … @3" and CR LF. Unreadable records leave
// their position unused.
QByteArray textFile(const QVector<records::ParsedRecord> &recs, int bound);

// UTF-8 CSV (RFC 4180): "time,ch1,…,chN", then the time in ISO 8601 and plain numbers (12.3, -0.5).
// A sensor with a name in names (index 0 for ch1) is headed "ch3 东墙 1 米": the column keeps its
// number for scripts, and a person sees the place.
QByteArray csvFile(const QVector<records::ParsedRecord> &recs, int bound, int channels = 20,
                   const QStringList &names = {});

// Row 1 "传感器序列号", row 2 "日期" and "1#传感器" …, then the record at position i in row i + 2
// (1-based): its time text and its values as number cells.
xls::Sheet workbookSheet(const QVector<records::ParsedRecord> &recs, int bound, int channels = 20);

// "第 3 条记录无法解析：…" for every unreadable record within the bound (at most a screenful).
QStringList problems(const QVector<records::ParsedRecord> &recs, int bound);

} // namespace exports
