// The program's frames, CRCs and exchange routine against libmodbus's RTU slave, an
// implementation nobody here wrote.
//
// Plumbing: two pseudo-terminals. libmodbus opens the slave end of pty A, the program's Link
// opens the slave end of pty B, and a bridge thread copies bytes between the two master ends.
// A second thread runs libmodbus's server loop (modbus_receive / modbus_reply) on a mapping
// prefilled with known values.
#include "sim/rawpty.h"
#include <QFile>
#include "hexbytes.h"
#include "link/exchange.h"
#include "link/frames.h"

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

using modbus::ReplyClass;

namespace {

constexpr uint8_t kSlave = 17;
constexpr int kCoils = 16;
constexpr int kDiscrete = 16;
constexpr int kHolding = 300;
constexpr int kInputs = 300;

// Distinct, both-byte-busy values so a wrong address, table or byte order shows.
uint16_t holdingSeed(int i) { return uint16_t(0x8000 | ((i * 0x0137) & 0x7FFF)); }
uint16_t inputSeed(int i) { return uint16_t(0x4000 + i * 0x0103); }
bool coilSeed(int i) { return i % 3 == 0; }
bool discreteSeed(int i) { return (i * 5) % 7 < 3; }

QString hexOf(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QByteArray wordsToBytes(const std::vector<uint16_t> &words)
{
    QByteArray out;
    for (uint16_t w : words) {
        out.append(char(w >> 8));
        out.append(char(w & 0xFF));
    }
    return out;
}

std::vector<uint16_t> bytesToWords(const QByteArray &bytes)
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
QString firstDifference(const char *table, const std::vector<T> &a, const std::vector<T> &b)
{
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            return QStringLiteral("%1[%2]: %3 vs %4 ").arg(QLatin1String(table)).arg(i).arg(a[i]).arg(b[i]);
    return a.size() == b.size() ? QString() : QStringLiteral("%1 sizes differ ").arg(QLatin1String(table));
}

QString describeDifference(const Snapshot &a, const Snapshot &b)
{
    return firstDifference("coil", a.coils, b.coils) + firstDifference("discrete", a.discrete, b.discrete)
        + firstDifference("holding", a.holding, b.holding) + firstDifference("input", a.input, b.input);
}

bool writeAll(int fd, const char *data, ssize_t n)
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

class RecordingView : public TrafficView {
public:
    QString command, state, status;
    void clearCommand() override { command.clear(); }
    void clearState() override { state.clear(); }
    void showCommand(const QString &hex) override { command = hex; }
    void showState(const QString &hex) override { state = hex; }
    void showLamp(Lamp) override {}
    void countExchange() override {}
    void countReply() override {}
    void showStatus(const QString &text) override { status = text; }
};

const ExchangeKind &kindFor(const QByteArray &request)
{
    switch (uint8_t(request.at(1))) {
    case 0x05: return kinds::SetCoil;
    case 0x06: return kinds::SetReg;
    case 0x10: return kinds::WriteRegisters;
    default: return kinds::SingleParameterRead;
    }
}

} // namespace

class TestLibmodbusPeer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void reads_data();
    void reads();
    void writeRegister_data();
    void writeRegister();
    void writeCoil_data();
    void writeCoil();
    void writeRegisters_data();
    void writeRegisters();
    void exceptions_data();
    void exceptions();
    void otherAddressesGetNoReply();

private:
    Exchange run(const QByteArray &request, const ExchangeKind *kind = nullptr);
    void checkAnswered(const QByteArray &request, const Exchange &ex, ReplyClass cls);
    void readHoldingBack(uint16_t start, int count, QByteArray &data);

    std::unique_ptr<Peer> m_peer;
    RecordingView m_view;
    std::unique_ptr<Link> m_link;
};

void TestLibmodbusPeer::initTestCase()
{
    m_peer = std::make_unique<Peer>();
    QString why;
    QVERIFY2(m_peer->start(&why), qPrintable(why));

    m_link = std::make_unique<Link>(&m_view);
    QSerialPort &port = m_link->port();
    port.setPortName(m_peer->programPort());
    port.setBaudRate(19200);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    m_link->PortOpenFlag = true;
}

void TestLibmodbusPeer::cleanupTestCase()
{
    if (m_link && m_link->port().isOpen())
        m_link->port().close();
    m_link.reset();
    if (m_peer)
        m_peer->stop();
    m_peer.reset();
}

// Whatever a test sent, libmodbus never saw a bad CRC or a malformed frame.
void TestLibmodbusPeer::cleanup()
{
    if (!m_peer)
        return;
    QString last;
    const int faults = m_peer->faults(&last);
    QVERIFY2(faults == 0, qPrintable(QStringLiteral("libmodbus reported %1 fault(s), last %2").arg(faults).arg(last)));
    QVERIFY(m_link && !m_link->busy());
}

