#pragma once
#include "core/link/convert.h"
#include <QString>
#include <cstdint>
#include <optional>

class Desktop;
class QLineEdit;

// A request field taken from a box. When the text does not give a number in range, the user is
// told which box and why, and nothing is returned: the caller then sends nothing. The refusal asks
// for a whole number only where a fraction is refused (WholeOnly), otherwise for a number.
std::optional<long long> boxNumber(Desktop &desktop, const QLineEdit *box, const QString &caption,
                                   long long lo, long long hi,
                                   convert::Rounding rounding = convert::Rounding::NearestEven);

// The device address of every request ("设备地址"): a whole number 1 … 255, never the broadcast 0.
std::optional<uint8_t> boxAddress(Desktop &desktop, const QLineEdit *txtStationID);
