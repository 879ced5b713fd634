#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

// Whole-file writes that a full disk cannot half-do, and bounded reads of small files.
namespace safefile {

// Writes content to a new file beside path and renames it over path only when every byte reached
// the disk. On failure path is exactly as it was, no temporary file remains, and *error says why.
bool writeWhole(const QString &path, const QByteArray &content, QString *error);

enum class Read { Ok, Missing, Refused };

// Reads a regular file of at most cap bytes into *bytes. A folder, device, pipe or socket is refused
// before it is opened (a pipe would block the reader, a device may never end), and so is anything
// longer than cap; *reason then says why in a few words ("是一个文件夹", "大于 4096 字节").
Read readBounded(const QString &path, qint64 cap, QByteArray *bytes, QString *reason);

// A file that may be absent, read as readBounded reads it: what it holds goes to use. No file is
// nothing to say; a refused file is not read, and refused gets the reason.
void load(const QString &path, qint64 cap, const std::function<void(const QByteArray &content)> &use,
          const std::function<void(const QString &reason)> &refused);

// A piece of a file's text fit to quote in a message: control characters shown as "?", and cut
// after max characters.
QString shown(const QString &text, int max = 24);
} // namespace safefile
