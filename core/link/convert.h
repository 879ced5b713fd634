#pragma once
#include <QString>
#include <cstdint>
#include <optional>

// Conversions of box texts to the numbers a request is built from. Each returns nothing
// when the text does not give a number in range; the caller then refuses the command.
namespace convert {

enum class Rounding {
    NearestEven,  // 2.5 → 2, 3.5 → 4 (how number boxes have always been read)
    Floor,        // the largest whole number not above the value
    WholeOnly,    // anything with a fraction is refused
};

// A decimal number (blanks around it allowed), rounded as asked, within [lo, hi].
std::optional<long long> toWhole(const QString &text, long long lo, long long hi,
                                 Rounding rounding = Rounding::NearestEven);

// The device address of a request: a whole number 1 … 255 (0 would be a broadcast).
std::optional<uint8_t> deviceAddress(const QString &text);

// How the recorder's register words read as numbers (a live value, a polling-table entry): 65535 is
// "no reading" and reads 0; words above 40000 are negative (word − 65536); 32768 … 40000 stay positive.
int registerValue(uint16_t word);

// A value in tenths with at least two integer digits and one decimal: 23.5, 00.5, -01.0, 1234.5.
QString tenthsText(int tenths);

// "“设备地址”中的“abc”不是 1 到 255 之间的整数，命令未发送。" A box that rounds fractions asks for
// a number ("数值"), not a whole number: the message must not call 12.5 wrong where it is taken.
QString refusedBoxMessage(const QString &caption, const QString &text, long long lo, long long hi,
                          Rounding rounding);

// "“12.5”已取整为 12" when value, what toWhole made of text, is not the number the text says;
// empty when nothing was rounded away (12, 12.0).
QString roundingNote(const QString &text, long long value);

} // namespace convert
