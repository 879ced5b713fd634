#pragma once
#include <QString>

class Desktop;

// Creates every missing level of a folder path; true when the folder exists afterwards.
bool makeFolderPath(const QString &path);

// The file the user names in the save dialog, in folder (created when missing), ending in .suffix;
// empty when cancelled. A name typed without the ending gets it, and replacing a file of that name is
// asked again, as the dialog asked only about the name as typed. name: the file name the dialog
// suggests (without the ending).
QString askSaveName(Desktop &desktop, const QString &title, const QString &folder, const QString &suffix,
                    const QString &name = {});
