#include "core/settings/keyvaluelines.h"
#include <QCoreApplication>
#include <QStringDecoder>

namespace settings {

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
        KeyValueLine line{int(i + 1), {}, {}, {}};
        if (utf8.hasError()) {
            line.why = QCoreApplication::translate("settings", "不是 UTF-8 文字");
        } else if (!text.contains(QLatin1Char('='))) {
            line.why = QCoreApplication::translate("settings", "应为“名称=值”");
        } else {
            line.key = text.section(QLatin1Char('='), 0, 0).trimmed().toLower();
            line.value = text.section(QLatin1Char('='), 1).trimmed();
        }
        out.append(line);
    }
    return out;
}

} // namespace settings
