#include "core/settings/language.h"
#include "core/files/safefile.h"
#include <QCoreApplication>
#include <QDir>

namespace language {

namespace {
const QString FileName = QStringLiteral("language.set");
}

std::optional<Language> parse(const QString &code)
{
    const QString c = code.trimmed().toLower();
    if (c == QLatin1String("zh"))
        return Language::Chinese;
    if (c == QLatin1String("en"))
        return Language::English;
    return std::nullopt;
}

QString code(Language language)
{
    return language == Language::English ? QStringLiteral("en") : QStringLiteral("zh");
}

Choice choose(const QString &option, const std::optional<QString> &saved, const QString &localeName)
{
    Choice choice;
    if (!option.isNull()) {
        if (const auto l = parse(option)) {
            choice.language = *l;
            return choice;
        }
        choice.problem = QCoreApplication::translate("language", "--lang %1 不是可用的语言（可用 zh 或 en）")
                             .arg(safefile::shown(option));
    }
    if (saved) {
        if (const auto l = parse(*saved)) {
            choice.language = *l;
            return choice;
        }
        if (choice.problem.isEmpty())
            choice.problem = QCoreApplication::translate("language", "%1 中的“%2”不是可用的语言（可用 zh 或 en）")
                                 .arg(FileName, safefile::shown(saved->trimmed()));
    }
    // Only an explicitly English locale: C, POSIX and every other language keep the source texts.
    const QString locale = localeName.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    if (locale == QLatin1String("en") || locale.startsWith(QLatin1String("en_")))
        choice.language = Language::English;
    return choice;
}

std::optional<QString> readSaved(const QString &appDir, QString *problem)
{
    std::optional<QString> saved;
    // Trimmed: the line end an editor adds is no part of it.
    safefile::load(QDir(appDir).filePath(FileName), 64, [&](const QByteArray &bytes) { saved = QString::fromUtf8(bytes).trimmed(); },
                   [&](const QString &reason) {
                       if (problem)
                           *problem = QCoreApplication::translate("language", "%1 无法使用：%2").arg(FileName, reason);
                   });
    return saved;
}

bool save(const QString &appDir, Language language, QString *error)
{
    return safefile::writeWhole(QDir(appDir).filePath(FileName), (code(language) + QLatin1Char('\n')).toUtf8(), error);
}

} // namespace language
