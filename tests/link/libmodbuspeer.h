#pragma once
// libmodbus's RTU slave on a pseudo-terminal, bridged to a second pseudo-terminal that the
// program opens: an independent Modbus peer for tests.
#include "sim/rawpty.h"
#include <QByteArray>
#include <QFile>
#include <QString>
#include <modbus.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace peer {

constexpr uint8_t kSlave = 17;
constexpr int kCoils = 16, kRegisters = 300;

// libmodbus's coils, holding and input registers.
struct Tables {
    std::vector<uint8_t> coils;
    std::vector<uint16_t> holding, input;
    bool operator==(const Tables &) const = default;
};

class Peer {
public:
    ~Peer() { stop(); }

    bool start(QString *why)
    {
        if (!m_libmodbusSide.open() || !m_programSide.open() || ::pipe2(m_wake, O_CLOEXEC) != 0)
            return fail(why, QStringLiteral("pty: %1").arg(QString::fromLocal8Bit(strerror(errno))));
        m_map = modbus_mapping_new(kCoils, 0, kRegisters, kRegisters);
        if (!m_map)
            return fail(why, QStringLiteral("modbus_mapping_new failed"));
        // Distinct values with both bytes busy, so a wrong address, table or byte order shows.
        for (int i = 0; i < kCoils; ++i)
            m_map->tab_bits[i] = i % 3 == 0;
        for (int i = 0; i < kRegisters; ++i) {
            m_map->tab_registers[i] = uint16_t(0x8000 | ((i * 0x0137) & 0x7FFF));
            m_map->tab_input_registers[i] = uint16_t(0x4000 + i * 0x0103);
        }
        m_ctx = modbus_new_rtu(QFile::encodeName(m_libmodbusSide.path).constData(), 19200, 'N', 8, 1);
        if (!m_ctx)
            return fail(why, QStringLiteral("modbus_new_rtu failed"));
        modbus_set_slave(m_ctx, kSlave);
        modbus_set_indication_timeout(m_ctx, 0, 100000);  // wakes this often to see whether to stop
        // Before some exception replies libmodbus sleeps this long and flushes the line (0.5 s by default).
        modbus_set_response_timeout(m_ctx, 0, 50000);
        if (modbus_connect(m_ctx) != 0)
            return fail(why, QStringLiteral("modbus_connect: %1").arg(QString::fromLocal8Bit(modbus_strerror(errno))));
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
            writeAll(m_wake[1], "", 1);
            m_bridge.join();
        }
        if (m_ctx) {
            modbus_close(m_ctx);
            modbus_free(m_ctx);
            m_ctx = nullptr;
        }
        if (m_map)
            modbus_mapping_free(std::exchange(m_map, nullptr));
        for (int &fd : m_wake)
            if (fd >= 0)
                ::close(std::exchange(fd, -1));
        m_libmodbusSide.close();
        m_programSide.close();
    }

    QString programPort() const { return m_programSide.path; }

    Tables tables()
    {
        std::lock_guard lock(m_mutex);
        return {{m_map->tab_bits, m_map->tab_bits + kCoils},
                {m_map->tab_registers, m_map->tab_registers + kRegisters},
                {m_map->tab_input_registers, m_map->tab_input_registers + kRegisters}};
    }

private:
    bool fail(QString *why, const QString &what)
    {
        *why = what;
        stop();
        return false;
    }

    static void writeAll(int fd, const char *data, ssize_t n)
    {
        while (n > 0) {
            const ssize_t w = ::write(fd, data, size_t(n));
            if (w < 0 && errno != EINTR)
                return;
            data += std::max<ssize_t>(w, 0);
            n -= std::max<ssize_t>(w, 0);
        }
    }

    void bridge()
    {
        pollfd fds[3] = {{m_programSide.master, POLLIN, 0}, {m_libmodbusSide.master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        char buf[512];
        for (;;) {
            if (::poll(fds, 3, 1000) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds[2].revents)
                return;
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || !(fds[i].revents & POLLIN))
                    continue;
                const ssize_t got = ::read(fds[i].fd, buf, sizeof buf);
                if (got <= 0) {
                    if (got == 0 || (errno != EINTR && errno != EAGAIN))
                        fds[i].fd = -1;  // hung up: stop watching it rather than spin
                    continue;
                }
                writeAll(i == 0 ? m_libmodbusSide.master : m_programSide.master, buf, got);
            }
        }
    }

    // A frame libmodbus finds wrong (a bad CRC, a bad length) gets no reply: the test sees that.
    void serve()
    {
        uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
        while (!m_stopping) {
            const int rc = modbus_receive(m_ctx, query);
            if (rc > 0) {
                std::lock_guard lock(m_mutex);
                modbus_reply(m_ctx, query, rc, m_map);
            } else if (rc < 0 && (errno == ECONNRESET || errno == EIO || errno == EBADF)) {
                return;  // the line is gone: stop rather than spin
            }
        }
    }

    sim::RawPty m_libmodbusSide, m_programSide;
    int m_wake[2] = {-1, -1};
    modbus_t *m_ctx = nullptr;
    modbus_mapping_t *m_map = nullptr;
    std::thread m_bridge, m_server;
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;  // the mapping
};

} // namespace peer
