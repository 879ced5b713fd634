#include "core/settings/keyvaluelines.h"
#include "core/settings/sensortable.h"
#include "core/files/safefile.h"
#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>

namespace settings {

namespace {
QString tr(const char *text) { return QCoreApplication::translate("settings", text); }

// One "key=value" text into a line: the key in lower case, or why there is none.
KeyValueLine split(const QString &text, int number)
{
    KeyValueLine line{number, {}, {}, {}};
    if (!text.contains(QLatin1Char('='))) {
        line.why = tr("应为“名称=值”");
    } else {
        line.key = text.section(QLatin1Char('='), 0, 0).trimmed().toLower();
        line.value = text.section(QLatin1Char('='), 1).trimmed();
    }
    return line;
}
} // namespace

QList<KeyValueLine> keyValueLines(const QByteArray &content)
{
    QList<QByteArray> lines = content.split('\n');
    if (!lines.isEmpty() && lines.first().startsWith("\xEF\xBB\xBF"))
        lines.first().remove(0, 3);  // the byte-order mark some editors write
    QList<KeyValueLine> out;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = QString(utf8(lines[i])).trimmed();
        if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
            continue;
        if (utf8.hasError())
            out.append(KeyValueLine{int(i + 1), {}, {}, tr("不是 UTF-8 文字")});
        else
            out.append(split(text, int(i + 1)));
    }
    return out;
}

QList<KeyValueLine> fieldsOf(const QString &text, int lineNumber)
{
    QList<KeyValueLine> out;
    for (const QString &field : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        out.append(split(field, lineNumber));
    return out;
}

QString Refusal::text() const
{
    if (key.isEmpty())
        return QCoreApplication::translate("settings", "第 %1 行：%2").arg(line).arg(why);
    // Keys are shown, values never.
    return QCoreApplication::translate("settings", "第 %1 行（%2=）：%3").arg(line).arg(safefile::shown(key), why);
}

QStringList refusalTexts(const QList<Refusal> &refusals)
{
    QStringList out;
    for (const Refusal &r : refusals)
        out << r.text();
    return out;
}

QString unknownKey() { return tr("不认识的设置"); }
QString setTwice() { return tr("前面已经设置过"); }
QString noValue() { return tr("没有值"); }
QString notWhole(qint64 lo, qint64 hi) { return tr("应为 %1–%2 的整数").arg(lo).arg(hi); }

QString notTenths(int lo, int hi)
{
    return tr("应为 %1–%2、最多一位小数的数").arg(sensors::limitText(lo), sensors::limitText(hi));
}

std::optional<qint64> wholeNumber(const QString &text, qint64 lo, qint64 hi)
{
    static const QRegularExpression whole(QStringLiteral("^[+-]?\\d{1,18}$"));
    if (!whole.match(text).hasMatch())
        return std::nullopt;
    const qint64 n = text.toLongLong();
    return n >= lo && n <= hi ? std::optional<qint64>(n) : std::nullopt;
}

std::optional<int> tenthsNumber(const QString &text, int lo, int hi)
{
    const auto n = sensors::parseLimit(text);  // written as a limit is
    return n && *n >= lo && *n <= hi ? n : std::nullopt;
}

QList<Refusal> readLines(const QList<KeyValueLine> &lines, const std::vector<QString> &names,
                         const std::vector<bool> &repeatable, const ReadRules &rules,
                         const std::function<QString(std::size_t, const QString &)> &set, QStringList *seen)
{
    QList<Refusal> refused;
    QStringList met;
    for (const KeyValueLine &line : lines) {
        const auto found = std::find(names.begin(), names.end(), line.key);
        const std::size_t row = std::size_t(found - names.begin());
        QString why = line.why;
        if (!why.isEmpty())
            ;
        else if (found == names.end())
            why = unknownKey();
        else if (!repeatable[row] && met.contains(line.key))
            why = setTwice();
        else if (rules.valueRequired && line.value.isEmpty())
            why = noValue();
        else
            why = set(row, line.value);
        if (!line.key.isEmpty())
            met << line.key;
        if (!why.isEmpty())
            refused.append(Refusal{line.number, line.key, why});
    }
    if (seen)
        *seen << met;
    return refused;
}

} // namespace settings
