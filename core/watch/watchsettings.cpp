#include "core/watch/watchsettings.h"
#include "core/files/safefile.h"
#include "core/site/parse.h"
#include <QCoreApplication>
#include <QDir>
#include "core/settings/keyvaluelines.h"
#include <algorithm>

namespace watch {
namespace {
QString tr(const char *text) { return QCoreApplication::translate("watch", text); }

// The fields of one line= line; the first is the line itself.
const std::vector<settings::Key<WatchedLine>> &lineKeys()
{
    using Key = settings::Key<WatchedLine>;
    static const std::vector<Key> table{
        Key{"line", [](WatchedLine &w, const QString &v) {
                QString why;
                if (const auto port = site::parsePort(v, &why))
                    w = watchedLine(*port);
                return why;
            }},
        Key{"addresses", [](WatchedLine &w, const QString &v) {
                QString why;
                w.addresses = site::parseAddresses(v, &why).value_or(QList<uint8_t>{});
                return why;
            }},
        settings::wholeKey("poll-s", &WatchedLine::pollS, 1, 86400),
        Key{"baud", [](WatchedLine &w, const QString &v) {
                QString why;
                w.baud = site::parseBaud(v, &why);
                return why;
            }},
    };
    return table;
}

const std::vector<settings::Key<SirenSettings>> &sirenKeys()
{
    using Key = settings::Key<SirenSettings>;
    static const std::vector<Key> table{
        Key{"siren", [](SirenSettings &w, const QString &v) {
                QString why;
                if (const auto port = site::parsePort(v, &why)) {
                    w.port = port->name;
                    w.com = port->com;
                }
                return why;
            }},
        settings::wholeKey("address", &SirenSettings::address, 1, 247),
        settings::wholeKey("coil", &SirenSettings::coil, 0, 65535),
        Key{"on", [](SirenSettings &w, const QString &v) {
                bool ok = false;
                const uint value = v.toUInt(&ok, 16);
                if (!ok || v.size() != 4 || value == 0)
                    return tr("应为四位十六进制数（如 FF00），不能是 0000");
                w.onValue = uint16_t(value);
                return QString();
            }},
    };
    return table;
}

// The keys of the file; a line= line is read field by field (readLine), its row here only admits it.
const std::vector<settings::Key<WatchSettings>> &keys()
{
    using Key = settings::Key<WatchSettings>;
    static const std::vector<Key> table{
        Key{"line", [](WatchSettings &, const QString &) { return QString(); }, true},
        Key{"records-at", [](WatchSettings &s, const QString &v) {
                const QTime at = QTime::fromString(v, QStringLiteral("H:mm"));
                if (at.isValid())
                    s.recordsAt = at;
                return at.isValid() ? QString() : tr("“%1”不是时间（如 02:30）").arg(safefile::shown(v));
            }},
        Key{"siren", [](WatchSettings &, const QString &) { return QString(); }},
        Key{"ups", [](WatchSettings &s, const QString &v) {
                QString why;
                s.ups = parseUpsName(v, &why);
                return why;
            }},
    };
    return table;
}

// A line whose value is a thing with fields (line=, siren=): the thing, or the first refusal of its
// fields or of a field it needs.
template <typename S>
std::optional<settings::Refusal> readFields(const settings::KeyValueLine &line, const std::vector<settings::Key<S>> &keys,
                                            const QStringList &needed, const QString &missing, S &into)
{
    QStringList seen;
    const QList<settings::Refusal> refused = settings::readKeyValues(
        settings::fieldsOf(line.key + QLatin1Char('=') + line.value, line.number), keys, into, {}, &seen);
    if (!refused.isEmpty())
        return refused.first();
    if (std::any_of(needed.begin(), needed.end(), [&](const QString &k) { return !seen.contains(k); }))
        return settings::Refusal{line.number, {}, missing};
    return std::nullopt;
}

std::optional<settings::Refusal> readLine(const settings::KeyValueLine &line, WatchSettings &file)
{
    WatchedLine watched;
    const auto refused = readFields(line, lineKeys(), {QStringLiteral("addresses")}, tr("没有 addresses="), watched);
    if (!refused)
        file.lines.append(watched);
    return refused;
}

std::optional<settings::Refusal> readSiren(const settings::KeyValueLine &line, WatchSettings &file)
{
    SirenSettings siren;
    const auto refused = readFields(line, sirenKeys(), {QStringLiteral("address"), QStringLiteral("coil")},
                                    tr("应写明 address= 和 coil="), siren);
    if (!refused)
        file.siren = siren;
    return refused;
}
} // namespace

WatchSettings parseWatchSettings(const QByteArray &content, QString *problem)
{
    WatchSettings file;
    const QList<settings::KeyValueLine> lines = settings::keyValueLines(content);
    QList<settings::Refusal> refused = settings::readKeyValues(lines, keys(), file);
    for (const settings::KeyValueLine &line : lines)
        if (line.key == u"line" || line.key == u"siren")
            if (const auto r = line.key == u"line" ? readLine(line, file) : readSiren(line, file))
                refused.append(*r);
    std::stable_sort(refused.begin(), refused.end(), [](const auto &a, const auto &b) { return a.line < b.line; });
    if (!refused.isEmpty())
        *problem = tr("监视设置文件 %1 有 %2 行无法使用，已略去（%3）")
                       .arg(watchSettingsFileName()).arg(refused.size()).arg(settings::refusalTexts(refused).join(tr("；")));
    return file;
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
