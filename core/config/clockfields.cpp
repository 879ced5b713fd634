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

namespace {
// A BCD byte's value, when it is one within lo … hi.
std::optional<int> bcdValue(uint8_t b, int lo, int hi)
{
    const int v = (b >> 4) * 10 + (b & 0x0F);
    if ((b >> 4) > 9 || (b & 0x0F) > 9 || v < lo || v > hi)
        return std::nullopt;
    return v;
}

// The fields of a write-block word: its high and low byte, each within its range.
std::optional<std::pair<int, int>> wordFields(uint16_t reg, uint16_t word)
{
    static const int ranges[4][4] = {{0, 59, 0, 59}, {1, 31, 0, 23}, {1, 7, 1, 12}, {0, 99, 0, 99}};
    if (reg < WriteRegister || reg > WriteRegister + 3)
        return std::nullopt;
    const int *r = ranges[reg - WriteRegister];
    const auto high = bcdValue(uint8_t(word >> 8), r[0], r[1]), low = bcdValue(uint8_t(word & 0xFF), r[2], r[3]);
    return high && low ? std::optional<std::pair<int, int>>({*high, *low}) : std::nullopt;
}
} // namespace

std::optional<QString> writeWordText(uint16_t reg, uint16_t word)
{
    static const char *const weekdays[] = {
        QT_TRANSLATE_NOOP("clockfields", "星期日"), QT_TRANSLATE_NOOP("clockfields", "星期一"), QT_TRANSLATE_NOOP("clockfields", "星期二"),
        QT_TRANSLATE_NOOP("clockfields", "星期三"), QT_TRANSLATE_NOOP("clockfields", "星期四"), QT_TRANSLATE_NOOP("clockfields", "星期五"),
        QT_TRANSLATE_NOOP("clockfields", "星期六")};
    const auto f = wordFields(reg, word);
    if (!f)
        return std::nullopt;
    const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    switch (reg - WriteRegister) {
    case 0: return shown(QT_TRANSLATE_NOOP("clockfields", "%1分%2秒")).arg(two(f->first), two(f->second));
    case 1: return shown(QT_TRANSLATE_NOOP("clockfields", "%1日%2时")).arg(f->first).arg(f->second);
    case 2: return shown(QT_TRANSLATE_NOOP("clockfields", "%1月，%2")).arg(f->second).arg(shown(weekdays[f->first - 1]));
    default: return shown(QT_TRANSLATE_NOOP("clockfields", "%1年")).arg(f->first * 100 + f->second);
    }
}

std::optional<QDateTime> writeWordsTime(const std::array<uint16_t, 4> &words)
{
    std::array<std::pair<int, int>, 4> f;
    for (int k = 0; k < 4; ++k) {
        const auto fields = wordFields(uint16_t(WriteRegister + k), words[k]);
        if (!fields)
            return std::nullopt;
        f[k] = *fields;
    }
    const QDate date(f[3].first * 100 + f[3].second, f[2].second, f[1].first);
    const QTime time(f[1].second, f[0].first, f[0].second);
    return date.isValid() && time.isValid() ? std::optional<QDateTime>(QDateTime(date, time)) : std::nullopt;
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
