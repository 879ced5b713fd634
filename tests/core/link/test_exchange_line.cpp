// Link::exchange against the simulated recorder on lines that behave as real USB–RS485 adapters do:
// a local echo (whole, cut short, garbled; of reads and of writes), bytes handed over in batches,
// a reply split by a pause; and a slave that ends frames by silence, as a real one does. Then one
// line with two devices at different rates, as a bus scan meets it, a device that refuses a write, and
// one that refuses block reads of records. Last, pairs of exchanges of one shape after a fault: the
// second gets its own reply or fails, never the first one's.
#include "core/link/crc16.h"
#include "core/link/framelog.h"
#include "core/link/hex.h"
#include "core/records/recordcount.h"
#include "tablerows.h"
#include "simlines.h"
#include <QTest>
#include <QSerialPort>
#include <QThread>

#include <unistd.h>

namespace {
using C = modbus::ReplyClass;

// fault: on the last exchange; pauseMs: of a split reply; steps: r read, w write, o a one-register
// read. logged: the frames the bus monitor's log gets (Sent, Received, Echo, No reply).
const auto &lineRows() { using F = sim::Fault; using M = EchoMode; static const struct { const char *name; int baud; bool echo; int batchMs; F fault; int pauseMs; M mode; const char *steps; C cls; bool echoRemoved; int notices; const char *logged; } rows[] = {
    {"no echo", 115200, false, 0, F::None, 0, M::Auto, "r", C::Valid, false, 0, "SR"},
    {"echo found, said once", 115200, true, 0, F::None, 0, M::Auto, "rr", C::Valid, true, 1, "SERSER"},
    {"echo cut short", 115200, true, 0, F::EchoCut, 0, M::Auto, "r", C::CrcMismatch, false, 0, "SR"},
    {"echo garbled", 115200, true, 0, F::EchoSpoiled, 0, M::Auto, "r", C::CrcMismatch, false, 0, "SR"},
    // Step o reads holding 96 of 21: the first seven bytes of its request pass for its reply.
    {"echo in two pieces", 115200, true, 0, F::EchoSplit, 0, M::Auto, "o", C::Valid, true, 1, "SER"},
    {"write echoed and answered", 115200, true, 0, F::None, 0, M::Auto, "rw", C::Valid, true, 1, "SERSER"},
    {"write echoed, not answered", 115200, true, 0, F::NoReply, 0, M::Auto, "rw", C::None, true, 1, "SERSEN"},
    {"echo, handling off", 115200, true, 0, F::None, 0, M::Off, "r", C::CrcMismatch, false, 0, "SR"},
    {"echo, handling on", 115200, true, 0, F::None, 0, M::On, "w", C::Valid, true, 1, "SER"},
    {"echo in 16 ms batches", 115200, true, 16, F::None, 0, M::Auto, "r", C::Valid, true, 1, "SER"},
    {"split within the window", 115200, false, 0, F::Split, 20, M::Auto, "r", C::Valid, false, 0, "SR"},
    {"split past the window", 115200, false, 0, F::Split, 1000, M::Auto, "r", C::Short, false, 0, "SR"},
    // The slave hears the second request only if the master kept the gap after the first reply.
    {"gap kept after a reply", 2400, false, 0, F::None, 0, M::Auto, "rr", C::Valid, false, 0, "SRSR"},
    {"gap kept after a write's reply", 2400, true, 0, F::None, 0, M::Auto, "rwr", C::Valid, true, 1, "SERSERSER"},
}; return rows; }

const auto &silenceRows() { static const struct { const char *name; bool bySilence, duringReply; int answered; } rows[] = {
    {"two requests in one write, by length", false, false, 2},
    {"two requests in one write, by silence", true, false, 0},
    {"a request before the reply has gone, by length", false, true, 2},
    {"a request before the reply has gone, by silence", true, true, 1},
}; return rows; }

// records: whole records the reply carries from the start (-1: exception 02, 0: nothing).
const auto &refusalRows() { using R = sim::SimRecorder::BlockRefusal; static const struct { const char *name; R how; int start, quantity, records; } rows[] = {
    {"five records served", R::None, 23, 115, 5},
    {"refused by exception", R::Exception, 23, 115, -1},
    {"one register past a record: exception", R::Exception, 0, 24, -1},
    {"one record is served", R::Exception, 23, 23, 1},
    {"swallowed", R::NoReply, 23, 115, 0},
    {"one record, not swallowed", R::NoReply, 46, 23, 1},
    {"capped to the first record", R::WrongLength, 23, 115, 1},
    {"one register past a record: capped", R::WrongLength, 46, 24, 1},
}; return rows; }

using Value = std::optional<int>;
using Read = std::function<Value(Link &, const Link::Hold &)>;

// own: what the second read must give; firstMs: the first exchange's window (a late reply comes 50 ms after it).
const auto &pairRows() {
    const auto lastWord = [](const Exchange &ex) -> Value {
        return ex.valid() ? Value(uint8_t(ex.reply[ex.reply.size() - 4]) << 8 | uint8_t(ex.reply[ex.reply.size() - 3])) : std::nullopt;
    };
    const auto clock = [=](uint8_t a) {
        return [=](Link &l, const Link::Hold &h) { return lastWord(l.exchange(h, kinds::ClockRead, modbus::readHolding(a, 117, 4))); };
    };
    const auto count = [](uint8_t a) {
        return [=](Link &l, const Link::Hold &h) { return records::readRecordCount(l, h, a).count; };
    };
    // Each pair asks two devices: a late reply of the first may come from the other into one window.
    static const struct { const char *name; Read first, second; int own, firstMs; } rows[] = {
        // Reads of one device after a fault (interval then count, live reads) are the timing fuzzer's
        // (tests/core/jobs/test_timing); these cross devices and the moving clock on a real line.
        {"clock then clock", clock(21), clock(22), 0x2019, 200},
        {"counts in a module pass", count(21), count(22), 3, 300},
    }; return rows; }
enum Trouble { LateIntoGuard, LateAfterGuard, Trailing, OtherAddress, Cancel };
const char *const TroubleNames[] = {"late reply into the guard", "late reply after the guard", "trailing bytes", "another address", "a cancel"};
} // namespace