Exchange TestLibmodbusPeer::run(const QByteArray &request, const ExchangeKind *kind)
{
    m_peer->takeCarried();
    auto hold = m_link->tryHold();
    if (!hold) {
        QTest::qFail("the link is held by someone else", __FILE__, __LINE__);
        return {};
    }
    return m_link->exchange(*hold, kind ? *kind : kindFor(request), request);
}

// The reply came, the program classified it as cls, it is a whole frame by the program's own
// completeness test, and libmodbus received exactly the request (no stray or missing bytes).
void TestLibmodbusPeer::checkAnswered(const QByteArray &request, const Exchange &ex, ReplyClass cls)
{
    QVERIFY(ex.sent);
    QVERIFY2(ex.info.cls == cls,
             qPrintable(QStringLiteral("request %1 reply [%2] classified %3 (%4)")
                            .arg(hexOf(request), hexOf(ex.reply)).arg(int(ex.info.cls)).arg(m_view.status)));
    QVERIFY2(modbus::replyComplete(request, ex.reply), qPrintable(hexOf(ex.reply)));
    QCOMPARE(hexOf(m_peer->takeCarried()), hexOf(request));
}

void TestLibmodbusPeer::readHoldingBack(uint16_t start, int count, QByteArray &data)
{
    const QByteArray request = modbus::readHolding(kSlave, start, uint8_t(count));
    const Exchange ex = run(request);
    checkAnswered(request, ex, ReplyClass::Valid);
    if (QTest::currentTestFailed())
        return;
    data = ex.reply.mid(3, ex.reply.size() - 5);
}

// Reads of every table, answered by libmodbus: the reply is Valid for the program, its length is
// the one the program expects, and its data are what libmodbus holds at those addresses.
void TestLibmodbusPeer::reads_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    using namespace modbus;
    const struct { const char *name; QByteArray request; int function, start, count; } rows[] = {
        {"03 holding 0-9", readHolding(kSlave, 0, 10), 3, 0, 10},
        {"03 live read frame, 20 from 0", readRequest(kSlave, 3, 0, 20), 3, 0, 20},
        {"03 one register 121", readHolding(kSlave, 121, 1), 3, 121, 1},
        {"03 start above 255 (high address byte)", readHolding(kSlave, 0x0105, 9), 3, 0x0105, 9},
        {"03 the last ten, 290-299", readHolding(kSlave, 290, 10), 3, 290, 10},
        {"03 125 registers, the most one read may ask", readHolding(kSlave, 100, 125), 3, 100, 125},
        {"04 record read, 23 from 46", readInput(kSlave, 46, 23), 4, 46, 23},
        {"04 live read frame, 20 from 280", readRequest(kSlave, 4, 280, 20), 4, 280, 20},
        {"04 start above 255", readInput(kSlave, 0x0110, 23), 4, 0x0110, 23},
        {"04 the last input, 299", readInput(kSlave, 299, 1), 4, 299, 1},
        {"04 125 inputs ending at 299", readInput(kSlave, 175, 125), 4, 175, 125},
        {"01 live read frame, all 16 coils", readRequest(kSlave, 1, 0, 16), 1, 0, 16},
        {"01 live read frame, 3 coils from 5", readRequest(kSlave, 1, 5, 3), 1, 5, 3},
        {"01 live read frame, 9 coils from 7", readRequest(kSlave, 1, 7, 9), 1, 7, 9},
        {"02 live read frame, 10 discrete inputs from 3", readRequest(kSlave, 2, 3, 10), 2, 3, 10},
    };
    for (const auto &r : rows)
        QTest::newRow(r.name) << r.request << r.function << r.start << r.count;
}

void TestLibmodbusPeer::reads()
{
    QFETCH(QByteArray, request);
    QFETCH(int, function);
    QFETCH(int, start);
    QFETCH(int, count);

    const Exchange ex = run(request);
    checkAnswered(request, ex, ReplyClass::Valid);

    // What libmodbus holds there, packed as a Modbus reply carries it.
    const Snapshot held = m_peer->snapshot();
    QByteArray data;
    if (function == 3 || function == 4) {
        const auto &table = function == 3 ? held.holding : held.input;
        data = wordsToBytes(std::vector<uint16_t>(table.begin() + start, table.begin() + start + count));
    } else {
        const auto &bits = function == 1 ? held.coils : held.discrete;
        data.fill('\0', (count + 7) / 8);
        for (int i = 0; i < count; ++i)
            if (bits[size_t(start + i)])
                data[i / 8] = char(uint8_t(data[i / 8]) | (1 << (i % 8)));
    }
    const QByteArray header = QByteArray(1, char(kSlave)) + char(function) + char(data.size());
    QCOMPARE(hexOf(ex.reply.left(ex.reply.size() - 2)), hexOf(header + data));
    QCOMPARE(ex.info.expected, int(ex.reply.size()));
}

