#include "core/export/exportformats.h"
#include "core/link/convert.h"
#include <QCoreApplication>

namespace exports {

using records::ParsedRecord;

namespace {
// A CSV field as RFC 4180 wants it: quoted when it holds a comma, a quote or a line break, its quotes
// doubled. Only a time text that is no date can hold one; the rest is digits.
QByteArray csvField(const QByteArray &text)
{
    if (!text.contains(',') && !text.contains('"') && !text.contains('\r') && !text.contains('\n'))
        return text;
    return '"' + QByteArray(text).replace('"', "\"\"") + '"';
}

// The records within the bound, in order.
template <typename F>
void forEachInBound(const QVector<ParsedRecord> &recs, int bound, F &&f)
{
    for (const ParsedRecord &r : recs) {
        if (bound > 0 && r.position > bound)
            break;
        f(r);
    }
}
} // namespace

QByteArray textFile(const QVector<ParsedRecord> &recs, int bound)
{
    QByteArray out;
    out.reserve(recs.size() * 140);
    forEachInBound(recs, bound, [&](const ParsedRecord &r) {
        if (!r.readable)
            return;
        out += r.timeText.toLatin1();
        out += ' ';
        for (int v : r.tenths) {
            out += convert::tenthsText(v).toLatin1();
            out += ' ';
        }
        out += '@';
        out += QByteArray::number(r.position);
        out += "\r\n";
    });
    return out;
}

QByteArray csvFile(const QVector<ParsedRecord> &recs, int bound, int channels, const QStringList &names)
{
    QByteArray out = "time";
    for (int c = 1; c <= channels; ++c) {
        const QString name = names.value(c - 1);
        out += ',' + csvField("ch" + QByteArray::number(c) + (name.isEmpty() ? QByteArray() : ' ' + name.toUtf8()));
    }
    out += "\r\n";
    forEachInBound(recs, bound, [&](const ParsedRecord &r) {
        if (!r.readable)
            return;
        const auto t = r.time();
        // A time that is no valid date keeps its text, so nothing is lost.
        out += t ? t->toString(QStringLiteral("yyyy-MM-ddTHH:mm")).toLatin1() : csvField(r.timeText.trimmed().toUtf8());
        for (int c = 0; c < channels; ++c) {
            out += ',';
            if (c < r.tenths.size()) {
                const int v = r.tenths[c];
                out += (v < 0 ? "-" : "") + QByteArray::number(std::abs(v) / 10) + '.' + QByteArray::number(std::abs(v) % 10);
            }
        }
        out += "\r\n";
    });
    return out;
}

xls::Sheet workbookSheet(const QVector<ParsedRecord> &recs, int bound, int channels)
{
    xls::Sheet sheet;
    sheet.reserve((recs.size() + 2) * (channels + 1));
    sheet.setText(0, 0, QStringLiteral("传感器序列号"));  // the serial numbers beside it are not known
    sheet.setText(1, 0, QStringLiteral("日期"));
    for (int c = 0; c < channels; ++c)
        sheet.setText(1, c + 1, QStringLiteral("%1#传感器").arg(c + 1));
    forEachInBound(recs, bound, [&](const ParsedRecord &r) {
        if (!r.readable)
            return;
        const int row = r.position + 1;
        sheet.setText(row, 0, r.timeText);
        for (int j = 0; j < r.tenths.size() && j < channels; ++j)
            sheet.setNumber(row, j + 1, r.tenths[j] / 10.0);
    });
    return sheet;
}

QStringList problems(const QVector<ParsedRecord> &recs, int bound)
{
    QStringList out;
    int unreadable = 0;
    forEachInBound(recs, bound, [&](const ParsedRecord &r) {
        if (r.readable)
            return;
        if (++unreadable <= 20)
            out << QCoreApplication::translate("exports", "第 %1 条记录无法解析：%2").arg(r.position).arg(r.problem);
    });
    if (unreadable > 20)
        out << QCoreApplication::translate("exports", "……共 %1 条记录无法解析").arg(unreadable);
    return out;
}

} // namespace exports
