// The checks before a download against a simulated recorder, at the register space's edge (2849
// records of 20 sensors are addressable, 2850 are not), with the count read or given, and a sensor
// count other than asked refused or taken.
#include "core/jobs/downloadcheck.h"
#include "core/records/recorddecode.h"
#include "simlines.h"
#include "tablerows.h"
#include <QTest>

namespace {
using Verdict = jobs::DownloadCheck::Verdict;
constexpr int Read = -1;  // the count is read from the recorder
// sensors: the recorder's (0: no recorder at the address); count: its record count; last: the record
// asked for (Read: its count); asked: the sensors asked (0: its own); take: a mismatch is taken.
const auto &checkRows() { static const struct { const char *name; int sensors, count, last, asked; bool take; Verdict verdict; int used, lastWanted; } rows[] = {
    {"the last addressable record", 20, 2849, Read, 0, false, Verdict::Ready, 20, 2849},
    {"one past it", 20, 2850, Read, 0, false, Verdict::BeyondMemory, 20, 2850},
    {"one past it, asked for", 20, 3, 2850, 20, false, Verdict::BeyondMemory, 20, 2850},
    {"fewer sensors reach further", 10, 5041, Read, 10, false, Verdict::Ready, 10, 5041},
    {"another sensor count refused", 10, 3, Read, 20, false, Verdict::OtherSensors, 20, 3},
    {"another sensor count taken", 10, 3000, 3000, 20, true, Verdict::Ready, 10, 3000},
    {"taken, then past the space", 20, 3, 2900, 10, true, Verdict::BeyondMemory, 20, 2900},
    {"no recorder", 0, 0, Read, 0, false, Verdict::NoCount, 0, 0},
    {"no recorder, count given", 0, 0, 5, 20, false, Verdict::NoSensors, 0, 5},
}; return rows; }
} // namespace

class TestDownloadCheck : public QObject {
    Q_OBJECT
private slots:
    void check_data() { tableRows(checkRows()); }
    void check()
    {
        const auto &r = tableRow(checkRows());
        QCOMPARE(records::lastAddressableRecord(20), 2849);
        QCOMPARE(records::lastAddressableRecord(10), 5041);
        sim::SimRecorder bus;
        QVERIFY(bus.start());
        if (r.sensors) {
            bus.setRecords(sim::SimRecorder::demoRecords(2, QDateTime(QDate(2026, 1, 1), QTime(8, 0)), r.sensors), 21);
            bus.setHolding(records::RecordCountRegister, uint16_t(r.count), 21);
        } else {
            bus.removeDevice(21);
        }
        Link link;
        QCOMPARE(openOn(link, bus), QString());
        auto hold = link.tryHold();
        int counts = 0, asked = 0;
        jobs::DownloadAsk ask;
        if (r.last != Read)
            ask.last = r.last;
        ask.sensors = r.asked;
        ask.countRead = [&](const records::CountRead &) { ++counts; };
        ask.takeRecorders = [&](int recorders) {
            ++asked;
            return recorders == r.sensors && r.take;
        };
        const jobs::DownloadCheck c = jobs::checkDownload(link, *hold, 21, 1, ask);
        QCOMPARE(int(c.verdict), int(r.verdict));
        QCOMPARE(c.last, r.lastWanted);
        QCOMPARE(counts, r.last == Read ? 1 : 0);
        QCOMPARE(asked, r.asked && r.sensors && r.asked != r.sensors ? 1 : 0);
        if (c.verdict == Verdict::Ready || c.verdict == Verdict::BeyondMemory) {
            QCOMPARE(c.sensors, r.used);
            QCOMPARE(c.lastAddressable, records::lastAddressableRecord(r.used));
        }
    }
};

QTEST_GUILESS_MAIN(TestDownloadCheck)
#include "test_downloadcheck.moc"
