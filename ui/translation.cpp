#include "ui/translation.h"
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace translation {

namespace {
language::Language inUse = language::Language::Chinese;
}

language::Language current() { return inUse; }

namespace {
// Qt's own texts (its file, print and message dialogs' buttons) are English; the Chinese window
// installs Qt's Chinese translation of them from the system's Qt translations.
void applyQtOwn(language::Language language)
{
    static QTranslator *chinese = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        chinese = new QTranslator(QCoreApplication::instance());
        if (!chinese->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete chinese;
            chinese = nullptr;
        }
    }
    if (!chinese)
        return;
    if (language == language::Language::Chinese)
        QCoreApplication::installTranslator(chinese);
    else
        QCoreApplication::removeTranslator(chinese);
}
} // namespace

bool apply(language::Language language)
{
    applyQtOwn(language);
    // One translator for the program's lifetime; tests switch back and forth.
    static QTranslator *english = nullptr;
    if (!english) {
        english = new QTranslator(QCoreApplication::instance());
        if (!english->load(QStringLiteral(":/i18n/wl8806n_en.qm"))) {
            delete english;
            english = nullptr;
            return language == language::Language::Chinese;
        }
    }
    if (language == language::Language::English) {
        if (!QCoreApplication::installTranslator(english))
            return false;
    } else {
        QCoreApplication::removeTranslator(english);
    }
    inUse = language;
    // Qt's own widgets (a calendar's month and day names) in the window's language too.
    QLocale::setDefault(language == language::Language::English ? QLocale(QLocale::English, QLocale::UnitedStates)
                                                                : QLocale(QLocale::Chinese, QLocale::China));
    return true;
}

Start start(const QString &appDir, const QString &option, const QString &localeName)
{
    const auto chosen = language::choose(option, language::readSaved(appDir, nullptr), localeName).language;
    if (!apply(chosen))
        return {language::Language::Chinese,
                QStringLiteral("The English translation could not be loaded; the window is in Chinese.")};
    // The same files and options read again: the choice is the same, its words now translated.
    QString unreadable;
    const auto choice = language::choose(option, language::readSaved(appDir, &unreadable), localeName);
    return {chosen, unreadable.isEmpty() ? choice.problem : unreadable};
}

} // namespace translation
