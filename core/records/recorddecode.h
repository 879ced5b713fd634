#pragma once
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

// The recorder's memory as the program reads it: record k of a memory of N sensors is the block of
// N + 3 input registers from (k − 1) × (N + 3): the marker 5B, the BCD time (year, month, day, hour,
// minute) and one big-endian word per sensor.
namespace records {

// The most registers one read request may ask for; N + 3 must fit it.
constexpr int MaxReadRegisters = 125;
constexpr int MaxSensors = MaxReadRegisters - 3;

constexpr int registersPerRecord(int sensors) { return sensors + 3; }

// First input register of record k (counted from 1); nothing when k < 1, the sensor count is
// outside 1 … MaxSensors, or the record would reach past register 65535.
std::optional<uint16_t> recordStart(long long k, int sensors);

// The highest record number whose registers all lie in 0 … 65535 (2849 for 20 sensors).
int lastAddressableRecord(int sensors);

// The data bytes of one record read (2N + 6: the marker, the time, the values) hold a record only when
// they start with the marker 5B and a valid BCD time (year 00–99, month 1–12, day 1–31, hour 0–23,
// minute 0–59). Erased memory reads FF FF …: a valid frame, but no record. Every way of reading
// records keeps only what passes this.
bool isRecordData(const QByteArray &data, int sensors);

// The words a recorder writes for a sensor without a reading: −9999 (D8F1) and −8888 (DD48).
constexpr int NoValue9999 = 0xD8F1;
constexpr int NoValue8888 = 0xDD48;

// Orders two records' data by their time stamps (valid BCD orders as its digits do).
bool recordTimeBefore(const QByteArray &a, const QByteArray &b);

// "5、9、12-15、40": record numbers in ascending order, runs of three or more joined by a dash.
QString numberRanges(QList<int> numbers);

// "剩余约 1 分 05 秒": the time a download still needs at the pace so far.
QString timeLeftText(qint64 elapsedMs, int done, int total);

} // namespace records

// One record text (" 5B 18 04 27 03 21 09 29 …") as a readable line for N sensors:
// "18-04-27 03:21  23.45 00.00 \r\n". Values are hundredths, unsigned; the patterns of −9999 (D8F1)
// and −8888 (DD48) stand for "no value" and show as 00.00. A record text shorter than the 2N + 6
// bytes of a record gives the empty text; the eight further values after the sensors are shown only
// when the text holds all of them (−8888 is a real value there, only −9999 is blanked).
QString DoneData(const QString &RecData, int sensors);
