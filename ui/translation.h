#pragma once
#include "core/settings/language.h"

// Puts the window's texts in the chosen language: English installs the translation built into the
// program, Chinese (the texts as written) removes it. False when the translation cannot be loaded.
namespace translation {
bool apply(language::Language language);
// The language the window's texts are in now.
language::Language current();

// At start-up: chooses the window's language (--lang, else language.set in appDir, else the locale;
// option is null without --lang) and applies it. What was wrong with the choice is worded only once
// the translation is in, so it is said in the window's language.
struct Start {
    language::Language language = language::Language::Chinese;
    QString problem;  // empty when none
};
Start start(const QString &appDir, const QString &option, const QString &localeName);
} // namespace translation
