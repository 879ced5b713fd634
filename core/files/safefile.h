#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

// Whole-file writes that a full disk cannot half-do, and bounded reads of small files.
namespace safefile {

// Writes content to a new file beside path and renames it over path only when every byte reached
// the disk. On failure path is exactly as it was, no temporary file remains, and *error says why.
bool writeWhole(const QString &path, const QByteArray &content, QString *error);

// The same for a file a library writes itself, through a descriptor or by name: write gets the
// descriptor (which it closes) and the name of a new file beside path, path + ".part-XXXXXX", with the
// permissions of the file it will replace or those of any new file. When write succeeds and the file
// reaches the disk it is renamed over path; otherwise it is removed, path is exactly as it was, and
// *why says why: write's own reason, or writeReason's.
using Writer = std::function<bool(int fd, const QByteArray &name, QString *why)>;
bool writeThrough(const QString &path, const Writer &write, QString *why);

// An errno of a file write in a few words for a message ("没有写入权限", "磁盘空间不足").
QString writeReason(int err);

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
