#pragma once
#include <QString>

// Whether an executable in this directory was installed into the system (under /usr, /bin, /sbin
// or the install prefix's program folder this build was configured for, given as installBinDir):
// such a program keeps its files in the per-user data folder even when it could write beside itself.
bool installedInSystem(const QString &executableDir, const QString &installBinDir);

// The application directory: the given one when not empty; else, for a program not installed into
// the system, the executable's directory when it can be written (a portable copy); else the
// per-user data folder.
QString resolveAppDir(const QString &given, const QString &executableDir);
