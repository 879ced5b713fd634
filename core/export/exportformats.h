#pragma once
#include "core/export/xlsworkbook.h"
#include "core/records/record.h"
#include <QByteArray>
#include <QList>
#include <QStringList>
#include <optional>

namespace archive {
struct AuditRow;
}

// The three export formats, written from records. A record's place in the list (1 …) numbers it in
// the files; a record without its time (a place of a text that held no readable record) writes
// nothing and leaves its place unused. bound: the number of valid records the recorder reported;
// records at later places are left out (0: no bound). At most 20 values a record are written.
namespace exports {

// One line a record: "2018-04-27 03:21  23.4 -01.5 … @3" and CR LF.
QByteArray textFile(const QList<records::Record> &recs, int bound);

// UTF-8 CSV (RFC 4180): "time,ch1,…,chN", then the time in ISO 8601 and plain numbers (12.3, -0.5).
// A sensor with a name in names (index 0 for ch1) is headed "ch3 东墙 1 米": the column keeps its
// number for scripts, and a person sees the place; with any name, the file starts with a UTF-8
// byte-order mark (a spreadsheet would otherwise take the names for another code page).
QByteArray csvFile(const QList<records::Record> &recs, int bound, int channels = 20, const QStringList &names = {});

// The audit trail's entries in the order given, for a spreadsheet: UTF-8 with a byte-order mark (so
// the Chinese reads right), the header "时间,用户,程序,记录仪,类别,原值,新值" in every language of the
// window, then an entry a line, its time local in ISO 8601 with seconds ("2026-12-06T14:30:45").
// Fields quoted as RFC 4180 wants; lines end in CR LF.
QByteArray auditCsv(const QList<archive::AuditRow> &rows);

// Row 1 "传感器序列号", row 2 "日期" and "1#传感器" …, then the record at place i in row i + 2
// (1-based): its time as a date cell (a time that is no valid date as its text) and its values as
// number cells. The sheet is named sheetName: "记录" for a download's records, the recorder's name
// for an archived period. Like the headings, it reads the same in every language of the window.
xls::Sheet workbookSheet(const QList<records::Record> &recs, int bound, int channels = 20,
                         const QString &sheetName = QStringLiteral("记录"));

// The place of the last record an export writes, or 0 when it writes none.
int lastWritten(const QList<records::Record> &recs, int bound);

// The record's line shown while an export is written: its time and values, with two decimals for a
// workbook ("2018-04-27 03:21  12.30 -01.50 ") or one for the text and CSV files.
QString progressLine(const records::Record &r, bool twoDecimals);

// A value with two decimals (12.30, -12.30).
QString formatTenthsTwoDecimals(int tenths);

// The number of records to export from the records tab's count box: its whole part (0 or below: all
// of them). Nothing when the text is not a plain decimal number ("1e3" is not).
std::optional<int> recordBound(const QString &countText);

} // namespace exports
