// Every wait of a command ends at once when the command is cancelled, and the cancel says why. No
// timing is asserted: each wait here is an hour long, so one that did not end runs into the timeout.
#include "core/link/exchange.h"
#include "core/records/recorddownload.h"
#include "tablerows.h"
#include "simlines.h"
#include <QTest>
#include <QTimer>

constexpr int Hour = 3600 * 1000;
using R = CancelReason;
using End = records::DownloadOutcome::End;
enum class Wait { Reply, Pause, Silence, Download };

const auto &cancelRows() { static const struct { const char *name; Wait wait; R reason; End end; } rows[] = {
    {"reply wait, stop", Wait::Reply, R::Stop, End::Stopped},
    {"pause, window closing", Wait::Pause, R::Closing, End::Closing},
    {"pause, port lost", Wait::Pause, R::PortLost, End::PortLost},
    {"guard on a line kept busy, stop", Wait::Silence, R::Stop, End::Stopped},
    {"download, part stopped", Wait::Download, R::Stop, End::Stopped},
    {"download, window closing", Wait::Download, R::Closing, End::Closing},
    {"download, port lost", Wait::Download, R::PortLost, End::PortLost},
}; return rows; }

class TestCancel : public QObject {
    Q_OBJECT
private slots:
    void waitsEndWhenCancelled_data() { tableRows(cancelRows()); }
    void waitsEndWhenCancelled()
    {
        const auto &r = tableRow(cancelRows());
        sim::SimRecorder recorder;
        Link link;
        QVERIFY(recorder.start());  // device 21
        recorder.setRecords(sim::SimRecorder::demoRecords(5, QDateTime(QDate(2026, 1, 1), QTime(8, 0))));
        // Record reads (04) get no reply; other reads are answered and keep the line talking.
        recorder.setFaultRule([](const QByteArray &q, int) { return sim::FaultSpec{q[1] == 4 ? sim::Fault::NoReply : sim::Fault::None}; });
        QVERIFY(openOn(link, recorder).isEmpty());
        auto hold = link.tryHold();
        const Link::Hold part = hold->part();  // as a module pass hands its download
        QTimer talk;  // the line kept busy
        QObject::connect(&talk, &QTimer::timeout, [&] { link.line()->write(modbus::readHolding(21, 0, 20)); });
        talk.start(5);
        QTimer::singleShot(50, [&] {
            if (r.reason == R::PortLost)
                recorder.stop();
            else if (r.reason == R::Closing)
                link.cancelCommand(R::Closing);
            else
                (r.wait == Wait::Download ? part : *hold).cancel().cancel(R::Stop);
        });
        ExchangeKind kind = kinds::RecordRead;
        kind.firstWaitMs = Hour;
        switch (r.wait) {
        case Wait::Reply: QVERIFY2(link.exchange(*hold, kind, modbus::readInput(21, 0, 23)).aborted, r.name); break;
        case Wait::Pause: link.pause(*hold, Hour); break;
        case Wait::Silence: {  // the guard after a doubted reply, on a line that never falls silent
            link.setGuardMs(Hour / 10);
            link.distrust();
            const Exchange ex = link.exchange(*hold, kind, modbus::readInput(21, 0, 23));
            QVERIFY2(ex.aborted && !ex.sent, r.name);
            break;
        }
        case Wait::Download: {
            const auto d = RecordDownload(link, records::ReplyWindow{.recordWindowMs = Hour, .blockReads = false}).run(part, 21, 1, 5, 20);
            QVERIFY2(d.end == r.end && d.unread == QList<int>{1} && d.notTriedFrom == 2, r.name);
        } }
        QVERIFY2(part.cancel().reason() == r.reason, r.name);
        // A part stopped on its own leaves the command running (the records tab's stop in a module pass).
        QVERIFY2(hold->cancel().cancelled() == (r.wait != Wait::Download || r.reason != R::Stop), r.name);
    }
};

QTEST_GUILESS_MAIN(TestCancel)
#include "test_cancel.moc"
