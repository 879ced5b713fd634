#include "core/config/clockfields.h"
#include "core/link/convert.h"
#include <QCoreApplication>

namespace clockfields {

namespace {
QString shown(const char *text) { return QCoreApplication::translate("clockfields", text); }

std::array<Field, BoxCount> build()
{
    // Read reply: 3 minute, 4 second, 5 day, 6 hour, 7 weekday, 8 month, 9 century, 10 year.
    return {{
        {shown(QT_TRANSLATE_NOOP("clockfields", "秒")), 0, 59, 4},
        {shown(QT_TRANSLATE_NOOP("clockfields", "分")), 0, 59, 3},
        {shown(QT_TRANSLATE_NOOP("clockfields", "时")), 0, 23, 6},
        {shown(QT_TRANSLATE_NOOP("clockfields", "星期")), 1, 7, 7},
        {shown(QT_TRANSLATE_NOOP("clockfields", "日")), 1, 31, 5},
        {shown(QT_TRANSLATE_NOOP("clockfields", "月")), 1, 12, 8},
        {shown(QT_TRANSLATE_NOOP("clockfields", "年")), 0, 99, 10},
    }};
}
} // namespace

const std::array<Field, BoxCount> &fields()
{
    // Built again in place when the window's language has changed: references into it stay valid.
    static std::array<Field, BoxCount> table = build();
    if (table[0].caption != shown("秒"))
        table = build();
    return table;
}

std::array<QString, BoxCount> boxTexts(const QDateTime &time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    return {QString::number(t.second()), QString::number(t.minute()), QString::number(t.hour()),
            QString::number(d.dayOfWeek() % 7 + 1),  // Qt counts Monday 1 … Sunday 7
            QString::number(d.day()), QString::number(d.month()), QString::number(d.year() - 2000)};
}

std::optional<uint8_t> toBcd(const QString &text, int lo, int hi)
{
    const auto v = convert::toWhole(text, lo, hi, convert::Rounding::WholeOnly);
    if (!v || *v < 0 || *v > 99)
        return std::nullopt;
    return uint8_t(((*v / 10) << 4) | (*v % 10));
}

std::array<RegisterWrite, 4> setWrites(const std::array<uint8_t, BoxCount> &bcd)
{
    const auto word = [](uint8_t high, uint8_t low) { return uint16_t((high << 8) | low); };
    return {{
        {uint16_t(WriteRegister + 3), word(Century, bcd[6])},
        {uint16_t(WriteRegister + 2), word(bcd[3], bcd[5])},
        {uint16_t(WriteRegister + 1), word(bcd[4], bcd[2])},
        {WriteRegister, word(bcd[1], bcd[0])},
    }};
}

std::array<std::optional<QString>, BoxCount> readTexts(const QByteArray &reply)
{
    std::array<std::optional<QString>, BoxCount> out;
    for (int i = 0; i < BoxCount; ++i) {
        const int at = fields()[i].replyByte;
        if (at < reply.size() - 2)  // not the CRC
            out[i] = QString::number(uint8_t(reply[at]), 16).toUpper();
    }
    return out;
}

} // namespace clockfields
