// The program's frames, CRCs and exchange against libmodbus's RTU slave and its Modbus TCP server, an
// implementation nobody here wrote: every function the program sends (03, 04, 05, 06, 16) and the
// exception replies, over a serial line and over a Modbus TCP connection. On the serial line libmodbus
// opens one pseudo-terminal, the program's Link another, a bridge thread joins the two.
#include "core/link/exchange.h"
#include "hexbytes.h"
#include "tablerows.h"
#include "sim/rawpty.h"
#include <QFile>
#include <QTest>
#include <modbus.h>
#include <atomic>
#include <mutex>
#include <poll.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace modbus;

namespace {
constexpr uint8_t kSlave = 17;
constexpr int kCoils = 16, kRegisters = 300;

// libmodbus's coils, holding and input registers.
struct Tables {
    std::vector<uint8_t> coils;
    std::vector<uint16_t> holding, input;
    bool operator==(const Tables &) const = default;
};

// libmodbus's RTU slave on one pseudo-terminal with a bridge to the second one, or its Modbus TCP
// server on a loopback port; and their threads. A frame libmodbus finds wrong (a bad CRC, a bad
// length) gets no reply: the test sees that.
class Peer {
public:
    ~Peer()
    {
        m_stopping = true;
        if (m_listener >= 0)
            ::shutdown(m_listener, SHUT_RDWR);  // an accept still waiting returns
        for (std::thread *t : {&m_server, &m_bridge})
            if (t->joinable())
                t->join();
        if (m_ctx) {
            modbus_close(m_ctx);
            modbus_free(m_ctx);
        }
        if (m_listener >= 0)
            ::close(m_listener);
        if (m_map)
            modbus_mapping_free(m_map);
    }

    QString start(bool tcp)
    {
        m_tcp = tcp;
        if (!tcp && (!m_libmodbusSide.open() || !m_programSide.open()))
            return QStringLiteral("pty: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        m_map = modbus_mapping_new(kCoils, 0, kRegisters, kRegisters);
        m_ctx = tcp ? modbus_new_tcp("127.0.0.1", 0) : modbus_new_rtu(QFile::encodeName(m_libmodbusSide.path).constData(), 19200, 'N', 8, 1);
        if (!m_map || !m_ctx)
            return QStringLiteral("libmodbus refused the mapping or the line");
        // Distinct values with both bytes busy, so a wrong address, table or byte order shows.
        for (int i = 0; i < kCoils; ++i)
            m_map->tab_bits[i] = i % 3 == 0;
        for (int i = 0; i < kRegisters; ++i) {
            m_map->tab_registers[i] = uint16_t(0x8000 | ((i * 0x0137) & 0x7FFF));
            m_map->tab_input_registers[i] = uint16_t(0x4000 + i * 0x0103);
        }
        modbus_set_slave(m_ctx, kSlave);
        modbus_set_indication_timeout(m_ctx, 0, 100000);  // wakes this often to see whether to stop
        modbus_set_response_timeout(m_ctx, 0, 50000);      // slept before some exception replies (0.5 s by default)
        if (tcp) {
            sockaddr_in bound{};
            socklen_t size = sizeof bound;
            if ((m_listener = modbus_tcp_listen(m_ctx, 1)) < 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&bound), &size) != 0)
                return QStringLiteral("modbus_tcp_listen: %1").arg(QString::fromLocal8Bit(modbus_strerror(errno)));
            m_programPort = QStringLiteral("tcp://127.0.0.1:%1").arg(ntohs(bound.sin_port));
            m_server = std::thread([this] {
                if (modbus_tcp_accept(m_ctx, &m_listener) >= 0)
                    serve();
            });
            return QString();
        }
        if (modbus_connect(m_ctx) != 0)
            return QStringLiteral("modbus_connect: %1").arg(QString::fromLocal8Bit(modbus_strerror(errno)));
        m_programPort = m_programSide.path;
        m_bridge = std::thread([this] { bridge(); });
        m_server = std::thread([this] { serve(); });
        return QString();
    }

    QString programPort() const { return m_programPort; }

    Tables tables()
    {
        std::lock_guard lock(m_mutex);
        return {{m_map->tab_bits, m_map->tab_bits + kCoils}, {m_map->tab_registers, m_map->tab_registers + kRegisters},
                {m_map->tab_input_registers, m_map->tab_input_registers + kRegisters}};
    }

private:
    void bridge()
    {
        pollfd fds[2] = {{m_programSide.master, POLLIN, 0}, {m_libmodbusSide.master, POLLIN, 0}};
        char buf[512];
        while (!m_stopping) {
            if (::poll(fds, 2, 100) <= 0)
                continue;
            for (int i = 0; i < 2; ++i) {
                const ssize_t got = (fds[i].revents & POLLIN) ? ::read(fds[i].fd, buf, sizeof buf) : 0;
                for (ssize_t done = 0, w = 0; done < got; done += std::max<ssize_t>(w, 0))
                    if ((w = ::write(fds[1 - i].fd, buf + done, size_t(got - done))) < 0 && errno != EINTR)
                        break;
            }
        }
    }

    // A device on a wire answers no sooner than the request's and the answer's bytes take at 19200 baud.
    static std::chrono::microseconds wireTime(const uint8_t *query, int length)
    {
        const int quantity = query[4] << 8 | query[5];
        const int answer = query[1] == 3 || query[1] == 4 ? 5 + 2 * quantity : 8;
        return std::chrono::microseconds((length + answer) * 10'000'000LL / 19200);
    }

