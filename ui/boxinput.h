#pragma once
#include "core/link/convert.h"
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class Desktop;
class QLineEdit;

// A request field taken from a box. When the text does not give a number in range, the user is
// told which box and why, and nothing is returned: the caller then sends nothing. The refusal asks
// for a whole number only where a fraction is refused (WholeOnly), otherwise for a number.
std::optional<long long> boxNumber(Desktop &desktop, const QLineEdit *box, const QString &caption,
                                   long long lo, long long hi,
                                   convert::Rounding rounding = convert::Rounding::NearestEven);

// The fields of a live read taken from their boxes: whole numbers only ("2.5" is a typo, not
// device 2), refused as boxNumber does. beforeMessage runs first when the text is refused: a polling
// timer stops there, so the message is not shown again at its next tick.
using BeforeMessage = std::function<void()>;

// A device address 1 … 255 (0 would be a broadcast).
std::optional<uint8_t> boxDevice(Desktop &desktop, const QLineEdit *box, const QString &caption,
                                 const BeforeMessage &beforeMessage = {});

// "功能号": 3 (holding registers) or 4 (input registers). Any other code would turn the live read
// into something else (06 would write the count into register 0), so it is refused.
std::optional<uint8_t> boxFunction(Desktop &desktop, const QLineEdit *box,
                                   const BeforeMessage &beforeMessage = {});

// "数据长度": 1 … 125 registers, what one Modbus read may ask for.
std::optional<uint8_t> boxCount(Desktop &desktop, const QLineEdit *box,
                                const BeforeMessage &beforeMessage = {});

// A first register counted from 1 (1 … 256) as the zero-based register of the request (0 … 255);
// 0 would be register −1.
std::optional<uint16_t> boxFirstRegister(Desktop &desktop, const QLineEdit *box, const QString &caption,
                                         const BeforeMessage &beforeMessage = {});

// "定时(ms)": a whole number of milliseconds, at least 1.
std::optional<int> boxInterval(Desktop &desktop, const QLineEdit *box, const BeforeMessage &beforeMessage = {});