class TestExchangeLine : public QObject {
    Q_OBJECT
private slots:
    void lineBehaviours_data() { tableRows(lineRows()); }
    void lineBehaviours()
    {
        const auto &r = tableRow(lineRows());
        const QByteArray read = modbus::readInput(21, 0, 60);  // 125 bytes back: more than one USB packet
        const QByteArray write = modbus::writeRegister(21, 116, 90), shortRead = modbus::readHolding(21, 104, 1),
                         oneRead = modbus::readHolding(21, 96, 1);
        const ExchangeKind kind = readWithin(300);
        sim::SimRecorder recorder;
        Link link;
        FrameLog log;
        link.setObserver(&log);
        QVERIFY(recorder.start());
        recorder.setLineBaud(r.baud);
        recorder.setFrameEndBySilence(true);
        recorder.setTurnaroundMs(2);
        recorder.setEcho(r.echo);
        recorder.setBatchLatencyMs(r.batchMs);
        sim::FaultSpec fault{r.fault};
        fault.splitPauseMs = r.pauseMs;
        fault.splitLate = r.pauseMs > kind.firstWaitMs;  // past the window on purpose; within it, on time however slow
        recorder.setFaultRule([=, last = int(qstrlen(r.steps)) - 1](const QByteArray &, int serial) { return serial == last ? fault : sim::FaultSpec{}; });
        link.setEchoMode(r.mode);
        QVERIFY(openOn(link, recorder, r.baud).isEmpty());
        auto hold = link.tryHold();
        Exchange ex;
        int echoLearned = 0;  // said once a line
        for (const char *step = r.steps; *step; ++step) {
            ex = link.exchange(*hold, kind, *step == 'w' ? write : *step == 'o' ? oneRead : r.baud < 9600 ? shortRead : read);
            echoLearned += ex.echoLearned;
        }
        QVERIFY2(ex.info.cls == r.cls && ex.echoRemoved == r.echoRemoved && echoLearned == r.notices, r.name);
        // What is handed on is the device's own reply, whole and alone.
        QVERIFY2(r.cls != C::Valid || ex.info.exact(), r.name);
        QString logged;
        for (qint64 seq = log.firstSeq(); seq < log.endSeq(); ++seq)
            logged += QLatin1Char("SREDTN"[int(log.at(seq).kind)]);
        QVERIFY2(logged == QLatin1String(r.logged), qPrintable(QStringLiteral("%1: %2").arg(r.name, logged)));
        const FrameRecord &last = log.at(log.endSeq() - 1);
        QVERIFY2(last.kind != FrameKind::Received || (last.bytes == ex.reply && last.request == ex.request), r.name);
    }

