// Link::exchange against the simulated recorder on lines that behave as real USB–RS485 adapters do:
// a local echo (whole, cut short, garbled; of reads and of writes), bytes handed over in batches,
// a reply split by a pause.
#include "core/link/hex.h"
#include "recordingview.h"
#include "sim/simrecorder.h"
#include <QTest>

class TestExchangeLine : public QObject {
    Q_OBJECT
private slots:
    void lineBehaviours();
};

namespace {
struct NoticeCounter : RecordingView {
    int echoNotices = 0;
    void showStatus(const QString &text) override
    {
        RecordingView::showStatus(text);
        echoNotices += text.contains(QStringLiteral("串口适配器回显了发出的请求"));
    }
};
} // namespace

void TestExchangeLine::lineBehaviours()
{
    using F = sim::Fault;
    using C = modbus::ReplyClass;
    using M = EchoMode;
    const QByteArray read = modbus::readInput(21, 0, 60);  // 125 bytes back: more than one USB packet
    const QByteArray write = modbus::writeRegister(21, 116, 90);
    ExchangeKind kind = kinds::SingleParameterRead;
    kind.firstWaitMs = 300;
    const struct {
        const char *name;
        bool echo;
        int batchMs;
        F fault;       // on the last exchange
        int pauseMs;   // of a split reply
        M mode;
        const char *steps;  // r read, w write
        C cls;
        bool echoRemoved;
        int notices;
    } rows[] = {
        {"no echo", false, 0, F::None, 0, M::Auto, "r", C::Valid, false, 0},
        {"echo found, said once", true, 0, F::None, 0, M::Auto, "rr", C::Valid, true, 1},
        {"echo cut short", true, 0, F::EchoCut, 0, M::Auto, "r", C::CrcMismatch, false, 0},
        {"echo garbled", true, 0, F::EchoSpoiled, 0, M::Auto, "r", C::CrcMismatch, false, 0},
        {"write echoed and answered", true, 0, F::None, 0, M::Auto, "rw", C::Valid, true, 1},
        {"write echoed, not answered", true, 0, F::NoReply, 0, M::Auto, "rw", C::None, true, 1},
        {"echo, handling off", true, 0, F::None, 0, M::Off, "r", C::CrcMismatch, false, 0},
        {"echo, handling on", true, 0, F::None, 0, M::On, "w", C::Valid, true, 1},
        {"echo in 16 ms batches", true, 16, F::None, 0, M::Auto, "r", C::Valid, true, 1},
        {"split within the window", false, 0, F::Split, 20, M::Auto, "r", C::Valid, false, 0},
        {"split past the window", false, 0, F::Split, 1000, M::Auto, "r", C::Short, false, 0},
    };
    for (const auto &r : rows) {
        sim::SimRecorder recorder;
        NoticeCounter view;
        Link link(&view);
        QVERIFY(recorder.start());
        recorder.setLineBaud(115200);
        recorder.setTurnaroundMs(2);
        recorder.setEcho(r.echo);
        recorder.setBatchLatencyMs(r.batchMs);
        sim::FaultSpec fault{r.fault};
        fault.splitPauseMs = r.pauseMs;
        const int last = int(qstrlen(r.steps)) - 1;
        recorder.setFaultRule([=](const QByteArray &, int serial) { return serial == last ? fault : sim::FaultSpec{}; });
        link.setEchoMode(r.mode);
        link.port().setPortName(recorder.portPath());
        link.port().setBaudRate(115200);
        QVERIFY(link.port().open(QIODevice::ReadWrite));
        auto hold = link.tryHold();
        Exchange ex;
        for (const char *step = r.steps; *step; ++step)
            ex = link.exchange(*hold, kind, *step == 'r' ? read : write);
        QVERIFY2(ex.info.cls == r.cls, r.name);
        QVERIFY2(ex.echoRemoved == r.echoRemoved, r.name);
        QVERIFY2(view.echoNotices == r.notices, r.name);
        // What is shown and handed on is the device's own reply, whole and alone.
        if (r.cls == C::Valid)
            QVERIFY2(ex.info.exact() && view.state == ShowHex(ex.reply), r.name);
    }
}

QTEST_GUILESS_MAIN(TestExchangeLine)
#include "test_exchange_line.moc"
