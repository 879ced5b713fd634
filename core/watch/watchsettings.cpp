#include "core/watch/watchsettings.h"
#include "core/files/safefile.h"
#include "core/site/parse.h"
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

namespace watch {
namespace {
QString tr(const char *text) { return QCoreApplication::translate("watch", text); }

std::optional<int> number(const QString &text, int low, int high)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && n >= low && n <= high ? std::optional<int>(n) : std::nullopt;
}
} // namespace

WatchSettings parseWatchSettings(const QByteArray &content, QString *problem)
{
    WatchSettings settings;
    QStringList refused;
    const QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString text = lines[i].trimmed();
        if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
            continue;
        QString why;
        if (text.startsWith(QLatin1String("records-at="))) {
            const QTime at = QTime::fromString(text.mid(11).trimmed(), QStringLiteral("H:mm"));
            if (at.isValid())
                settings.recordsAt = at;
            else
                why = tr("“%1”不是时间（如 02:30）").arg(text.mid(11).trimmed());
        } else if (text.startsWith(QLatin1String("line="))) {
            std::optional<WatchedLine> line;
            bool addressed = false;
            for (const QString &field : text.split(QRegularExpression(QStringLiteral("\\s+")))) {
                const qsizetype eq = field.indexOf(QLatin1Char('='));
                const QString key = field.left(eq), value = field.mid(eq + 1);
                if (key == u"line") {
                    if (const auto port = site::parsePort(value, &why))
                        line = watchedLine(*port);
                } else if (line && key == u"addresses") {
                    const auto a = site::parseAddresses(value, &why);
                    line->addresses = a.value_or(QList<uint8_t>{});
                    addressed = a.has_value();
                } else if (line && key == u"poll-s") {
                    const auto s = number(value, 1, 86400);
                    line->pollS = s.value_or(0);
                    if (!s)
                        why = tr("poll-s=%1 不是 1 到 86400 秒").arg(value);
                } else if (line && key == u"baud") {
                    line->baud = site::parseBaud(value, &why);
                    if (!line->baud)
                        why = QStringLiteral("baud=") + why;
                } else if (line) {
                    why = tr("不认识“%1”").arg(field);
                }
                if (!why.isEmpty())
                    break;
            }
            if (why.isEmpty() && !addressed)
                why = tr("没有 addresses=");
            if (why.isEmpty())
                settings.lines.append(*line);
        } else {
            why = tr("不认识“%1”").arg(text);
        }
        if (!why.isEmpty())
            refused << tr("第 %1 行：%2").arg(i + 1).arg(why);
    }
    if (!refused.isEmpty())
        *problem = tr("监视设置文件 %1 有 %2 行无法使用，已略去（%3）")
                       .arg(watchSettingsFileName()).arg(refused.size()).arg(refused.join(tr("；")));
    return settings;
}

WatchSettings loadWatchSettings(const QString &appDir, QString *problem)
{
    WatchSettings settings;
    safefile::load(QDir(appDir).filePath(watchSettingsFileName()), 64 * 1024,
                   [&](const QByteArray &content) { settings = parseWatchSettings(content, problem); },
                   [&](const QString &why) { *problem = tr("监视设置文件 %1 %2，未读取").arg(watchSettingsFileName(), why); });
    return settings;
}

} // namespace watch
