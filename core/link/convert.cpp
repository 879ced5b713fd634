#include "core/link/convert.h"
#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace convert {

std::optional<long long> toWhole(const QString &text, long long lo, long long hi, Rounding rounding)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    // Only plain decimal notation: digits, one optional sign and point (no exponents, no hex).
    for (QChar c : t)
        if (!(c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('+')))
            return std::nullopt;
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    double w = 0;
    switch (rounding) {
    case Rounding::NearestEven: w = std::nearbyint(d); break;  // default FE_TONEAREST: halves to even
    case Rounding::Floor: w = std::floor(d); break;
    case Rounding::WholeOnly: {
        // Judged on the text: a double drops the fraction of "1.00000000000000001".
        const qsizetype point = t.indexOf(QLatin1Char('.'));
        const QStringView fraction = point < 0 ? QStringView() : QStringView(t).mid(point + 1);
        if (std::any_of(fraction.begin(), fraction.end(), [](QChar c) { return c != QLatin1Char('0'); }))
            return std::nullopt;
        w = d;
        break;
    }
    }
    if (w < double(lo) || w > double(hi))
        return std::nullopt;
    return static_cast<long long>(w);
}

std::optional<uint8_t> deviceAddress(const QString &text)
{
    const auto v = toWhole(text, 1, 255, Rounding::WholeOnly);
    if (!v)
        return std::nullopt;
    return uint8_t(*v);
}

int registerValue(uint16_t word)
{
    if (word == 0xFFFF)
        return 0;
    return word > 40000 ? int(word) - 65536 : int(word);
}

QString tenthsText(int tenths)
{
    const int magnitude = std::abs(tenths);
    return QStringLiteral("%1%2.%3")
        .arg(tenths < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 10, 2, 10, QLatin1Char('0'))
        .arg(magnitude % 10);
}

QString refusedBoxMessage(const QString &caption, const QString &text, long long lo, long long hi,
                          Rounding rounding)
{
    const QString what = rounding == Rounding::WholeOnly ? QCoreApplication::translate("convert", "整数") : QCoreApplication::translate("convert", "数值");
    // One arg() call: a "%3" typed into the box must stay as it is.
    return QCoreApplication::translate("convert", "“%1”中的“%2”不是 %3 到 %4 之间的%5，命令未发送。")
        .arg(caption, text, QString::number(lo), QString::number(hi), what);
}

QString roundingNote(const QString &text, long long value)
{
    const QString t = text.trimmed();
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!ok || d == double(value))
        return QString();
    return QCoreApplication::translate("convert", "“%1”已取整为 %2").arg(t, QString::number(value));
}

} // namespace convert
