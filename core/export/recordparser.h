#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>
#include <optional>

// Reading downloaded records back from the received-data text: " 5B 18 04 27 03 21 00 EB …",
// each record the marker 5B, five BCD time bytes (year, month, day, hour, minute) and N values of
// two bytes each, high byte first, in tenths. One parser serves every export.
namespace records {

struct ParsedRecord {
    int position = 0;        // 1-based place in the received text (the "@" number of the text export)
    QStringList tokens;      // the record's tokens after the marker
    bool readable = false;   // false: no line is written for it (problem says why)
    QString problem;
    QString timeText;        // "2018-04-27 03:21 " (a token that is not a decimal number is copied)
    QVector<int> tenths;     // channel values, signed, in tenths (at most 20)

    // The time as a date, when the time tokens are a valid BCD date and time.
    std::optional<QDateTime> time() const;
};

// Cuts the text into records of 2N + 6 bytes each (N = sensors per record). The marker is looked for
// again only where a record does not start with it, so a value byte 5B never splits a record; a
// record cut short (a partial read) is recognised when the records after it start in step again.
QVector<ParsedRecord> parseRecords(QStringView text, int sensors, int channels = 20);

// The recorder's sign rule for a value word: a high byte above 30 hex is a negative value, the word
// less 65536. Every reading of record values (the exports, the viewer) goes through this one rule.
constexpr int signedTenths(int word) { return (word >> 8) > 0x30 ? word - 65536 : word; }

// A value with two decimals (12.30, -12.30): the line shown while a workbook is written.
QString formatTenthsTwoDecimals(int tenths);

// The number of records to export from txtRecord: its whole part (0 or below: all of them).
// Nothing when the text is not a plain decimal number ("1e3" is not).
std::optional<int> recordBound(const QString &txtRecord);

} // namespace records
