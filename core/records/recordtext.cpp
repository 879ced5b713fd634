#include "core/records/recordtext.h"
#include "core/link/hex.h"
#include <QCoreApplication>
#include <algorithm>

namespace records {

namespace {
const QString kMarker = QStringLiteral("5B");

// A token's byte; nothing for a token that is not one or two hex digits. A longer token can only
// come from a line break inside the text ("0D" of CR) and is read without it.
std::optional<char> byteOf(QString token)
{
    if (token.size() > 2)
        token.remove(QStringLiteral("0D"));
    bool ok = false;
    const int v = token.toInt(&ok, 16);
    if (!ok || token.isEmpty() || token.size() > 2 || v < 0)
        return std::nullopt;
    return char(v);
}

// The record of the tokens after a marker, or why there is none.
QString decode(const QStringList &tokens, int sensors, QByteArray &data)
{
    if (std::any_of(tokens.begin(), tokens.end(), [](const QString &t) { return t.contains(QStringLiteral("0D0A")); }))
        return QCoreApplication::translate("records", "含有换行符 0D0A");
    // The time and two values at least (one when a record holds only one).
    if (tokens.size() < 5 + 2 * std::clamp(sensors, 0, 2))
        return QCoreApplication::translate("records", "只有 %1 个字节，不足一条记录").arg(tokens.size());
    data.reserve(tokens.size() + 1);
    data.append(char(0x5B));
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const auto b = byteOf(tokens[i]);
        if (!b) {
            data.clear();
            return QCoreApplication::translate("records", "第 %1 个字节“%2”不是十六进制数").arg(i + 2).arg(tokens[i]);
        }
        data.append(*b);
    }
    return QString();
}
} // namespace

QString recordsText(const QList<Record> &records)
{
    qsizetype size = 0;
    for (const Record &r : records)
        size += r.data.size() * 3;
    QString text;
    text.reserve(size);
    for (const Record &r : records)
        text += hexText(r.data);
    return text;
}

RecordText readRecordText(QStringView text, int sensors)
{
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
    RecordText out;
    out.records.reserve(tokens.size() / length + 1);
    qsizetype pos = tokens.indexOf(kMarker);
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
        Record r{int(out.records.size()) + 1, {}};
        const QString problem = decode(tokens.mid(pos + 1, end - pos - 1), sensors, r.data);
        if (!problem.isEmpty())
            out.unreadable.append({r.position, problem});
        out.records.append(std::move(r));
        pos = startsRecord(end) ? end : tokens.indexOf(kMarker, end);
    }
    return out;
}

QStringList unreadableMessages(const RecordText &text, int bound)
{
    QStringList out;
    int unreadable = 0;
    for (const auto &[place, why] : text.unreadable) {
        if (bound > 0 && place > bound)
            break;
        if (++unreadable <= 20)
            out << QCoreApplication::translate("exports", "第 %1 条记录无法解析：%2").arg(place).arg(why);
    }
    if (unreadable > 20)
        out << QCoreApplication::translate("exports", "……共 %1 条记录无法解析").arg(unreadable);
    return out;
}

} // namespace records