    void serve()
    {
        uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];  // the longer of the two
        while (!m_stopping) {
            const int rc = modbus_receive(m_ctx, query);
            if (rc < 0 && errno != ETIMEDOUT)
                return;  // the connection closed
            if (rc > 0 && !m_tcp)
                std::this_thread::sleep_for(wireTime(query, rc));  // the request and the answer on a wire
            std::lock_guard lock(m_mutex);
            if (rc > 0)
                modbus_reply(m_ctx, query, rc, m_map);
        }
    }

    sim::RawPty m_libmodbusSide, m_programSide;
    QString m_programPort;
    int m_listener = -1;
    bool m_tcp = false;
    modbus_t *m_ctx = nullptr;
    modbus_mapping_t *m_map = nullptr;
    std::thread m_bridge, m_server;
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;  // the mapping
};

const auto &requestRows() {
    QByteArray most;
    for (int i = 0; i < 123; ++i)
        most += char(0x0F + i) + QByteArray(1, char(i * 0x11));
    static const struct { const char *name; QByteArray request; int exception; } rows[] = {
    {"03 live read, 20 from 0", readRequest(kSlave, 3, 0, 20), 0},
    {"03 start above 255", readHolding(kSlave, 0x0105, 9), 0},
    {"03 125 registers, the most a read asks", readHolding(kSlave, 175, 125), 0},
    {"04 record read, 23 from 46", readInput(kSlave, 46, 23), 0},
    {"04 start above 255", readInput(kSlave, 0x0110, 23), 0},
    {"06 register 116", writeRegister(kSlave, 116, 0x003C), 0},
    {"06 high address byte, FFFF", writeRegister(kSlave, 0x0120, 0xFFFF), 0},
    {"05 coil 4 on", writeCoil(kSlave, 4, true), 0},
    {"05 coil 3 off", writeCoil(kSlave, 3, false), 0},
    {"16 clear pointer", writeRegisters(kSlave, 122, QByteArray(4, '\0')), 0},
    {"16 123 registers, the most a write carries", writeRegisters(kSlave, 150, most), 0},
    {"03 beyond the map", readHolding(kSlave, 300, 1), 2},
    {"03 126 registers", readHolding(kSlave, 0, 126), 3},
    {"04 running past the end", readInput(kSlave, 290, 23), 2},
    {"06 beyond the map", writeRegister(kSlave, 300, 0x1234), 2},
    {"05 beyond the coils", writeCoil(kSlave, 16, true), 2},
    {"16 running past the end", writeRegisters(kSlave, 299, hx("12 34 56 78")), 2},
}; return rows; }
} // namespace

// One exchange with the peer, checked against its tables.
void exchangeWith(Peer &peer, const QByteArray &request, int exception, const char *name)
{
    // The same checks over every line: a read brings the peer's table, a write changes what it names.
    const struct { const QByteArray &request; int exception; const char *name; } r{request, exception, name};
    Link link;
    const QString opened = link.open(peer.programPort(), 19200, 0);
    QVERIFY2(opened.isEmpty(), qPrintable(opened));
    const auto word = [](const QByteArray &b, int i) { return uint16_t(uint8_t(b[i]) << 8 | uint8_t(b[i + 1])); };
    const uint8_t fn = uint8_t(r.request[1]);
    const uint16_t start = word(r.request, 2);
    const Tables before = peer.tables();
    Tables expected = before;  // what a write should leave
    if (!r.exception && fn == WriteSingleRegister)
        expected.holding[start] = word(r.request, 4);
    if (!r.exception && fn == WriteSingleCoil)
        expected.coils[start] = r.request[4] != 0;
    if (!r.exception && fn == WriteMultipleRegisters)
        for (int i = 0; i < word(r.request, 4); ++i)
            expected.holding[start + i] = word(r.request, 7 + 2 * i);
    const ExchangeKind &kind = fn == WriteSingleCoil ? kinds::SetCoil
        : fn == WriteMultipleRegisters               ? kinds::setRegisters
                                                              : kinds::SingleParameterRead;
    auto hold = link.tryHold();
    const Exchange ex = link.exchange(*hold, kind, r.request);
    QVERIFY2(ex.sent && ex.info.cls == (r.exception ? ReplyClass::Exception : ReplyClass::Valid), r.name);
    QVERIFY2(ex.info.exceptionCode == r.exception && (ex.info.exact() || r.exception), r.name);
    QVERIFY2(peer.tables() == expected, r.name);
    if (r.exception)
        QVERIFY2(uint8_t(ex.reply[1]) == uint8_t(fn | 0x80), r.name);
    else if (fn == ReadHoldingRegisters || fn == ReadInputRegisters) {
        const auto &table = fn == ReadHoldingRegisters ? before.holding : before.input;
        for (int i = 0; i < word(r.request, 4); ++i)
            QVERIFY2(word(ex.reply, 3 + 2 * i) == table[start + i], r.name);
    } else  // 05, 06: the echo; 16: start and count
        QVERIFY2(ex.reply.left(6) == r.request.left(6), r.name);
}

class TestLibmodbusPeer : public QObject {
    Q_OBJECT
private slots:
    void requests_data() { tableRows(requestRows()); }
    void requests()
    {
        const auto &r = tableRow(requestRows());
        for (const bool tcp : {false, true}) {
            Peer peer;
            const QString why = peer.start(tcp);
            QVERIFY2(why.isEmpty(), qPrintable(why));
            exchangeWith(peer, r.request, r.exception, r.name);
            if (QTest::currentTestFailed())
                qWarning("over %s", tcp ? "Modbus TCP" : "RTU");
        }
    }
};

QTEST_GUILESS_MAIN(TestLibmodbusPeer)
#include "test_libmodbus_peer.moc"
