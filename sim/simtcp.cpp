// The simulator's TCP lines: the listener, the client's connection, and Modbus TCP's MBAP framing.
// Behind them the devices are the ones the pseudo-terminal serves: a Modbus TCP request is handled
// as the RTU frame it stands for, and its reply goes back as the gateway wraps it.
#include "sim/simline.h"

#include "core/link/crc16.h"

#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

namespace {
constexpr int MbapHeader = 7;      // transaction, protocol, length (2 bytes each), unit id
constexpr int MaxMbapLength = 254;  // the unit id and a PDU of at most 253 bytes

uint16_t word(const QByteArray &bytes, int at)
{
    return uint16_t(uint8_t(bytes[at]) << 8 | uint8_t(bytes[at + 1]));
}

void appendWord(QByteArray &bytes, uint16_t value)
{
    bytes.append(char(value >> 8));
    bytes.append(char(value & 0xFF));
}
} // namespace

bool SimRecorder::Impl::listen(QString *error)
{
    const auto fail = [&](const char *what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
        closeFds();
        return false;
    };
    listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd < 0)
        return fail("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;  // any free port
    socklen_t size = sizeof address;
    if (::bind(listenFd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        return fail("bind");
    if (::listen(listenFd, 4) != 0)
        return fail("listen");
    if (::getsockname(listenFd, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        return fail("getsockname");
    port = ntohs(address.sin_port);
    return true;
}

// Takes the connections waiting; the newest is served, and any before it are closed.
void SimRecorder::Impl::acceptClient()
{
    for (;;) {
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;  // none left (or none to be had now: the listener says so again)
        }
        dropClient();
        const int one = 1;  // each reply, and each half of a split one, leaves when it is written
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        watch(fd);
    }
}

void SimRecorder::Impl::dropClient()
{
    if (transport == Transport::Pty || !line || line->fd < 0)
        return;
    // Possibly called from the notifier's own signal: it is switched off now and deleted later.
    line->notifier->setEnabled(false);
    line->notifier.release()->deleteLater();
    {
        QMutexLocker lock(&fdMutex);
        wireFd = -1;
    }
    // What was written goes first, then the close; bytes left unread would turn it into a reset.
    ::shutdown(line->fd, SHUT_WR);
    char sink[512];
    while (::read(line->fd, sink, sizeof sink) > 0) {
    }
    ::close(line->fd);
    line->fd = -1;
    line->hungUp = false;
    ++line->connection;
    line->buffer.clear();
    line->silence.stop();
    mark(line->framing, false);
}

bool SimRecorder::Impl::clientWaiting() const
{
    if (listenFd < 0)
        return false;
    pollfd p{listenFd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

// Takes every whole MBAP frame off the buffer; a part of one waits for the rest (and counts as owed).
void SimRecorder::Impl::frameMbap()
{
    QByteArray &buf = line->buffer;
    while (buf.size() >= MbapHeader) {
        const int length = word(buf, 4);
        if (length < 2 || length > MaxMbapLength) {  // no request's: the stream cannot be framed
            buf.clear();
            line->hungUp = true;
            break;
        }
        if (buf.size() < 6 + length)
            break;
        const uint16_t transaction = word(buf, 0), protocol = word(buf, 2);
        QByteArray frame = buf.mid(6, length);
        buf.remove(0, 6 + length);
        if (protocol != 0)
            continue;
        appendCrc(frame);
        handleFrame(frame, false, transaction);
    }
    mark(line->framing, !buf.isEmpty());
}

// An RTU reply (address, PDU, CRC) as the line carries it: on Modbus TCP an MBAP frame with the unit
// id and the PDU, without the CRC; nothing for an empty reply.
QByteArray SimRecorder::Impl::framed(const QByteArray &reply, uint16_t transaction, uint16_t protocol) const
{
    if (transport != Transport::ModbusTcp || reply.isEmpty())
        return reply;
    const QByteArray pdu = reply.mid(1, std::max(0, int(reply.size()) - 3));
    QByteArray out;
    appendWord(out, transaction);
    appendWord(out, protocol);
    appendWord(out, uint16_t(1 + pdu.size()));
    out.append(reply[0]);
    return out + pdu;
}

} // namespace sim
