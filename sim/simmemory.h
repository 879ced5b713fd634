#pragma once
#include "sim/simrecorder.h"

#include <QByteArray>
#include <QDateTime>
#include <QVector>
#include <array>
#include <bitset>
#include <cstdint>
#include <set>

// The recorder's memory and its request handling, free of any thread or file descriptor so the
// simulator's behaviour can be checked byte by byte.
namespace sim {

// Register map of one recorder (holding registers unless said otherwise).
namespace reg {
constexpr uint16_t LiveFirst = 0;          // 0–19 live values, tenths
constexpr int LiveCount = 20;
constexpr uint16_t SensorType = 24;        // 24–43, 1 = temperature, 2 = moisture
constexpr uint16_t SlotAddress = 44;       // 44–63
constexpr uint16_t SlotStart = 64;         // 64–83
constexpr uint16_t SlotMultiplier = 84;    // 84–103
constexpr uint16_t PolledDevices = 104;
constexpr uint16_t Interval = 116;         // seconds between records
constexpr uint16_t Clock = 117;            // 117–120, read only, BCD
constexpr uint16_t RecordCount = 121;
constexpr uint16_t RecordPointer = 122;    // 122 high word, 123 low word
constexpr uint16_t StartCount = 124;
constexpr uint16_t MinutesRecorded = 125;
constexpr uint16_t ClockSet = 126;         // 126–129, BCD, taken over by coil 8
constexpr uint16_t DataLength = 130;       // 130–149
constexpr uint16_t SensorCount = 136;      // shares slot 7's data-length register
constexpr int HoldingCount = 150;
constexpr uint16_t BaudBase = 2560;        // 2560 + current baud code
constexpr int InputCount = 65536;
constexpr int CoilCount = 9;
constexpr int CoilClearMemory = 3;
constexpr int CoilSetClock = 8;
} // namespace reg

// Two BCD digits; bcdValue gives -1 for a nibble above 9.
uint8_t toBcd(int value);
int bcdValue(uint8_t bcd);

// The recorder's wall clock: local time fields, no zone. A device keeps the difference between
// its clock and the host's (milliseconds since the epoch), so it ticks with the host.
qint64 naiveMs(const QDateTime &time);          // the fields of time read as if they were UTC
QDateTime fromNaiveMs(qint64 ms);               // back to a local QDateTime with those fields

struct DeviceState {
    DeviceState();  // the demo defaults, an empty memory, the clock at the host's time

    uint8_t address = 21;
    int rate = 19200;                    // baud; it hears only requests sent at this rate
    std::set<uint16_t> refused;          // holding registers whose writes it answers with exception 03
    SimRecorder::BlockRefusal blockRefusal = SimRecorder::BlockRefusal::None;  // of 04 reads past one record
    std::array<uint16_t, reg::HoldingCount> holding{};
    std::bitset<reg::LiveCount> pinned;  // live registers set by hand stop drifting
    std::array<int, reg::CoilCount> coilOn{};
    // A relay module instead of a recorder: it takes coil writes (05) only, each coil holding its state.
    bool relay = false;
    std::array<bool, 8> relayCoils{};
    qint64 clockOffsetMs = 0;            // device clock (naive ms) − host clock (epoch ms)
    QVector<SimRecord> records;

    QDateTime clockAt(qint64 hostMs) const;
    void setClockAt(const QDateTime &time, qint64 hostMs);
    // Replaces the memory; N (136) follows the first record's value count, and the count (121),
    // pointer (122–123) and minutes recorded (125) follow the memory.
    void setRecords(const QVector<SimRecord> &records);
    void updateMemoryRegisters();
    int sensorCount() const;                              // N, holding 136
    uint16_t holdingAt(uint16_t address, qint64 hostMs) const;  // reads as served
    uint16_t inputAt(int address) const;
};

struct Handled {
    QByteArray reply;       // empty: nothing is sent
    int newBaud = 0;        // non-zero: the device switches to this rate once the reply has left
};

// One complete request frame (CRC included) for dev, heard at dev's rate; hostMs is the host's
// clock (milliseconds since the epoch). Bad CRC, a frame of the wrong length for its function or
// another device's address: no reply. Address 0 (broadcast) is carried out without a reply.
Handled handleRequest(DeviceState &dev, const QByteArray &request, qint64 hostMs);

// addr, fn | 0x80, code, CRC.
QByteArray exceptionReply(uint8_t address, uint8_t function, uint8_t code);

// A live channel's value (channel 1–20) at a given device time; odd channels moisture, even ones
// temperature, tenths.
int16_t liveValue(int channel, const QDateTime &deviceTime);

// Expected length of the frame that starts buf: 0 while not yet known, -1 when only a silence can
// end it (unknown function code).
int expectedRequestLength(const QByteArray &buf);

} // namespace sim
