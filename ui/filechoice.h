#pragma once
#include <QString>

class Desktop;

// Creates every missing level of a folder path; true when the folder exists afterwards.
bool makeFolderPath(const QString &path);

// The file the user names in the save dialog, in folder (created when missing), ending in .suffix;
// empty when cancelled. The dialog suggests name.suffix when a name is given. A name typed without the
// ending gets it, and replacing a file of that name is asked again, as the dialog asked only about
// the name as typed.
QString askSaveName(Desktop &desktop, const QString &title, const QString &folder, const QString &suffix,
                    const QString &name = QString());
