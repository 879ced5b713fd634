#pragma once
#include "core/settings/language.h"

// Puts the window's texts in the chosen language: English installs the translation built into the
// program, Chinese (the texts as written) removes it. False when the translation cannot be loaded.
namespace translation {
bool apply(language::Language language);
// The language the window's texts are in now.
language::Language current();
} // namespace translation
