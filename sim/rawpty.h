#pragma once
#include <QString>

namespace sim {

// A pseudo-terminal pair in raw mode, both ends close-on-exec. The slave's path is what a serial
// port opens; whoever holds the master plays the other end of the line.
struct RawPty {
    int master = -1;
    int slave = -1;  // kept open by the owner, so the master never sees a hang-up between users
    QString path;

    // False with the failing call and its reason in *error; nothing stays open then.
    bool open(QString *error = nullptr);
    void close();
};

// The rate the program's end of the line is set to, read off the master: 0 when it cannot be told.
int ptyBaud(int masterFd);

} // namespace sim
