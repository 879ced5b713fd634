#pragma once
// libmodbus's RTU slave on a pseudo-terminal, bridged to a second pseudo-terminal that the
// program opens: an independent Modbus peer for tests.
#include "sim/rawpty.h"
#include <QFile>
#include "hexbytes.h"
#include "core/link/exchange.h"
#include "core/link/frames.h"
#include <QTest>
#include <modbus.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include "recordingview.h"

using modbus::ReplyClass;

namespace peer {

constexpr uint8_t kSlave = 17;
constexpr int kCoils = 16;
constexpr int kDiscrete = 16;
constexpr int kHolding = 300;
constexpr int kInputs = 300;

// Distinct, both-byte-busy values so a wrong address, table or byte order shows.
inline uint16_t holdingSeed(int i) { return uint16_t(0x8000 | ((i * 0x0137) & 0x7FFF)); }
inline uint16_t inputSeed(int i) { return uint16_t(0x4000 + i * 0x0103); }
inline bool coilSeed(int i) { return i % 3 == 0; }
inline bool discreteSeed(int i) { return (i * 5) % 7 < 3; }

inline QString hexOf(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

inline QByteArray wordsToBytes(const std::vector<uint16_t> &words)
{
    QByteArray out;
    for (uint16_t w : words) {
        out.append(char(w >> 8));
        out.append(char(w & 0xFF));
    }
    return out;
}

inline std::vector<uint16_t> bytesToWords(const QByteArray &bytes)
{
    std::vector<uint16_t> out;
    for (int i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(uint16_t((uint8_t(bytes[i]) << 8) | uint8_t(bytes[i + 1])));
    return out;
}

// A copy of libmodbus's tables.
struct Snapshot {
    std::vector<uint8_t> coils, discrete;
    std::vector<uint16_t> holding, input;
    bool operator==(const Snapshot &) const = default;
};

template <class T>
inline QString firstDifference(const char *table, const std::vector<T> &a, const std::vector<T> &b)
{
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            return QStringLiteral("%1[%2]: %3 vs %4 ").arg(QLatin1String(table)).arg(i).arg(a[i]).arg(b[i]);
    return a.size() == b.size() ? QString() : QStringLiteral("%1 sizes differ ").arg(QLatin1String(table));
}

inline QString describeDifference(const Snapshot &a, const Snapshot &b)
{
    return firstDifference("coil", a.coils, b.coils) + firstDifference("discrete", a.discrete, b.discrete)
        + firstDifference("holding", a.holding, b.holding) + firstDifference("input", a.input, b.input);
}

inline bool writeAll(int fd, const char *data, ssize_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, data, size_t(n));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += w;
        n -= w;
    }
    return true;
}

// libmodbus's RTU slave on pty A, the bridge to pty B, and the threads that run them.
class Peer {
public:
    ~Peer() { stop(); }

    bool start(QString *why)
    {
        const auto fail = [&](const QString &what) {
            *why = what;
            stop();
            return false;
        };
        if (!m_libmodbusSide.open() || !m_programSide.open())
            return fail(QStringLiteral("pty: %1").arg(QString::fromLocal8Bit(strerror(errno))));
        if (::pipe2(m_wake, O_CLOEXEC) != 0)
            return fail(QStringLiteral("pipe: %1").arg(QString::fromLocal8Bit(strerror(errno))));

        m_map = modbus_mapping_new_start_address(0, kCoils, 0, kDiscrete, 0, kHolding, 0, kInputs);
        if (!m_map)
            return fail(QStringLiteral("modbus_mapping_new_start_address failed"));
        for (int i = 0; i < kCoils; ++i)
            m_map->tab_bits[i] = coilSeed(i) ? 1 : 0;
        for (int i = 0; i < kDiscrete; ++i)
            m_map->tab_input_bits[i] = discreteSeed(i) ? 1 : 0;
        for (int i = 0; i < kHolding; ++i)
            m_map->tab_registers[i] = holdingSeed(i);
        for (int i = 0; i < kInputs; ++i)
            m_map->tab_input_registers[i] = inputSeed(i);

        m_ctx = modbus_new_rtu(QFile::encodeName(m_libmodbusSide.path).constData(), 19200, 'N', 8, 1);
        if (!m_ctx)
            return fail(QStringLiteral("modbus_new_rtu: %1").arg(QString::fromLocal8Bit(modbus_strerror(errno))));
        modbus_set_slave(m_ctx, kSlave);
        // The server loop wakes at least this often to see whether it should stop.
        modbus_set_indication_timeout(m_ctx, 0, 100000);
        // How long libmodbus waits for another slave's answer after a request not for it.
        modbus_set_response_timeout(m_ctx, 0, 100000);
        if (modbus_connect(m_ctx) != 0)
            return fail(QStringLiteral("modbus_connect: %1").arg(QString::fromLocal8Bit(modbus_strerror(errno))));

        m_bridge = std::thread([this] { bridge(); });
        m_server = std::thread([this] { serve(); });
        return true;
    }

    void stop()
    {
        m_stopping = true;
        if (m_server.joinable())
            m_server.join();
        if (m_bridge.joinable()) {
            const char byte = 0;
            writeAll(m_wake[1], &byte, 1);
            m_bridge.join();
        }
        if (m_ctx) {
            modbus_close(m_ctx);
            modbus_free(m_ctx);
            m_ctx = nullptr;
        }
        if (m_map) {
            modbus_mapping_free(m_map);
            m_map = nullptr;
        }
        for (int &fd : m_wake) {
            if (fd >= 0)
                ::close(fd);
            fd = -1;
        }
        m_libmodbusSide.close();
        m_programSide.close();
    }

