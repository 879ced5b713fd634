#include "core/records/record.h"

namespace records {

namespace {
int byteAt(const QByteArray &data, int i) { return uint8_t(data[i]); }

// Two upper-case hex digits: a BCD byte shows its decimal digits.
QString digits(int b)
{
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

// The five time bytes as numbers (year, month, day, hour, minute); false when one is no BCD.
bool timeFields(const QByteArray &data, int (&f)[5])
{
    for (int i = 0; i < 5; ++i) {
        const int b = byteAt(data, i + 1);
        if ((b >> 4) > 9 || (b & 0x0F) > 9)
            return false;
        f[i] = (b >> 4) * 10 + (b & 0x0F);
    }
    return true;
}

// "00.00": at least two integer digits and exactly two decimals of hundredths.
QString hundredths(int v)
{
    return QStringLiteral("%1.%2").arg(v / 100, 2, 10, QLatin1Char('0')).arg(v % 100, 2, 10, QLatin1Char('0'));
}
} // namespace

int Record::word(int i) const
{
    if (i < 0 || i >= wordCount())
        return 0;
    return byteAt(data, 6 + 2 * i) * 256 + byteAt(data, 7 + 2 * i);
}

int Record::tenths(int i) const { return signedTenths(word(i)); }

std::optional<int> Record::value(int i) const
{
    const int w = word(i);
    if (w == NoValue9999 || w == NoValue8888)
        return std::nullopt;
    return signedTenths(w);
}

QString Record::timeText() const
{
    if (!hasTime())
        return QString();
    return QStringLiteral("20%1-%2-%3 %4:%5")
        .arg(digits(byteAt(data, 1)), digits(byteAt(data, 2)), digits(byteAt(data, 3)), digits(byteAt(data, 4)),
             digits(byteAt(data, 5)));
}

std::optional<QDateTime> Record::clockTime() const
{
    int f[5];
    if (!hasTime() || !timeFields(data, f))
        return std::nullopt;
    const QDate d(2000 + f[0], f[1], f[2]);
    const QTime t(f[3], f[4]);
    if (!d.isValid() || !t.isValid())
        return std::nullopt;
    return QDateTime(d, t, Qt::UTC);
}

std::optional<QDateTime> Record::time() const
{
    const auto clock = clockTime();
    return clock ? std::optional(QDateTime(clock->date(), clock->time())) : std::nullopt;
}

bool isRecordData(const QByteArray &data, int sensors)
{
    if (sensors < 1 || data.size() != 2 * qsizetype(sensors) + 6 || uint8_t(data[0]) != 0x5B)
        return false;
    int f[5];
    if (!timeFields(data, f))
        return false;
    return f[1] >= 1 && f[1] <= 12 && f[2] >= 1 && f[2] <= 31 && f[3] <= 23 && f[4] <= 59;
}

bool recordTimeBefore(const QByteArray &a, const QByteArray &b)
{
    return a.mid(1, 5) < b.mid(1, 5);
}

QList<Record> numbered(const QList<QByteArray> &data, int first)
{
    QList<Record> out;
    out.reserve(data.size());
    for (const QByteArray &d : data)
        out.append({first++, d});
    return out;
}

QString decodedLine(const Record &r, int sensors)
{
    if (sensors < 0 || !r.hasTime() || r.wordCount() < sensors)
        return QString();
    const QString t = r.timeText();  // "2018-04-27 03:21"
    QString line = t.mid(2) + QStringLiteral("  ");
    for (int j = 0; j < sensors; ++j) {
        const int v = r.word(j);
        line += hundredths(v == NoValue9999 || v == NoValue8888 ? 0 : v) + QLatin1Char(' ');
    }
    // Eight further words follow the sensors in some memories; shown only when all are there.
    if (r.wordCount() >= sensors + 8) {
        for (int j = sensors; j < sensors + 8; ++j) {
            const int v = r.word(j);
            line += hundredths(v == NoValue9999 ? 0 : v) + QLatin1Char(' ');
        }
    }
    return line + QStringLiteral("\r\n");
}

} // namespace records