// 06: the reply is the echo of the request, libmodbus's register holds the value, nothing else
// changed, and reading it back through the program gives the value.
void TestLibmodbusPeer::writeRegister_data()
{
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("value");
    QTest::newRow("116 = 003C") << 116 << 0x003C;
    QTest::newRow("0 = FFFF") << 0 << 0xFFFF;
    QTest::newRow("299 = 8001") << 299 << 0x8001;
    QTest::newRow("0x0120 = 1234 (high address byte)") << 0x0120 << 0x1234;
    QTest::newRow("122 = 0000") << 122 << 0x0000;
}

void TestLibmodbusPeer::writeRegister()
{
    QFETCH(int, reg);
    QFETCH(int, value);
    m_peer->setHolding(reg, uint16_t(~value));  // so the write shows
    Snapshot expected = m_peer->snapshot();
    expected.holding[size_t(reg)] = uint16_t(value);

    const QByteArray request = modbus::writeRegister(kSlave, uint16_t(reg), uint16_t(value));
    const Exchange ex = run(request);
    checkAnswered(request, ex, ReplyClass::Valid);
    QCOMPARE(hexOf(ex.reply), hexOf(request));
    const Snapshot after = m_peer->snapshot();
    QVERIFY2(after == expected, qPrintable(describeDifference(after, expected)));

    QByteArray back;
    readHoldingBack(uint16_t(reg), 1, back);
    QCOMPARE(hexOf(back), hexOf(wordsToBytes({uint16_t(value)})));
}

// 05 on and off: the echo, the coil's state in libmodbus, and the state read back with 01.
void TestLibmodbusPeer::writeCoil_data()
{
    QTest::addColumn<int>("coil");
    QTest::addColumn<bool>("on");
    QTest::newRow("3 on") << 3 << true;
    QTest::newRow("3 off") << 3 << false;
    QTest::newRow("0 on") << 0 << true;
    QTest::newRow("8 on") << 8 << true;
    QTest::newRow("15 off") << 15 << false;
}

void TestLibmodbusPeer::writeCoil()
{
    QFETCH(int, coil);
    QFETCH(bool, on);
    m_peer->setCoil(coil, !on);
    Snapshot expected = m_peer->snapshot();
    expected.coils[size_t(coil)] = on ? 1 : 0;

    const QByteArray request = modbus::writeCoil(kSlave, uint16_t(coil), on);
    const Exchange ex = run(request);
    checkAnswered(request, ex, ReplyClass::Valid);
    QCOMPARE(hexOf(ex.reply), hexOf(request));
    const Snapshot after = m_peer->snapshot();
    QVERIFY2(after == expected, qPrintable(describeDifference(after, expected)));

    const QByteArray read = modbus::readRequest(kSlave, 1, uint16_t(coil), 1);
    const Exchange back = run(read);
    checkAnswered(read, back, ReplyClass::Valid);
    QCOMPARE(hexOf(back.reply.mid(2, 2)), hexOf(QByteArray(1, '\1') + char(on ? 1 : 0)));
}

// 16: an 8-byte reply naming start and count, exactly the registers written changed (the ones
// either side did not), and the values read back.
void TestLibmodbusPeer::writeRegisters_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("122-123 zeroed") << 122 << hx("00 00 00 00");
    QTest::newRow("a run of ten from 200")
        << 200 << hx("01 02 03 04 A5 5A FF FF 00 01 80 00 7F FF 12 34 FE DC 00 00");
    QTest::newRow("one register at 0") << 0 << hx("BE EF");
    QTest::newRow("four ending at 299") << 296 << hx("11 11 22 22 33 33 44 44");
    QByteArray most;
    for (int i = 0; i < 123; ++i)
        most += wordsToBytes({uint16_t(0x0F00 + i * 0x0111)});
    QTest::newRow("123 registers from 150, the most one write may carry") << 150 << most;
}

void TestLibmodbusPeer::writeRegisters()
{
    QFETCH(int, start);
    QFETCH(QByteArray, data);
    const std::vector<uint16_t> values = bytesToWords(data);
    const int count = int(values.size());
    for (int i = 0; i < count; ++i)
        m_peer->setHolding(start + i, uint16_t(~values[size_t(i)]));  // non-zero and different
    Snapshot expected = m_peer->snapshot();
    for (int i = 0; i < count; ++i)
        expected.holding[size_t(start + i)] = values[size_t(i)];

    const QByteArray request = modbus::writeRegisters(kSlave, uint16_t(start), data);
    const Exchange ex = run(request);
    checkAnswered(request, ex, ReplyClass::Valid);
    QCOMPARE(ex.reply.size(), 8);
    const QByteArray echoed = QByteArray(1, char(kSlave)) + char(0x10) + char(start >> 8) + char(start & 0xFF)
        + char(count >> 8) + char(count & 0xFF);
    QCOMPARE(hexOf(ex.reply.left(6)), hexOf(echoed));
    const Snapshot after = m_peer->snapshot();
    QVERIFY2(after == expected, qPrintable(describeDifference(after, expected)));

    QByteArray back;
    readHoldingBack(uint16_t(start), count, back);
    QCOMPARE(hexOf(back), hexOf(data));
}