    QString programPort() const { return m_programSide.path; }

    Snapshot snapshot()
    {
        std::lock_guard lock(m_mapMutex);
        Snapshot s;
        s.coils.assign(m_map->tab_bits, m_map->tab_bits + kCoils);
        s.discrete.assign(m_map->tab_input_bits, m_map->tab_input_bits + kDiscrete);
        s.holding.assign(m_map->tab_registers, m_map->tab_registers + kHolding);
        s.input.assign(m_map->tab_input_registers, m_map->tab_input_registers + kInputs);
        return s;
    }
    void setHolding(int reg, uint16_t value)
    {
        std::lock_guard lock(m_mapMutex);
        m_map->tab_registers[reg] = value;
    }
    void setCoil(int coil, bool on)
    {
        std::lock_guard lock(m_mapMutex);
        m_map->tab_bits[coil] = on ? 1 : 0;
    }

    // The bytes the bridge carried from the program to libmodbus since the last call.
    QByteArray takeCarried()
    {
        std::lock_guard lock(m_stateMutex);
        return std::exchange(m_carried, QByteArray());
    }

    // Receive or reply failures libmodbus reported (a bad CRC, a malformed frame, a failed send).
    int faults(QString *last)
    {
        std::lock_guard lock(m_stateMutex);
        *last = m_lastFault;
        return m_faults;
    }

    // After a request for another slave, libmodbus's RTU receive takes the next message as that
    // slave's answer and drops it (or gives up after its response timeout). A request sent to
    // slave 17 during that phase would be swallowed, so the test lets the phase finish first.
    int ignoredRequests()
    {
        std::lock_guard lock(m_stateMutex);
        return m_ignoredRequests;
    }
    bool waitUntilIgnorePhasesDone(int count)
    {
        std::unique_lock lock(m_stateMutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_ignorePhasesDone >= count; });
    }

private:
    void bridge()
    {
        pollfd fds[3] = {
            {m_programSide.master, POLLIN, 0},
            {m_libmodbusSide.master, POLLIN, 0},
            {m_wake[0], POLLIN, 0},
        };
        char buf[512];
        for (;;) {
            const int n = ::poll(fds, 3, 1000);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds[2].revents)
                return;
            for (int i = 0; i < 2; ++i) {
                pollfd &p = fds[i];
                if (p.fd < 0 || p.revents == 0)
                    continue;
                const ssize_t got = (p.revents & POLLIN) ? ::read(p.fd, buf, sizeof buf) : -1;
                if (got > 0) {
                    if (i == 0) {
                        // Logged before forwarding: once libmodbus answers, the whole request is here.
                        std::lock_guard lock(m_stateMutex);
                        m_carried.append(buf, got);
                    }
                    writeAll(i == 0 ? m_libmodbusSide.master : m_programSide.master, buf, got);
                } else if (got == 0 || !(errno == EINTR || errno == EAGAIN)) {
                    p.fd = -1;  // hung up: stop watching it rather than spin
                }
            }
        }
    }

    void serve()
    {
        uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
        bool inIgnorePhase = false;
        while (!m_stopping) {
            const int rc = modbus_receive(m_ctx, query);
            if (rc > 0) {
                std::lock_guard lock(m_mapMutex);
                if (modbus_reply(m_ctx, query, rc, m_map) < 0)
                    noteFault("modbus_reply");
            } else if (rc == 0) {
                std::lock_guard lock(m_stateMutex);
                if (inIgnorePhase)
                    ++m_ignorePhasesDone;
                else
                    ++m_ignoredRequests;
                inIgnorePhase = !inIgnorePhase;
                m_changed.notify_all();
            } else if (errno != ETIMEDOUT) {
                const int e = errno;
                noteFault("modbus_receive");
                if (e == ECONNRESET || e == EIO || e == EBADF)
                    return;  // the line is gone: stop rather than spin
            }
        }
    }

    void noteFault(const char *where)
    {
        const int e = errno;
        std::lock_guard lock(m_stateMutex);
        ++m_faults;
        m_lastFault = QStringLiteral("%1: %2").arg(QLatin1String(where), QString::fromLocal8Bit(modbus_strerror(e)));
    }

    sim::RawPty m_libmodbusSide;
    sim::RawPty m_programSide;
    int m_wake[2] = {-1, -1};
    modbus_t *m_ctx = nullptr;
    modbus_mapping_t *m_map = nullptr;
    std::thread m_bridge;
    std::thread m_server;
    std::atomic<bool> m_stopping{false};

    std::mutex m_mapMutex;  // the mapping: modbus_reply and the test
    std::mutex m_stateMutex;
    std::condition_variable m_changed;
    QByteArray m_carried;
    int m_faults = 0;
    QString m_lastFault;
    int m_ignoredRequests = 0;
    int m_ignorePhasesDone = 0;
};


inline const ExchangeKind &kindFor(const QByteArray &request)
{
    switch (uint8_t(request.at(1))) {
    case 0x05: return kinds::SetCoil;
    case 0x06: return kinds::SetReg;
    case 0x10: return kinds::WriteRegisters;
    default: return kinds::SingleParameterRead;
    }
}


} // namespace peer
