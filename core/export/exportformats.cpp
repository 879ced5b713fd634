#include "core/export/exportformats.h"
#include "core/archive/recordstore.h"
#include "core/link/convert.h"
#include <algorithm>
#include <limits>

namespace exports {

using records::Record;

namespace {
// A CSV field as RFC 4180 wants it: quoted when it holds a comma, a quote or a line break, its quotes
// doubled. In a file of records only a sensor's name can hold one; the rest is digits.
QByteArray csvField(const QByteArray &text)
{
    if (!text.contains(',') && !text.contains('"') && !text.contains('\r') && !text.contains('\n'))
        return text;
    return '"' + QByteArray(text).replace('"', "\"\"") + '"';
}

constexpr int MaxChannels = 20;

int valuesOf(const Record &r, int channels) { return std::min({r.wordCount(), channels, MaxChannels}); }

// The records within the bound that write a line, with their places.
template <typename F>
void forEachWritten(const QList<Record> &recs, int bound, F &&f)
{
    for (qsizetype i = 0; i < recs.size() && (bound <= 0 || i < bound); ++i)
        if (recs[i].hasTime())
            f(int(i) + 1, recs[i]);
}
} // namespace

QByteArray textFile(const QList<Record> &recs, int bound)
{
    QByteArray out;
    out.reserve(recs.size() * 140);
    forEachWritten(recs, bound, [&](int place, const Record &r) {
        out += r.timeText().toLatin1();
        out += "  ";
        for (int j = 0, n = valuesOf(r, MaxChannels); j < n; ++j) {
            out += convert::tenthsText(r.tenths(j)).toLatin1();
            out += ' ';
        }
        out += '@';
        out += QByteArray::number(place);
        out += "\r\n";
    });
    return out;
}

QByteArray csvFile(const QList<Record> &recs, int bound, int channels, const QStringList &names)
{
    // Names in the heading: a byte-order mark first, so a spreadsheet reads them as UTF-8.
    const bool named = std::any_of(names.cbegin(), names.cbegin() + std::min<qsizetype>(channels, names.size()),
                                   [](const QString &n) { return !n.isEmpty(); });
    QByteArray out = named ? "\xEF\xBB\xBFtime" : "time";
    for (int c = 1; c <= channels; ++c) {
        const QString name = names.value(c - 1);
        out += ',' + csvField("ch" + QByteArray::number(c) + (name.isEmpty() ? QByteArray() : ' ' + name.toUtf8()));
    }
    out += "\r\n";
    forEachWritten(recs, bound, [&](int, const Record &r) {
        const auto t = r.time();
        // A time that is no valid date keeps its digits, so nothing is lost.
        out += t ? t->toString(QStringLiteral("yyyy-MM-ddTHH:mm")).toLatin1() : r.timeText().toLatin1();
        const int n = valuesOf(r, channels);
        for (int c = 0; c < channels; ++c) {
            out += ',';
            if (c < n) {
                const int v = r.tenths(c);
                out += (v < 0 ? "-" : "") + QByteArray::number(std::abs(v) / 10) + '.' + QByteArray::number(std::abs(v) % 10);
            }
        }
        out += "\r\n";
    });
    return out;
}

QByteArray auditCsv(const QList<archive::AuditRow> &rows)
{
    QByteArray out = "\xEF\xBB\xBF" + QStringLiteral("时间,用户,程序,记录仪,类别,原值,新值\r\n").toUtf8();
    for (const archive::AuditRow &r : rows) {
        const QString time = r.at.toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
        QByteArrayList fields;
        for (const QString &field : {time, r.user, r.program, r.recorder, r.kind, r.oldValue, r.newValue})
            fields << csvField(field.toUtf8());
        out += fields.join(',') + "\r\n";
    }
    return out;
}

xls::Sheet workbookSheet(const QList<Record> &recs, int bound, int channels, const QString &sheetName)
{
    xls::Sheet sheet(sheetName);
    sheet.reserve((recs.size() + 2) * (channels + 1));
    sheet.setText(0, 0, QStringLiteral("传感器序列号"));  // the serial numbers beside it are not known
    sheet.setText(1, 0, QStringLiteral("日期"));
    for (int c = 0; c < channels; ++c)
        sheet.setText(1, c + 1, QStringLiteral("%1#传感器").arg(c + 1));
    forEachWritten(recs, bound, [&](int place, const Record &r) {
        const int row = place + 1;
        if (const auto t = r.time())
            sheet.setDateTime(row, 0, *t);
        else
            sheet.setText(row, 0, r.timeText());  // its digits, so nothing is lost
        for (int j = 0, n = valuesOf(r, channels); j < n; ++j)
            sheet.setNumber(row, j + 1, r.tenths(j) / 10.0);
    });
    return sheet;
}

int lastWritten(const QList<Record> &recs, int bound)
{
    int last = 0;
    forEachWritten(recs, bound, [&](int place, const Record &) { last = place; });
    return last;
}

QString progressLine(const Record &r, bool twoDecimals)
{
    QString line = r.timeText() + QStringLiteral("  ");
    for (int j = 0, n = valuesOf(r, MaxChannels); j < n; ++j)
        line += (twoDecimals ? formatTenthsTwoDecimals(r.tenths(j)) : convert::tenthsText(r.tenths(j))) + QLatin1Char(' ');
    return line;
}

QString formatTenthsTwoDecimals(int tenths)
{
    return convert::tenthsText(tenths) + QLatin1Char('0');
}

std::optional<int> recordBound(const QString &countText)
{
    // Read as every number box is read: plain decimal notation only, no exponent, no hex.
    constexpr long long Far = 1LL << 53;
    const auto n = convert::toWhole(countText, -Far, Far, convert::Rounding::Floor);
    if (!n)
        return std::nullopt;
    return int(std::clamp<long long>(*n, 0, std::numeric_limits<int>::max()));
}

} // namespace exports