    // A master that skips the 3.5-character gap, written raw: with frame ends by silence its frames run
    // together and get no reply, and a frame sent before the reply to the one before has gone collides
    // with it; cut by length (the switch off) both would be answered.
    void frameEndsBySilence_data() { tableRows(silenceRows()); }
    void frameEndsBySilence()
    {
        const auto &r = tableRow(silenceRows());
        const QByteArray a = modbus::readHolding(21, 104, 1), b = modbus::readHolding(21, 116, 1);
        sim::SimRecorder recorder;
        QSerialPort port;
        QVERIFY(recorder.start());
        recorder.setLineBaud(1200);  // a gap of 29 ms
        recorder.setFrameEndBySilence(r.bySilence);
        port.setPortName(recorder.portPath());
        QVERIFY(port.open(QIODevice::ReadWrite) && port.setBaudRate(1200));
        std::atomic<ssize_t> written = r.duringReply ? 0 : b.size();
        if (r.duringReply)  // b leaves once a has come and before its reply exists, however late that is
            recorder.setFrameHook([&](int index) {
                if (index == 0)
                    written = ::write(port.handle(), b.constData(), size_t(b.size()));
            });
        port.write(r.duringReply ? a : a + b);
        QVERIFY(port.waitForBytesWritten(5000));
        QVERIFY(recorder.waitForRequests(r.bySilence && !r.duringReply ? 1 : 2, 5000));
        const auto settled = [&] { return QTest::qWaitFor([&] { return !recorder.replyPending(); }, 10000); };
        QVERIFY(settled() && written == b.size());
        // A probe after at least the gap (a longer silence never hurts); what came for the two comes
        // before its own reply.
        QTest::qWait(2 * 29);
        const QByteArray probe = modbus::readHolding(21, 121, 1);
        port.write(probe);
        QVERIFY(port.waitForBytesWritten(5000));
        QVERIFY(recorder.waitForRequests(r.bySilence && !r.duringReply ? 2 : 3, 5000) && settled());
        port.waitForReadyRead(0);
        while (port.bytesAvailable() < 7 * (r.answered + 1) && port.waitForReadyRead(5000)) {
        }
        QVERIFY2(port.bytesAvailable() == 7 * (r.answered + 1), r.name);
        QVERIFY2(modbus::classifyReply(probe, port.readAll().right(7)).cls == modbus::ReplyClass::Valid, r.name);
    }

