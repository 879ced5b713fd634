#pragma once
#include <QString>
#include <optional>

// The language of the window. Chinese is the language the texts are written in and the default;
// English comes from the translation built with the program.
namespace language {

enum class Language { Chinese, English };

// "zh" or "en" (any case, surrounding blanks ignored); nothing for anything else.
std::optional<Language> parse(const QString &code);
QString code(Language language);

struct Choice {
    Language language = Language::Chinese;
    QString problem;  // an unusable --lang value or language.set, said to the user; empty when none
};

// The window's language: the command line's --lang when given, else the choice saved in
// language.set, else English for an explicitly English locale (en, en_*) and Chinese for every
// other one, C and POSIX included. option is empty when --lang was not given; saved is the content
// of language.set, nothing when it is not there.
Choice choose(const QString &option, const std::optional<QString> &saved, const QString &localeName);

// The saved choice in appDir's language.set, without the blanks and line end around it: nothing
// when the file is missing (or unreadable, said in *problem).
std::optional<QString> readSaved(const QString &appDir, QString *problem);
// Saves the choice whole, or leaves the earlier file and says why.
bool save(const QString &appDir, Language language, QString *error);

} // namespace language
