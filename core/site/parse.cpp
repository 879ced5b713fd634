#include "core/site/parse.h"
#include "core/link/line.h"
#include "core/settings/comports.h"
#include "core/settings/settingsfiles.h"
#include <QCoreApplication>
#include <QRegularExpression>
#include <QSet>

namespace site {
namespace {
QString tr(const char *text) { return QCoreApplication::translate("site", text); }
} // namespace

std::optional<int> comNumber(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(?:COM)?([0-9]{1,3})$"), QRegularExpression::CaseInsensitiveOption);
    const auto m = form.match(text.trimmed());
    const int n = m.hasMatch() ? m.captured(1).toInt() : 0;
    if (n < ComPorts::kFirst || n > ComPorts::kLast)
        return std::nullopt;
    return n;
}

std::optional<Port> parsePort(const QString &text, QString *why)
{
    const QString given = text.trimmed();
    if (const auto com = comNumber(given))
        return Port{QStringLiteral("COM%1").arg(*com), *com};
    if (given.startsWith(QLatin1Char('/')) || line::isNetwork(given))
        return Port{given, 0};
    *why = tr("“%1” 既不是 COM 编号（%2 到 %3）也不是设备路径（以 / 开头）或网络线路（rtu-over-tcp:// 或 tcp://）")
               .arg(text, QString::number(ComPorts::kFirst), QString::number(ComPorts::kLast));
    return std::nullopt;
}

std::optional<QList<uint8_t>> parseAddresses(const QString &text, QString *why)
{
    if (text.trimmed().isEmpty()) {
        *why = tr("没有设备地址");
        return std::nullopt;
    }
    const auto address = [&](const QString &t) -> std::optional<int> {
        bool ok = false;
        const int a = t.trimmed().toInt(&ok);
        if (ok && a >= kMinAddress && a <= kMaxAddress)
            return a;
        *why = tr("“%1” 不是 %2 到 %3 之间的地址").arg(t.trimmed(), QString::number(kMinAddress), QString::number(kMaxAddress));
        return std::nullopt;
    };
    QList<uint8_t> addresses;
    QSet<int> seen;
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.split(QLatin1Char('-'));
        if (ends.size() > 2) {
            *why = tr("“%1” 不是地址或地址范围（如 1-4）").arg(part.trimmed());
            return std::nullopt;
        }
        const auto lo = address(ends.first());
        const auto hi = lo && ends.size() == 2 ? address(ends.last()) : lo;
        if (!lo || !hi)
            return std::nullopt;
        if (*hi < *lo) {
            *why = tr("范围 “%1” 的起点大于终点").arg(part.trimmed());
            return std::nullopt;
        }
        for (int a = *lo; a <= *hi; ++a) {
            if (seen.contains(a)) {
                *why = tr("地址 %1 出现了两次").arg(a);
                return std::nullopt;
            }
            seen.insert(a);
            addresses << uint8_t(a);
        }
    }
    return addresses;
}

std::optional<int> parseBaud(const QString &text, QString *why)
{
    const auto rate = settings::baudRate(text);
    if (!rate)
        *why = tr("“%1” 不是 %2 到 %3 之间的波特率").arg(text, QString::number(settings::kMinBaud), QString::number(settings::kMaxBaud));
    return rate;
}

} // namespace site
