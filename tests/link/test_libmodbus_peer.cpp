// The program's frames, CRCs and exchange routine against libmodbus's RTU slave, an
// implementation nobody here wrote.
//
// Plumbing: two pseudo-terminals. libmodbus opens the slave end of pty A, the program's Link
// opens the slave end of pty B, and a bridge thread copies bytes between the two master ends.
// A second thread runs libmodbus's server loop (modbus_receive / modbus_reply) on a mapping
// prefilled with known values.
#include "libmodbuspeer.h"

#include <QTest>

using namespace peer;

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
