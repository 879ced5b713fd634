#pragma once
#include "core/records/record.h"
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

// "5、9、12-15、40": record numbers in ascending order, runs of three or more joined by a dash.
QString numberRanges(QList<int> numbers);

// "剩余约 1 分 05 秒": the time a download still needs at the pace so far.
QString timeLeftText(qint64 elapsedMs, int done, int total);

} // namespace records
