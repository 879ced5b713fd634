#include "sim/rawpty.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {
bool makeRaw(int fd)
{
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}
} // namespace

bool RawPty::open(QString *error)
{
    const auto fail = [&](const char *what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
        close();
        return false;
    };
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return fail("openpty");
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    if (!makeRaw(slave) || !makeRaw(master))
        return fail("tcsetattr");
    char name[256] = {};
    if (::ttyname_r(slave, name, sizeof name) != 0)
        return fail("ttyname");
    path = QString::fromLocal8Bit(name);
    return true;
}

void RawPty::close()
{
    if (master >= 0)
        ::close(master);
    if (slave >= 0)
        ::close(slave);
    master = slave = -1;
    path.clear();
}

} // namespace sim
