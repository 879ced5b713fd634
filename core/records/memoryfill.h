#pragma once
#include <QString>
#include <optional>

// How full the recorder's record memory is. Records are read by number from the 16-bit input-register
// space, N + 3 registers each, so at N sensors it holds 65536 / (N + 3) records (2849 at 20 sensors).
// What the recorder does once it is full is not known: the user is told to download and clear first.
namespace records {

struct MemoryFill {
    int count = 0;
    int capacity = 1;

    // Rounded down, so "90%" is shown exactly when the warning is.
    int percent() const { return int(qint64(count) * 100 / capacity); }
    bool nearlyFull() const { return qint64(count) * 100 >= qint64(NearlyFullPercent) * capacity; }
    bool overCapacity() const { return count > capacity; }

    static constexpr int NearlyFullPercent = 90;
};

// The fill of a memory holding count records of sensors values each; nothing when the sensor count
// does not give a record layout (1 … MaxSensors) or the count is negative.
std::optional<MemoryFill> memoryFill(long long count, int sensors);

// "已用 2565/2849 条（90%）" — beside the record count.
QString fillText(const MemoryFill &fill);
// From 90 % full: what the user should do, for the status line and a pass's report; empty below.
QString fillWarning(const MemoryFill &fill);

} // namespace records
