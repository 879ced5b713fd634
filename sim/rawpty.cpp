#include "sim/rawpty.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
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

namespace {
// A Linux pseudo-terminal pair shares one termios (the master's TCGETS answers with the slave's
// settings), so whatever the program set with QSerialPort::setBaudRate can be read here. Rates
// without a Bxxx constant (14400) are set by Qt as BOTHER with the exact figure in c_ospeed, which
// only TCGETS2 reports; glibc 12's termios has no such call, hence the kernel's layout below.
#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__) || defined(__aarch64__) \
                           || defined(__arm__) || defined(__riscv))
struct KernelTermios2 {
    tcflag_t c_iflag, c_oflag, c_cflag, c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed, c_ospeed;
};
#define WL_SIM_TCGETS2 _IOR('T', 0x2A, KernelTermios2)
#endif

int speedToBaud(speed_t s)
{
    switch (s) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 0;
    }
}
} // namespace

int ptyBaud(int masterFd)
{
#ifdef WL_SIM_TCGETS2
    KernelTermios2 t2{};
    if (::ioctl(masterFd, WL_SIM_TCGETS2, &t2) == 0 && t2.c_ospeed > 0)
        return int(t2.c_ospeed);
#endif
    termios t{};
    if (::tcgetattr(masterFd, &t) != 0)
        return 0;
    return speedToBaud(cfgetospeed(&t));
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
