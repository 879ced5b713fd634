#include "sim/simmemory.h"

#include "core/link/baudrates.h"
#include "core/link/crc16.h"

#include <algorithm>
#include <cstdlib>

namespace sim {

namespace {

constexpr uint8_t IllegalFunction = 0x01;
constexpr uint8_t IllegalAddress = 0x02;
constexpr uint8_t IllegalValue = 0x03;

uint16_t word(const QByteArray &frame, int at)
{
    return uint16_t((uint8_t(frame[at]) << 8) | uint8_t(frame[at + 1]));
}

void appendWord(QByteArray &frame, uint16_t value)
{
    frame.append(char(value >> 8));
    frame.append(char(value & 0xFF));
}

// Moisture channels start from these (tenths of a percent), one per odd channel. Channel 3 starts
// at 9.1 % so the very first demo record already holds a value byte 5B.
constexpr int MoistureBase[10] = {215, 92, 178, 134, 246, 121, 163, 105, 197, 140};

// Temperature of even channel 2 (j + 1) at a second of the day: coolest at 02:00, warmest at
// 14:00; the lower channels dip below zero at night.
int temperatureTenths(int j, int secondOfDay)
{
    const int low = -50 + 15 * j;
    const int high = low + 120 + 10 * j;
    int d = std::abs(secondOfDay - 14 * 3600);
    d = std::min(d, 86400 - d);  // 0 … 43200 seconds from the warmest moment
    return high - (high - low) * d / 43200;
}

int secondOfDay(const QDateTime &t)
{
    return t.time().hour() * 3600 + t.time().minute() * 60 + t.time().second();
}

// Normalised to n values (extra ones dropped, missing ones erased memory).
SimRecord withSensorCount(const SimRecord &record, int n)
{
    SimRecord r = record;
    r.values.resize(n);
    for (int i = int(record.values.size()); i < n; ++i)
        r.values[i] = 0xFFFF;
    return r;
}

} // namespace

uint8_t toBcd(int value)
{
    value = std::clamp(value, 0, 99);
    return uint8_t(((value / 10) << 4) | (value % 10));
}

int bcdValue(uint8_t bcd)
{
    const int hi = bcd >> 4, lo = bcd & 0x0F;
    return hi > 9 || lo > 9 ? -1 : hi * 10 + lo;
}

qint64 naiveMs(const QDateTime &time)
{
    return QDateTime(time.date(), time.time(), Qt::UTC).toMSecsSinceEpoch();
}

QDateTime fromNaiveMs(qint64 ms)
{
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    return QDateTime(utc.date(), utc.time());
}

int16_t liveValue(int channel, const QDateTime &deviceTime)
{
    const int s = secondOfDay(deviceTime);
    if (channel % 2 == 1) {
        // ± 0.4 % over every hour, a slow triangle
        const int inHour = s % 3600;
        const int drift = std::abs(inHour - 1800) * 8 / 1800 - 4;
        return int16_t(MoistureBase[(channel / 2) % 10] + drift);
    }
    return int16_t(temperatureTenths((channel / 2 - 1) % 10, s));
}

DeviceState::DeviceState()
{
    for (int i = 0; i < 20; ++i) {
        holding[reg::SensorType + i] = (i % 2 == 0) ? 2 : 1;  // slot i + 1: odd moisture
        holding[reg::SlotAddress + i] = uint16_t(i + 1);
        holding[reg::SlotStart + i] = 0;
        holding[reg::SlotMultiplier + i] = 1;
        holding[reg::DataLength + i] = 1;
    }
    holding[reg::PolledDevices] = 20;
    holding[reg::Interval] = 59;
    holding[reg::StartCount] = 12;
    // Register 136 is both slot 7's data length and the number of values per record. The record
    // layout wins: it holds the sensor count, every other data-length register holds 1.
    holding[reg::SensorCount] = 20;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    clockOffsetMs = naiveMs(QDateTime::fromMSecsSinceEpoch(now)) - now;
}

QDateTime DeviceState::clockAt(qint64 hostMs) const
{
    return fromNaiveMs(hostMs + clockOffsetMs);
}

void DeviceState::setClockAt(const QDateTime &time, qint64 hostMs)
{
    clockOffsetMs = naiveMs(time) - hostMs;
}

int DeviceState::sensorCount() const
{
    return holding[reg::SensorCount];
}

void DeviceState::setRecords(const QVector<SimRecord> &recs)
{
    records = recs;
    if (!records.isEmpty())
        holding[reg::SensorCount] = uint16_t(std::min<qsizetype>(records.first().values.size(), 0xFFFF));
    const int capacity = reg::InputCount / (sensorCount() + 3);
    if (records.size() > capacity)
        records.resize(capacity);
    updateMemoryRegisters();
}

void DeviceState::updateMemoryRegisters()
{
    const int stride = sensorCount() + 3;
    const int count = int(records.size());
    const uint32_t pointer = uint32_t(count) * uint32_t(stride);
    holding[reg::RecordCount] = uint16_t(count);
    holding[reg::RecordPointer] = uint16_t(pointer >> 16);
    holding[reg::RecordPointer + 1] = uint16_t(pointer & 0xFFFF);
    holding[reg::MinutesRecorded] = uint16_t(std::min(count * holding[reg::Interval] / 60, 0xFFFF));
}

uint16_t DeviceState::holdingAt(uint16_t address, qint64 hostMs) const
{
    if (address < reg::LiveCount)
        return pinned[address] ? holding[address] : uint16_t(liveValue(address + 1, clockAt(hostMs)));
    if (address >= reg::Clock && address < reg::Clock + 4) {
        const QDateTime t = clockAt(hostMs);
        const QDate d = t.date();
        const QTime tm = t.time();
        switch (address - reg::Clock) {
        case 0: return uint16_t(toBcd(tm.minute()) << 8 | toBcd(tm.second()));
        case 1: return uint16_t(toBcd(d.day()) << 8 | toBcd(tm.hour()));
        case 2: return uint16_t(toBcd(d.dayOfWeek() % 7 + 1) << 8 | toBcd(d.month()));  // 1 = Sunday
        default: return uint16_t(toBcd(d.year() / 100) << 8 | toBcd(d.year() % 100));
        }
    }
    if (address < reg::HoldingCount)
        return holding[address];
    const int code = baud::codeOf(rate);
    if (address >= reg::BaudBase && address <= reg::BaudBase + 5)
        return address == reg::BaudBase + code ? uint16_t(code) : 0;
    return 0;
}

uint16_t DeviceState::inputAt(int address) const
{
    const int n = sensorCount();
    const int stride = n + 3;
    const int k = address / stride;
    if (address < 0 || k >= records.size())
        return 0xFFFF;
    const QByteArray bytes = SimRecorder::recordBytes(withSensorCount(records[k], n));
    const int j = (address % stride) * 2;
    return uint16_t((uint8_t(bytes[j]) << 8) | uint8_t(bytes[j + 1]));
}

QByteArray exceptionReply(uint8_t address, uint8_t function, uint8_t code)
{
    QByteArray r;
    r.append(char(address));
    r.append(char(function | 0x80));
    r.append(char(code));
    appendCrc(r);
    return r;
}

int expectedRequestLength(const QByteArray &buf)
{
    if (buf.size() < 2)
        return 0;
    const uint8_t fn = uint8_t(buf[1]);
    if (fn >= 0x01 && fn <= 0x06)
        return 8;
    if (fn == 0x0F || fn == 0x10)
        return buf.size() < 7 ? 0 : 9 + uint8_t(buf[6]);
    return -1;
}

namespace {

// A holding register written by function 06 or 16, already checked to lie in 0–149. The live
// values (0–23) are measured and the clock (117–120) is the clock's own: writes to them are
// accepted and dropped; a slave that mirrors them read-only has no reason to complain.
void storeHolding(DeviceState &dev, uint16_t address, uint16_t value)
{
    if (address < 24 || (address >= reg::Clock && address < reg::Clock + 4))
        return;
    dev.holding[address] = value;
}

// Coil 3: the memory keeps only the records register 121 still counts (write 0 there first to
// clear it all). Coil 8: the clock takes the time of 126–129; an impossible time is ignored.
void switchCoilOn(DeviceState &dev, uint16_t coil, qint64 hostMs)
{
    ++dev.coilOn[coil];
    if (coil == reg::CoilClearMemory) {
        const int keep = std::min<int>(int(dev.records.size()), dev.holding[reg::RecordCount]);
        dev.records.resize(keep);
        dev.updateMemoryRegisters();
    } else if (coil == reg::CoilSetClock) {
        const auto hi = [&](int r) { return bcdValue(uint8_t(dev.holding[reg::ClockSet + r] >> 8)); };
        const auto lo = [&](int r) { return bcdValue(uint8_t(dev.holding[reg::ClockSet + r] & 0xFF)); };
        const int minute = hi(0), second = lo(0), day = hi(1), hour = lo(1), month = lo(2);
        const int century = hi(3), year = lo(3);
        if (minute < 0 || second < 0 || day < 0 || hour < 0 || month < 0 || century < 0 || year < 0
            || hi(2) < 0)
            return;
        const QDate date(century * 100 + year, month, day);
        const QTime time(hour, minute, second);
        if (!date.isValid() || !time.isValid())
            return;
        dev.setClockAt(QDateTime(date, time), hostMs);
    }
}

bool readBlockServed(uint16_t start, int quantity)
{
    const int end = start + quantity;  // one past the last
    return end <= reg::HoldingCount || (start >= reg::BaudBase && end <= reg::BaudBase + 6);
}

// A request of the right length and CRC for this device, and the answers it may get: none at all
// to a broadcast.
struct Request {
    const QByteArray &frame;
    uint8_t address;
    uint8_t fn;
    bool broadcast;
    Handled out;

