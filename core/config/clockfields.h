#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// The recorder's clock as seven boxes, txtTime(0) … txtTime(6): second, minute, hour, weekday
// (1 = Sunday … 7 = Saturday), day, month, year within the century. Every clock byte on the wire is
// two BCD digits.
namespace clockfields {

constexpr int BoxCount = 7;
constexpr uint16_t ReadRegister = 117;   // 117 … 120, read only
constexpr int ReadCount = 4;
constexpr uint16_t WriteRegister = 126;  // 126 … 129, taken over when coil 8 is switched on
constexpr uint16_t SetCoil = 8;
constexpr uint8_t Century = 0x20;

struct Field {
    QString caption;  // the label beside the box (the weekday has none: "星期" in messages)
    int lo, hi;
    int replyByte;    // where a clock read reply carries it
};
// Indexed like the boxes.
const std::array<Field, BoxCount> &fields();

// The PC's local time as the boxes show it, decimal without leading zeros.
std::array<QString, BoxCount> boxTexts(const QDateTime &time);

// A box's decimal text as its BCD byte ("26" → 26 hex, "9" → 09 hex), when it is a whole number in
// the field's range; nothing otherwise (a year from 2100 on included).
std::optional<uint8_t> toBcd(const QString &text, int lo, int hi);

// One register write of a clock set.
struct RegisterWrite {
    uint16_t reg;
    uint16_t value;
};

// The four writes of a set, in the order they go out: year (129), weekday and month (128), day and
// hour (127), minute and second (126). bcd is indexed like the boxes.
std::array<RegisterWrite, 4> setWrites(const std::array<uint8_t, BoxCount> &bcd);

// A word of the write block as what it sets (126 "42分05秒", 127 "10日10时", 128 "12月，星期四",
// 129 "2026年"); nothing when a byte is not BCD or a field is outside its range.
std::optional<QString> writeWordText(uint16_t reg, uint16_t word);
// The four words of the write block, 126 … 129, as the time they set; nothing when they set none.
std::optional<QDateTime> writeWordsTime(const std::array<uint16_t, 4> &words);

// The box texts of a clock read reply: each byte as upper-case hex without a leading zero, so a BCD
// byte reads as its decimal value (59 hex as "59") and a byte that is not BCD shows as it is ("3B").
// Nothing for a box whose byte the reply does not hold.
std::array<std::optional<QString>, BoxCount> readTexts(const QByteArray &reply);

} // namespace clockfields
