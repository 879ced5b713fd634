#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// One record of a recorder's memory as the program holds it from the download to the files, the
// archive and the viewer: where it was read and its data bytes exactly as the reply held them — the
// marker 5B, the time in BCD (year, month, day, hour, minute), then one big-endian word a sensor (some
// memories hold eight more words after the sensors). Every reading of a record's time or values goes
// through the functions here.
namespace records {

struct Record {
    int position = 0;   // its number in the recorder's memory, 1 …; for a record read from a text, its place there
    QByteArray data;    // empty for a place in a text that held no readable record

    bool operator==(const Record &) const = default;

    // The words after the time, whole ones only.
    int wordCount() const { return data.size() < 6 ? 0 : int(data.size() - 6) / 2; }
    // Word i (0-based) as an unsigned number.
    int word(int i) const;
    // Value i in tenths by the recorder's sign rule.
    int tenths(int i) const;
    // Value i in tenths, or nothing for the words the recorder writes for a sensor without a reading.
    std::optional<int> value(int i) const;
    // Whether the time bytes are there (a record read from a text may be cut short).
    bool hasTime() const { return data.size() >= 6; }
    // "2018-04-27 03:21": the five time bytes' digits (a byte that is no BCD shows its hex digits,
    // "2018-1A-27 03:21"); the empty text without them.
    QString timeText() const;
    // The time, when the bytes are BCD and name a real date and time.
    std::optional<QDateTime> time() const;
    // That time as the recorder's clock wrote it, carried as UTC so that no time zone of the PC (nor its
    // daylight-saving changes) moves it: for arithmetic between records.
    std::optional<QDateTime> clockTime() const;
};

// The recorder's sign rule for a value word: a high byte above 30 hex is a negative value, the word
// less 65536.
constexpr int signedTenths(int word) { return (word >> 8) > 0x30 ? word - 65536 : word; }

// The words a recorder writes for a sensor without a reading: −9999 (D8F1) and −8888 (DD48).
constexpr int NoValue9999 = 0xD8F1;
constexpr int NoValue8888 = 0xDD48;

// Whether data (2N + 6 bytes for N sensors) holds a record: the marker 5B and a valid BCD time (year
// 00–99, month 1–12, day 1–31, hour 0–23, minute 0–59). Erased memory reads FF FF …: a valid frame,
// but no record. Every way of reading records keeps only what passes this.
bool isRecordData(const QByteArray &data, int sensors);

// Orders two records' data by their time stamps (valid BCD orders as its digits do).
bool recordTimeBefore(const QByteArray &a, const QByteArray &b);

// Records numbered first, first + 1, … from their data bytes.
QList<Record> numbered(const QList<QByteArray> &data, int first = 1);

// The records tab's decoded line of a record for N sensors: "18-04-27 03:21  23.45 00.00 \r\n".
// Values are hundredths, unsigned; the words of −9999 and −8888 show as 00.00. A record holding fewer
// than N words gives the empty text; the eight further words after the sensors are shown only when
// the record holds all of them (−8888 is a real value there, only −9999 is blanked).
QString decodedLine(const Record &record, int sensors);

} // namespace records
