#include "ui/boxinput.h"
#include "ui/desktop.h"
#include <QLineEdit>

std::optional<long long> boxNumber(Desktop &desktop, const QLineEdit *box, const QString &caption,
                                   long long lo, long long hi, convert::Rounding rounding)
{
    const auto v = convert::toWhole(box->text(), lo, hi, rounding);
    if (!v)
        desktop.message(QStringLiteral("System Information"),
                        convert::refusedBoxMessage(caption, box->text(), lo, hi, rounding), Desktop::Icon::Warning);
    return v;
}

std::optional<uint8_t> boxAddress(Desktop &desktop, const QLineEdit *txtStationID)
{
    const auto v = boxNumber(desktop, txtStationID, QStringLiteral("设备地址"), 1, 255, convert::Rounding::WholeOnly);
    if (!v)
        return std::nullopt;
    return uint8_t(*v);
}