    // Device 21 at 19200, device 22 at 9600, the rows run in order on one line: a device answers only
    // at its own rate, a baud change (2560 + code) or a broadcast one moves only the devices that heard
    // it, and a refused register is answered with exception 03 and keeps its value.
    void devicesAtTheirOwnRates()
    {
        using namespace modbus;
        sim::SimRecorder recorder;
        Link link;
        QVERIFY(recorder.start());
        recorder.setLineBaud(19200);
        recorder.addDevice(22);
        recorder.setDeviceBaud(22, 9600);
        recorder.setFrameEndBySilence(true);
        recorder.setRefusedRegister(116, true, 21);
        QVERIFY(openOn(link, recorder).isEmpty());
        const ExchangeKind kind = readWithin(300);
        // value: the word a read gives, or the exception's code.
        const struct { const char *name; int baud; QByteArray request; C cls; int value; } rows[] = {
            {"21 answers at its rate", 19200, readHolding(21, 116, 1), C::Valid, 59},
            {"22 is silent at 21's rate", 19200, readHolding(22, 116, 1), C::None, 0},
            {"22 answers at its rate", 9600, readHolding(22, 116, 1), C::Valid, 59},
            {"21 is silent at 22's rate", 9600, readHolding(21, 116, 1), C::None, 0},
            {"22's baud register names its own rate", 9600, readHolding(22, 2562, 1), C::Valid, 2},
            {"22 moves to 38400", 9600, writeRegister(22, 2562, 5), C::Valid, 5},
            {"22 answers at its new rate", 38400, readHolding(22, 2565, 1), C::Valid, 5},
            {"21 stayed at 19200", 19200, readHolding(21, 2564, 1), C::Valid, 4},
            {"a broadcast write", 19200, writeRegister(0, 104, 7), C::None, 0},
            {"a broadcast moves 21 to 9600", 19200, writeRegister(0, 2564, 2), C::None, 0},
            {"21 answers at 9600", 9600, readHolding(21, 2562, 1), C::Valid, 2},
            {"21 heard the broadcast write", 9600, readHolding(21, 104, 1), C::Valid, 7},
            {"22 did not hear it", 38400, readHolding(22, 104, 1), C::Valid, 20},
            {"21 refuses a write to 116", 9600, writeRegister(21, 116, 90), C::Exception, 3},
            {"21 refuses a block write over 116", 9600, writeRegisters(21, 115, QByteArray(4, '\x01')), C::Exception, 3},
            {"116 kept its value", 9600, readHolding(21, 115, 2), C::Valid, 59},
            {"22 takes a write to 116", 38400, writeRegister(22, 116, 90), C::Valid, 90},
        };
        for (const auto &r : rows) {
            QVERIFY(link.setBaudRate(r.baud));
            auto hold = link.tryHold();
            const Exchange ex = link.exchange(*hold, kind, r.request);
            QVERIFY2(ex.info.cls == r.cls, r.name);
            if (r.cls == C::Exception)
                QVERIFY2(ex.info.exceptionCode == r.value, r.name);
            else if (r.cls == C::Valid)  // the last word of a read or of an 06 echo
                QVERIFY2((uint8_t(ex.reply[ex.reply.size() - 4]) << 8 | uint8_t(ex.reply[ex.reply.size() - 3])) == r.value, r.name);
        }
    }

    // A simulator the machine does not schedule for longer than the window (its frame hook sleeps) still
    // has its reply taken: the window waits while the simulator says a reply is on its way.
    void starvedSimulator()
    {
        sim::SimRecorder recorder;
        Link link;
        QVERIFY(recorder.start());
        QVERIFY(openOn(link, recorder).isEmpty());
        recorder.setFrameHook([](int) { QThread::msleep(200); });
        QCOMPARE(link.exchange(*link.tryHold(), readWithin(50), modbus::readHolding(21, 116, 1)).info.cls, C::Valid);
    }

