#pragma once
#include <QString>

// The application directory: the given one when not empty, else the executable's directory
// when it can be written (a portable install), else the per-user data folder.
QString resolveAppDir(const QString &given, const QString &executableDir);