// Requests libmodbus refuses: an exception reply the program classifies with its code, and the
// mapping untouched.
void TestLibmodbusPeer::exceptions_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("code");
    using namespace modbus;
    const struct { const char *name; QByteArray request; int code; } rows[] = {
        {"03 beyond the holding map", readHolding(kSlave, 300, 1), 2},
        {"03 running past the end", readHolding(kSlave, 295, 10), 2},
        {"03 126 registers", readHolding(kSlave, 0, 126), 3},
        {"03 live read frame beyond the map", readRequest(kSlave, 3, 0x1000, 20), 2},
        {"04 record read beyond the input map", readInput(kSlave, 300, 23), 2},
        {"01 live read frame beyond the coils", readRequest(kSlave, 1, 16, 1), 2},
        {"06 beyond the holding map", modbus::writeRegister(kSlave, 300, 0x1234), 2},
        {"05 beyond the coils", modbus::writeCoil(kSlave, 16, true), 2},
        {"16 running past the end", modbus::writeRegisters(kSlave, 299, hx("12 34 56 78")), 2},
    };
    for (const auto &r : rows)
        QTest::newRow(r.name) << r.request << r.code;
}

void TestLibmodbusPeer::exceptions()
{
    QFETCH(QByteArray, request);
    QFETCH(int, code);
    const Snapshot before = m_peer->snapshot();

    const Exchange ex = run(request);
    checkAnswered(request, ex, ReplyClass::Exception);
    QCOMPARE(int(ex.info.exceptionCode), code);
    QCOMPARE(ex.reply.size(), 5);
    QCOMPARE(uint8_t(ex.reply[1]), uint8_t(uint8_t(request[1]) | 0x80));
    const Snapshot after = m_peer->snapshot();
    QVERIFY2(after == before, qPrintable(describeDifference(after, before)));
}

// Frames to other addresses: libmodbus keeps silent, the program reports no reply, nothing is
// written, and afterwards slave 17 answers normally.
void TestLibmodbusPeer::otherAddressesGetNoReply()
{
    const Snapshot before = m_peer->snapshot();
    const struct { const char *name; QByteArray request; } rows[] = {
        {"03 to 18", modbus::readHolding(18, 0, 20)},
        {"06 to 18", modbus::writeRegister(18, 5, 0xBEEF)},
        {"05 to 1", modbus::writeCoil(1, 2, !before.coils[2])},
        {"16 to 247", modbus::writeRegisters(247, 122, hx("00 00 00 00"))},
        {"04 to 16", modbus::readInput(16, 46, 23)},
    };
    for (const auto &r : rows) {
        const int ignored = m_peer->ignoredRequests();
        // SetCoil's short wait: nothing is coming.
        const Exchange ex = run(r.request, &kinds::SetCoil);
        QVERIFY2(ex.sent, r.name);
        QVERIFY2(ex.info.cls == ReplyClass::None,
                 qPrintable(QStringLiteral("%1: reply [%2]").arg(QLatin1String(r.name), hexOf(ex.reply))));
        QVERIFY2(ex.reply.isEmpty(), r.name);
        // libmodbus read the frame, saw it was not for 17 and let its wait for the other
        // slave's answer run out: the next frame is its own again.
        QVERIFY2(m_peer->waitUntilIgnorePhasesDone(ignored + 1), r.name);
        QCOMPARE(m_peer->ignoredRequests(), ignored + 1);
        QCOMPARE(hexOf(m_peer->takeCarried()), hexOf(r.request));
    }
    const Snapshot after = m_peer->snapshot();
    QVERIFY2(after == before, qPrintable(describeDifference(after, before)));

    const QByteArray request = modbus::readRequest(kSlave, 3, 0, 20);
    const Exchange ex = run(request);
    checkAnswered(request, ex, ReplyClass::Valid);
    QCOMPARE(hexOf(ex.reply.mid(3, 40)),
             hexOf(wordsToBytes(std::vector<uint16_t>(after.holding.begin(), after.holding.begin() + 20))));
}

QTEST_GUILESS_MAIN(TestLibmodbusPeer)
#include "test_libmodbus_peer.moc"