    // Records of 20 sensors (23 registers each) at device 21. A refusing device refuses only input reads
    // of more than one record, each in its own way; the bytes back are checked whole.
    void blockReadRefusals_data() { tableRows(refusalRows()); }
    void blockReadRefusals()
    {
        const auto &r = tableRow(refusalRows());
        sim::SimRecorder recorder;
        Link link;
        QVERIFY(recorder.start());
        const auto records = sim::SimRecorder::demoRecords(6, QDateTime(QDate(2026, 3, 1), QTime(8, 0)), 20);
        recorder.setRecords(records);
        QVERIFY(openOn(link, recorder).isEmpty());
        const ExchangeKind kind = readWithin(300);
        recorder.setBlockRefusal(r.how);
        auto hold = link.tryHold();
        const Exchange ex = link.exchange(*hold, kind, modbus::readInput(21, uint16_t(r.start), uint8_t(r.quantity)));
        QByteArray expected = QByteArray::fromHex(r.records < 0 ? "15840282C5" : "");
        for (int i = 0; i < r.records; ++i)
            expected += sim::SimRecorder::recordBytes(records[r.start / 23 + i]);
        if (r.records > 0) {
            expected.prepend(QByteArray::fromHex("1504") + char(46 * r.records));
            appendCrc(expected);
        }
        QVERIFY2(ex.reply == expected, r.name);
        // Other functions read past 23 registers as before.
        QVERIFY(link.exchange(*hold, kind, modbus::readHolding(21, 100, 30)).valid());
    }

    // Device 21 holds 10 records, device 22 three; their clocks are years apart. The first exchange of each
    // pair meets the trouble; the second is of the same shape (a late first reply would pass for it).
    void everyReplyItsOwn_data()
    {
        QTest::addColumn<int>("pair");
        QTest::addColumn<int>("t");
        for (int p = 0; p < int(std::size(pairRows())); ++p)
            for (int t = LateIntoGuard; t <= Cancel; ++t)
                QTest::addRow("%s, %s", pairRows()[p].name, TroubleNames[t]) << p << t;
    }
    void everyReplyItsOwn()
    {
        QFETCH(int, pair);
        QFETCH(int, t);
        const auto &p = pairRows()[pair];
        sim::SimRecorder recorder;
        Link link;
        FrameLog log;
        link.setObserver(&log);
        QVERIFY(recorder.start());
        recorder.addDevice(22);
        recorder.setRecords(sim::SimRecorder::demoRecords(10, QDateTime(QDate(2026, 3, 1), QTime(8, 0))), 21);
        recorder.setRecords(sim::SimRecorder::demoRecords(3, QDateTime(QDate(2019, 7, 1), QTime(8, 0))), 22);
        recorder.setClock(QDateTime(QDate(2019, 7, 1), QTime(8, 0)), 22);
        for (uint16_t r = 0; r < 20; ++r)
            recorder.setHolding(r, uint16_t(100 + r), 21);
        const sim::Fault fault = t == Trailing ? sim::Fault::Trailing : t == OtherAddress ? sim::Fault::OtherAddress : sim::Fault::Late;
        recorder.setFaultRule([&, fault, late = p.firstMs + 50, cancel = t == Cancel](const QByteArray &, int serial) {
            if (serial != 0)
                return sim::FaultSpec{};
            if (cancel)  // as the stop button is clicked while the reply is on its way
                QMetaObject::invokeMethod(&link, [&link] { link.cancelCommand(CancelReason::Stop); }, Qt::QueuedConnection);
            sim::FaultSpec f{fault};
            f.lateMs = late;
            return f;
        });
        // After the guard: the late reply meets the second request, which the busy device ignored.
        link.setGuardMs(t == LateAfterGuard ? 100 : 1000);
        QVERIFY(openOn(link, recorder).isEmpty());
        Value second;
        {
            auto hold = link.tryHold();
            p.first(link, *hold);
            if (t != Cancel)
                second = p.second(link, *hold);
        }
        if (t == Cancel) {
            auto hold = link.tryHold();
            second = p.second(link, *hold);
        }
        const bool mayFail = t == LateAfterGuard;  // two devices answered into one window
        QVERIFY(second == p.own || (mayFail && !second));
        // A late reply that falls into the guard is dropped there, and shown so.
        bool dropped = false;
        for (qint64 seq = log.firstSeq(); seq < log.endSeq(); ++seq)
            dropped = dropped || log.at(seq).kind == FrameKind::Dropped;
        QVERIFY(dropped || (t != LateIntoGuard && t != Cancel));
    }
};

QTEST_GUILESS_MAIN(TestExchangeLine)
#include "test_exchange_line.moc"
