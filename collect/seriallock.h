#pragma once
#include <QString>
// The lock file QSerialPort keeps for a device while it is open ("LCK..ttyUSB0" in /var/lock), a
// QLockFile: the process id, the program's name and the host name, a line each. Qt takes a lock over
// only when it names this host and a process that has ended: a collector killed before the host was
// renamed, or a lock in another tool's form, blocks the port. A lock whose process has ended holds
// nothing and is removed here; a lock whose process lives is left alone, whoever wrote it.
namespace collect {
// The lock file QSerialPort uses for device: the path without "/dev/", "/" as "_", in the first lock
// folder that can be read and holds the lock already or can be written. Empty when there is none.
QString serialLockPath(const QString &device);

struct StaleLock {
    QString removed;   // a lock of an ended process was removed: a sentence saying so
    QString blocking;  // a lock that stays: whose it is, or why it could not be removed
};
// Looks at device's lock before the port is opened; removes it when the process it names has ended.
StaleLock clearStaleLock(const QString &device);
} // namespace collect
