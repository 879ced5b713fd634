// The live read job, headless against the simulated recorder: the words it hands over are the
// device's registers from the first asked, and nothing is handed over from a reply it cannot trust.
#include "core/jobs/liveread.h"
#include "tablerows.h"
#include "simlines.h"
#include <QTest>

namespace {
using F = sim::Fault;
// taken: words handed over (0: none); holding 0 … 29 hold 1000 + r, input registers their own.
const auto &readRows() { static const struct { const char *name; uint8_t function; uint16_t start; uint8_t count; F fault; int taken; } rows[] = {
    {"holding, twenty from 0", 3, 0, 20, F::None, 20},
    {"holding, five from 7", 3, 7, 5, F::None, 5},
    {"input registers", 4, 2, 3, F::None, 3},
    {"exception", 3, 0, 20, F::Exception, 0},
    {"bad CRC", 3, 0, 20, F::BadCrc, 0},
    {"cut short", 3, 0, 20, F::Truncated, 0},
    {"another address", 3, 0, 20, F::OtherAddress, 0},
    {"no reply", 3, 0, 20, F::NoReply, 0},
}; return rows; }
} // namespace

class TestLiveRead : public QObject {
    Q_OBJECT
private slots:
    void reads_data() { tableRows(readRows()); }
    void reads()
    {
        const auto &r = tableRow(readRows());
        sim::SimRecorder recorder;
        QVERIFY(recorder.start());
        for (uint16_t reg = 0; reg < 30; ++reg)
            recorder.setHolding(reg, uint16_t(1000 + reg));
        recorder.injectFault(sim::FaultSpec{r.fault});
        Link link;
        QVERIFY(openOn(link, recorder).isEmpty());
        auto hold = link.tryHold();
        const jobs::LiveReading got = jobs::readLiveValues(link, *hold, {21, r.function, r.start, r.count});
        QVERIFY(got.exchange.sent);
        QCOMPARE(got.words.size(), r.taken);
        QCOMPARE(got.complete(), r.taken > 0);
        for (int k = 0; k < r.taken; ++k)
            QCOMPARE(got.words[k], r.function == 3 ? uint16_t(1000 + r.start + k) : recorder.input(uint16_t(r.start + k)));
    }
};

QTEST_GUILESS_MAIN(TestLiveRead)
#include "test_liveread.moc"
