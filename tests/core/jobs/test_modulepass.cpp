// The module pass and the download-and-keep job, headless against simulated modules: every module
// is visited in order, each step reports what it read, a module that cannot be trusted with a
// download gets none (and a note), the records kept are the memory's, and a stop ends the pass
// wherever it waits.
#include "core/jobs/modulepass.h"
#include "core/records/recordcount.h"
#include "tablerows.h"
#include "simlines.h"
#include <QTest>
#include <QTimer>

namespace {
// How each of modules 1 … 4 is set up: "3" records of 20 sensors, "-" absent, "3/10" with 10
// sensors, "9999" a count past the register space.
// seen: per module "live,count,kept" (kept: records handed to the keeping, "-" none); notes: the
// modules that got a note.
const auto &passRows() { static const struct { const char *name; QStringList modules; QStringList seen; QList<int> noted; } rows[] = {
    {"every module downloaded", {"3", "1", "0", "2"}, {"1:live,3,3", "2:live,1,1", "3:live,0,0", "4:live,2,2"}, {}},
    {"an absent module is passed by", {"2", "-", "1", "-"}, {"1:live,2,2", "2:-,-,-", "3:live,1,1", "4:-,-,-"}, {2, 4}},
    {"another sensor count", {"2", "2/10", "1", "0"}, {"1:live,2,2", "2:live,2,-", "3:live,1,1", "4:live,0,0"}, {2}},
    {"past the register space", {"9999", "1", "0", "0"}, {"1:live,9999,-", "2:live,1,1", "3:live,0,0", "4:live,0,0"}, {1}},
}; return rows; }
} // namespace

class TestModulePass : public QObject {
    Q_OBJECT
private slots:
    void pass_data() { tableRows(passRows()); }
    void pass()
    {
        const auto &r = tableRow(passRows());
        sim::SimRecorder bus;
        Link link;
        QVERIFY(setUp(bus, link, r.modules));
        QMap<int, QStringList> seen;
        jobs::DownloadAndKeep download(link, records::ReplyWindow{40, 2, 40}, [&](uint8_t address, const jobs::Downloaded &d) {
            for (const records::Record &rec : d.records)
                if (rec.data != sim::SimRecorder::recordBytes(bus.records(address).value(rec.position - 1)) || d.intervalS != 59)
                    return QStringLiteral("wrong");
            seen[address] << QString::number(d.records.size());
            return QString();
        });
        jobs::ModulePass pass(link, download);
        connect(&pass, &jobs::ModulePass::moduleStarted, this, [&](int m) { seen[m] = QStringList{}; });
        connect(&pass, &jobs::ModulePass::liveRead, this, [&](const jobs::LiveTarget &t, const jobs::LiveReading &got) {
            seen[t.device] << (got.complete() && got.words.size() == 20 ? "live" : "-");
        });
        connect(&pass, &jobs::ModulePass::countRead, this, [&](uint8_t address, const records::CountRead &c) {
            seen[address] << (c.count ? QString::number(*c.count) : QStringLiteral("-"));
        });
        connect(&pass, &jobs::ModulePass::downloaded, this, [&](uint8_t address, const jobs::DownloadAndKeep::Result &res) {
            QCOMPARE(res.keptNote, QString());
        });
        QStringList notes;
        auto hold = link.tryHold();
        const jobs::ModulePass::End end = pass.run(*hold, {4, {0, 3, 0, 20}, 0, 20}, notes);
        QCOMPARE(end, jobs::ModulePass::End::Complete);
        QStringList got;
        for (auto it = seen.begin(); it != seen.end(); ++it)
            got << QStringLiteral("%1:%2").arg(it.key()).arg((it.value() + QStringList{"-", "-", "-"}).mid(0, 3).join(u','));
        QCOMPARE(got, r.seen);
        QStringList expectedNotes;
        for (int m : r.noted)
            expectedNotes << QStringLiteral("模块 %1：").arg(m);
        for (QString &n : notes)
            n = n.left(n.indexOf(u'：') + 1);
        QCOMPARE(notes, expectedNotes);
    }

    // A stop during the pause after a live read ends the pass there, however long the pause.
    void stopEndsThePause()
    {
        sim::SimRecorder bus;
        Link link;
        QVERIFY(setUp(bus, link, {"1", "1"}));
        jobs::DownloadAndKeep download(link, records::ReplyWindow{});
        jobs::ModulePass pass(link, download);
        auto hold = link.tryHold();
        int counts = 0;
        connect(&pass, &jobs::ModulePass::liveRead, this, [&] {
            QTimer::singleShot(0, this, [&] { hold->cancel().cancel(CancelReason::Stop); });
        });
        connect(&pass, &jobs::ModulePass::countRead, this, [&] { ++counts; });
        QStringList notes;
        QCOMPARE(pass.run(*hold, {2, {0, 3, 0, 20}, 24 * 3600 * 1000, 20}, notes), jobs::ModulePass::End::Stopped);
        QCOMPARE(counts, 0);
    }

    // The port closed during a module's turn (here while its records are kept) ends the pass there: the
    // next module is not tried on it.
    void closedPortEndsThePass()
    {
        sim::SimRecorder bus;
        Link link;
        QVERIFY(setUp(bus, link, {"1", "1"}));
        jobs::DownloadAndKeep download(link, records::ReplyWindow{40, 2, 40}, [&](uint8_t, const jobs::Downloaded &) {
            link.close();
            return QString();
        });
        jobs::ModulePass pass(link, download);
        QList<int> started;
        connect(&pass, &jobs::ModulePass::moduleStarted, this, [&](int m) { started << m; });
        QStringList notes;
        QCOMPARE(pass.run(*link.tryHold(), {2, {0, 3, 0, 20}, 0, 20}, notes), jobs::ModulePass::End::PortClosed);
        QCOMPARE(started, QList<int>{1});
    }

private:
    // A bus of modules set up as the row says; the link opened on it.
    bool setUp(sim::SimRecorder &bus, Link &link, const QStringList &modules)
    {
        if (!bus.start())
            return false;
        bus.removeDevice(21);
        for (int m = 1; m <= modules.size(); ++m) {
            const QString &how = modules[m - 1];
            if (how == u"-")
                continue;
            bus.addDevice(uint8_t(m));
            const int count = how.section(u'/', 0, 0).toInt(), sensors = how.contains(u'/') ? how.section(u'/', 1).toInt() : 20;
            bus.setRecords(sim::SimRecorder::demoRecords(std::min(count, 5), QDateTime(QDate(2026, 1, m), QTime(8, 0)), sensors), uint8_t(m));
            bus.setHolding(records::RecordCountRegister, uint16_t(count), uint8_t(m));
        }
        return openOn(link, bus).isEmpty();
    }
};

QTEST_GUILESS_MAIN(TestModulePass)
#include "test_modulepass.moc"
