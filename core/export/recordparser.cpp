#include "core/export/recordparser.h"
#include "core/link/convert.h"
#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <limits>

namespace records {

namespace {
const QString kMarker = QStringLiteral("5B");

// A hex token's value; nothing for a token that is not hexadecimal.
std::optional<int> hexValue(QString token)
{
    // A token longer than two digits can only come from a line break inside the text ("0D" of CR).
    if (token.size() > 2)
        token.remove(QStringLiteral("0D"));
    bool ok = false;
    const int v = token.toInt(&ok, 16);
    if (!ok || token.isEmpty() || v < 0 || v > 0xFFFF)
        return std::nullopt;
    return v;
}

// "#00" of a time token: a decimal number gets at least two digits; anything else stays as it is.
QString twoDigits(const QString &token)
{
    bool ok = false;
    const int v = token.toInt(&ok, 10);
    if (!ok || v < 0)
        return token;
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

void decode(ParsedRecord &r, int sensors, int channels)
{
    const QStringList &b = r.tokens;
    if (std::any_of(b.begin(), b.end(), [](const QString &t) { return t.contains(QStringLiteral("0D0A")); })) {
        r.problem = QCoreApplication::translate("records", "含有换行符 0D0A");
        return;
    }
    // The time and two values at least (one when a record holds only one).
    if (b.size() < 5 + 2 * std::clamp(sensors, 0, 2)) {
        r.problem = QCoreApplication::translate("records", "只有 %1 个字节，不足一条记录").arg(b.size());
        return;
    }
    r.timeText = QStringLiteral("20") + twoDigits(b[0]) + QLatin1Char('-') + twoDigits(b[1]) + QLatin1Char('-')
        + twoDigits(b[2]) + QLatin1Char(' ') + twoDigits(b[3]) + QLatin1Char(':') + twoDigits(b[4]) + QLatin1Char(' ');
    for (int j = 0; j < channels && j < 20; ++j) {
        const int k = 2 * j + 5;
        if (k + 1 >= b.size())
            break;  // the record holds no more values
        const auto hi = hexValue(b[k]);
        const auto lo = hexValue(b[k + 1]);
        if (!hi || !lo) {
            r.problem = QCoreApplication::translate("records", "第 %1 通道的“%2 %3”不是十六进制数").arg(j + 1).arg(b[k], b[k + 1]);
            r.tenths.clear();
            return;
        }
        r.tenths.append(signedTenths(*hi * 256 + *lo));
    }
    r.readable = true;
}
} // namespace

std::optional<QDateTime> ParsedRecord::time() const
{
    if (tokens.size() < 5)
        return std::nullopt;
    int f[5];
    for (int i = 0; i < 5; ++i) {
        bool ok = false;
        f[i] = tokens[i].toInt(&ok, 10);
        if (!ok || tokens[i].size() > 2)
            return std::nullopt;
    }
    const QDate d(2000 + f[0], f[1], f[2]);
    const QTime t(f[3], f[4]);
    if (!d.isValid() || !t.isValid())
        return std::nullopt;
    return QDateTime(d, t);
}

QVector<ParsedRecord> parseRecords(QStringView text, int sensors, int channels)
{
    // Tokens are separated by blanks; line breaks (a text pasted back into the box) count as blanks.
    QStringList tokens;
    tokens.reserve(text.size() / 3 + 1);
    for (qsizetype i = 0, n = text.size(); i < n;) {
        while (i < n && text[i].isSpace())
            ++i;
        const qsizetype start = i;
        while (i < n && !text[i].isSpace())
            ++i;
        if (i > start)
            tokens.append(text.mid(start, i - start).toString());
    }

    const qsizetype length = 2 * qsizetype(std::max(sensors, 0)) + 6;  // marker included
    const auto startsRecord = [&](qsizetype i) { return i >= tokens.size() || tokens[i] == kMarker; };
    QVector<ParsedRecord> out;
    out.reserve(tokens.size() / length + 1);
    qsizetype pos = tokens.indexOf(kMarker);  // what comes before the first marker is no record
    while (pos >= 0 && pos < tokens.size()) {
        qsizetype end = std::min(pos + length, tokens.size());
        if (!startsRecord(end)) {
            // Out of step after a whole record's length: the record was cut short. It ends at the
            // first marker inside it from which the records run in step again.
            for (qsizetype q = pos + 1; q < end; ++q)
                if (tokens[q] == kMarker && startsRecord(q + length)) {
                    end = q;
                    break;
                }
        }
        ParsedRecord r;
        r.position = int(out.size()) + 1;
        r.tokens = tokens.mid(pos + 1, end - pos - 1);
        decode(r, sensors, channels);
        out.append(std::move(r));
        pos = startsRecord(end) ? end : tokens.indexOf(kMarker, end);
    }
    return out;
}

QString formatTenthsTwoDecimals(int tenths)
{
    return convert::tenthsText(tenths) + QLatin1Char('0');
}

std::optional<int> recordBound(const QString &txtRecord)
{
    // Read as every number box is read: plain decimal notation only, no exponent, no hex.
    constexpr long long Far = 1LL << 53;
    const auto n = convert::toWhole(txtRecord, -Far, Far, convert::Rounding::Floor);
    if (!n)
        return std::nullopt;
    return int(std::clamp<long long>(*n, 0, std::numeric_limits<int>::max()));
}

} // namespace records
