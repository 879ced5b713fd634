#include "ui/boxinput.h"
#include "ui/desktop.h"
#include <QCoreApplication>
#include <QLineEdit>
#include <climits>

std::optional<long long> boxNumber(Desktop &desktop, const QLineEdit *box, const QString &caption,
                                   long long lo, long long hi, convert::Rounding rounding)
{
    const auto v = convert::toWhole(box->text(), lo, hi, rounding);
    if (!v)
        desktop.warnAndSay(convert::refusedBoxMessage(caption, box->text(), lo, hi, rounding));
    return v;
}

namespace {
std::optional<long long> field(Desktop &desktop, const QLineEdit *box, const QString &caption, long long lo,
                               long long hi, const BeforeMessage &beforeMessage)
{
    const auto v = convert::toWhole(box->text(), lo, hi, convert::Rounding::WholeOnly);
    if (v)
        return v;
    if (beforeMessage)
        beforeMessage();
    boxNumber(desktop, box, caption, lo, hi, convert::Rounding::WholeOnly);  // says why
    return std::nullopt;
}
} // namespace

std::optional<uint8_t> boxDevice(Desktop &desktop, const QLineEdit *box, const QString &caption,
                                 const BeforeMessage &beforeMessage)
{
    const auto v = field(desktop, box, caption, 1, 255, beforeMessage);
    return v ? std::optional<uint8_t>(uint8_t(*v)) : std::nullopt;
}

std::optional<uint8_t> boxFunction(Desktop &desktop, const QLineEdit *box, const BeforeMessage &beforeMessage)
{
    const auto v = field(desktop, box, QCoreApplication::translate("BoxInput", "功能号"), 3, 4, beforeMessage);
    return v ? std::optional<uint8_t>(uint8_t(*v)) : std::nullopt;
}

std::optional<uint8_t> boxCount(Desktop &desktop, const QLineEdit *box, const BeforeMessage &beforeMessage)
{
    const auto v = field(desktop, box, QCoreApplication::translate("BoxInput", "数据长度"), 1, 125, beforeMessage);
    return v ? std::optional<uint8_t>(uint8_t(*v)) : std::nullopt;
}

std::optional<uint16_t> boxFirstRegister(Desktop &desktop, const QLineEdit *box, const QString &caption,
                                         const BeforeMessage &beforeMessage)
{
    const auto v = field(desktop, box, caption, 1, 256, beforeMessage);
    return v ? std::optional<uint16_t>(uint16_t(*v - 1)) : std::nullopt;
}

std::optional<int> boxInterval(Desktop &desktop, const QLineEdit *box, const BeforeMessage &beforeMessage)
{
    const auto v = field(desktop, box, QCoreApplication::translate("BoxInput", "定时(ms)"), 1, INT_MAX, beforeMessage);
    return v ? std::optional<int>(int(*v)) : std::nullopt;
}