    Handled fail(uint8_t code)
    {
        if (!broadcast)
            out.reply = exceptionReply(address, fn, code);
        return out;
    }
    Handled echo()
    {
        if (!broadcast)
            out.reply = frame;
        return out;
    }
};

// Functions 03 and 04.
Handled readRegisters(DeviceState &dev, Request &q, qint64 hostMs)
{
    const uint16_t start = word(q.frame, 2);
    int quantity = word(q.frame, 4);
    if (quantity < 1 || quantity > 125)
        return q.fail(IllegalValue);
    if (q.fn == 0x04 && quantity > dev.sensorCount() + 3) {
        using Refusal = SimRecorder::BlockRefusal;
        switch (dev.blockRefusal) {
        case Refusal::None:
            break;
        case Refusal::Exception:
            return q.fail(IllegalAddress);
        case Refusal::NoReply:
            return q.out;
        case Refusal::WrongLength:
            quantity = dev.sensorCount() + 3;
            break;
        }
    }
    if (q.fn == 0x03 ? !readBlockServed(start, quantity) : start + quantity > reg::InputCount)
        return q.fail(IllegalAddress);
    if (q.broadcast)
        return q.out;
    QByteArray &r = q.out.reply;
    r.append(char(q.address));
    r.append(char(q.fn));
    r.append(char(quantity * 2));
    for (int i = 0; i < quantity; ++i) {
        const uint16_t at = uint16_t(start + i);
        appendWord(r, q.fn == 0x03 ? dev.holdingAt(at, hostMs) : dev.inputAt(at));
    }
    appendCrc(r);
    return q.out;
}

// Function 05.
Handled writeCoil(DeviceState &dev, Request &q, qint64 hostMs)
{
    const uint16_t coil = word(q.frame, 2);
    const uint16_t value = word(q.frame, 4);
    if (value != 0xFF00 && value != 0x0000)
        return q.fail(IllegalValue);
    if (coil >= reg::CoilCount)
        return q.fail(IllegalAddress);
    if (value == 0xFF00)
        switchCoilOn(dev, coil, hostMs);
    return q.echo();
}

// Function 05 to a relay module: FF00 closes the contact, 0000 opens it.
Handled switchRelay(DeviceState &dev, Request &q)
{
    const uint16_t coil = word(q.frame, 2);
    const uint16_t value = word(q.frame, 4);
    if (value != 0xFF00 && value != 0x0000)
        return q.fail(IllegalValue);
    if (coil >= dev.relayCoils.size())
        return q.fail(IllegalAddress);
    dev.relayCoils[coil] = value == 0xFF00;
    return q.echo();
}

// Function 06.
Handled writeRegister(DeviceState &dev, Request &q)
{
    const uint16_t at = word(q.frame, 2);
    const uint16_t value = word(q.frame, 4);
    if (at >= reg::BaudBase && at <= reg::BaudBase + 5) {
        // The rate register: only the one named by the current code answers.
        if (at != reg::BaudBase + baud::codeOf(dev.rate))
            return q.fail(IllegalAddress);
        if (baud::ofCode(value) == 0 || dev.refused.count(at))
            return q.fail(IllegalValue);
        q.out.newBaud = baud::ofCode(value);
        return q.echo();
    }
    if (at >= reg::HoldingCount)
        return q.fail(IllegalAddress);
    if (dev.refused.count(at))
        return q.fail(IllegalValue);
    storeHolding(dev, at, value);
    return q.echo();
}

// Function 16.
Handled writeRegisters(DeviceState &dev, Request &q)
{
    const uint16_t start = word(q.frame, 2);
    const int quantity = word(q.frame, 4);
    const int byteCount = uint8_t(q.frame[6]);
    if (quantity < 1 || quantity > 123 || byteCount != quantity * 2)
        return q.fail(IllegalValue);
    // The rate register is changed through function 06 only.
    if (start + quantity > reg::HoldingCount)
        return q.fail(IllegalAddress);
    // One refused register refuses the whole write: nothing of it is stored.
    if (dev.refused.lower_bound(start) != dev.refused.lower_bound(uint16_t(start + quantity)))
        return q.fail(IllegalValue);
    for (int i = 0; i < quantity; ++i)
        storeHolding(dev, uint16_t(start + i), word(q.frame, 7 + 2 * i));
    if (q.broadcast)
        return q.out;
    q.out.reply = q.frame.left(6);
    appendCrc(q.out.reply);
    return q.out;
}

} // namespace

Handled handleRequest(DeviceState &dev, const QByteArray &request, qint64 hostMs)
{
    if (request.size() < 4 || !crcMatches(request))
        return {};
    const uint8_t address = uint8_t(request[0]);
    const bool broadcast = address == 0;
    if (!broadcast && address != dev.address)
        return {};
    const int expected = expectedRequestLength(request);
    if (expected > 0 && request.size() != expected)
        return {};  // a frame of the wrong length is noise, not a request

    Request q{request, address, uint8_t(request[1]), broadcast, {}};
    if (dev.relay)
        return q.fn == 0x05 ? switchRelay(dev, q) : q.fail(IllegalFunction);
    switch (q.fn) {
    case 0x03:
    case 0x04:
        return readRegisters(dev, q, hostMs);
    case 0x05:
        return writeCoil(dev, q, hostMs);
    case 0x06:
        return writeRegister(dev, q);
    case 0x10:
        return writeRegisters(dev, q);
    default:
        return q.fail(IllegalFunction);
    }
}

QByteArray SimRecorder::recordBytes(const SimRecord &record)
{
    const QDate d = record.time.date();
    const QTime t = record.time.time();
    QByteArray b;
    b.reserve(6 + 2 * int(record.values.size()));
    b.append(char(0x5B));
    b.append(char(toBcd(d.year() % 100)));
    b.append(char(toBcd(d.month())));
    b.append(char(toBcd(d.day())));
    b.append(char(toBcd(t.hour())));
    b.append(char(toBcd(t.minute())));
    for (uint16_t v : record.values)
        appendWord(b, v);
    return b;
}

// Moisture (odd channels) dries by about 0.1 % every 45 minutes with a little jitter; temperature
// (even channels) follows the day. Pure arithmetic on the record index and time: the same
// arguments always give the same records.
QVector<SimRecord> SimRecorder::demoRecords(int count, const QDateTime &first, int sensors)
{
    QVector<SimRecord> out;
    out.reserve(std::max(count, 0));
    const qint64 firstMs = naiveMs(first);
    for (int k = 0; k < count; ++k) {
        SimRecord r;
        r.time = fromNaiveMs(firstMs + qint64(k) * 60000);
        const int s = secondOfDay(r.time);
        r.values.reserve(sensors);
        for (int c = 1; c <= sensors; ++c) {
            int v;
            if (c % 2 == 1) {
                const int jitter = ((k / 5 + c) % 3) - 1;
                v = std::max(80, MoistureBase[(c / 2) % 10] - k / 45) + jitter;
            } else {
                v = temperatureTenths((c / 2 - 1) % 10, s);
            }
            r.values.append(uint16_t(int16_t(v)));
        }
        out.append(r);
    }
    return out;
}

} // namespace sim
