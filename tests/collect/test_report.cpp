// The collector's --report end to end against the simulated recorder: the download, then the period's
// PDF from the archive, read back by pdftotext (poppler-utils) — the title block and one sensor's line
// in each language, a file per recorder, the watcher's alarm of the period.
#include "collect/collector.h"
#include "core/archive/recordstore.h"
#include "core/settings/settingsfiles.h"
#include "core/report/reportpdf.h"
#include "sim/simrecorder.h"
#include "wholefile.h"
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QDateTime First(QDate(2026, 11, 30), QTime(8, 0));

// Sensor 1 (库温, ℃, 2.0 … 8.0) reads 5.0 but 20.0 at 08:05; minutes 08:10 … 08:19 are not recorded:
// the readings of MKT's vector "23 at 5 °C, 1 at 20 °C" (6.55 °C), one excursion, one gap.
QVector<sim::SimRecord> memory()
{
    QVector<sim::SimRecord> out;
    for (int m = 0; m < 34; ++m)
        if (m < 10 || m >= 20)
            out.append({First.addSecs(60 * m), {uint16_t(m == 5 ? 200 : 50), 123, 456}});
    return out;
}

// Text without its blanks: how far apart the words of a line stand is the layout's business.
QString squeezed(QString text) { return text.remove(QRegularExpression(QStringLiteral("[ \\t]+"))); }

// The text of a PDF with its layout: a table's row on one line.
QString pdfText(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished(-1);
    return QString::fromUtf8(p.readAllStandardOutput());
}
} // namespace

class TestReport : public QObject {
    Q_OBJECT
    sim::SimRecorder m_sim;

private slots:
    void initTestCase()
    {
        QVERIFY(m_sim.start());
        m_sim.setLineBaud(115200);
        m_sim.setTurnaroundMs(2);
        m_sim.addDevice(22);
        m_sim.setRecords(memory(), 21);
        m_sim.setRecords(memory(), 22);
    }

    void report_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("addresses");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("zh, two recorders") << "zh" << "21,22" << QStringList{
            "记录报告：COM4-21", "记录仪：COM4-21 地址：21 端口：COM4", "时段：2026-11-30 00:00 至 2026-11-30 23:59（1 天）",
            "记录间隔：1 分钟", "程序版本 14.12.10", "ΔH/R = 10000 K",
            "库温 ℃ 2.0 … 8.0 24 5.0 20.0 5.6 6.6 0 分 1 分 1 2026-11-30 08:05",
            "按记录间隔应有 1440 条记录，实有 24 条（1.7%）。", "2026-11-30 08:09 2026-11-30 08:20 11 分",
            "报警（监视程序）", "高于上限 20.0 ℃ 8.0 ℃", "第 1 页，共 2 页", "COM4-21 2026-11-30 00:00 至 2026-11-30 23:59"};
        QTest::newRow("en") << "en" << "21" << QStringList{
            "Record report: COM4-21", "Recorder: COM4-21 Address: 21 Port: COM4", "Period: 2026-11-30 00:00 to 2026-11-30 23:59 (1 d)",
            "Recording interval: 1 min", "program version 14.12.10",
            "库温 ℃ 2.0 … 8.0 24 5.0 20.0 5.6 6.6 0 min 1 min 1 2026-11-30 08:05",
            "The interval gives 1440 records; 24 are there (1.7%).", "Alarms (watcher)", "Above high 20.0 ℃ 8.0 ℃", "Page 2 of 2"};
    }
    void report()
    {
        QFETCH(QString, language);
        QFETCH(QString, addresses);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        QString error;
        QVERIFY(writeFile(dir.filePath("comports.map"), ("COM4=" + m_sim.portPath() + "\n").toUtf8()));
        QVERIFY(settings::writeComm(dir.path(), {4, 115200}, &error));
        QVERIFY(writeFile(dir.filePath("language.set"), language.toUtf8()));
        QVERIFY(writeFile(dir.filePath("sensors.set"), "COM4-21\t1\t库温\t℃\t2.0\t8.0\nCOM4-22\t1\t库温\t℃\t2.0\t8.0\n"));
        {   // The watcher raised an alarm at 08:05.
            archive::RecordStore store;
            QVERIFY(store.open({archive::ArchiveConfig::Sqlite, dir.filePath("archive.db"), {}, 0, {}, {}, {}}, &error));
            QVERIFY(store.alarms().append({watch::AlarmEvent::Raised, watch::AlarmKind::High, 1, "COM4-21", 21, 1, 200, 80,
                                       First.addSecs(300).toUTC(), {}, {}}, &error));
        }
        QString out, err;
        collect::Io io{[&](const QString &t) { out += t; }, [&](const QString &t) { err += t; }, false, &m_sim, report::writeReport};
        const QStringList args{"wl8806n-collect", "--appdir", dir.path(), "--port", "COM4", "--address", addresses,
                               "--report", "2026-11-30..2026-11-30", "--pdf", dir.filePath("report.pdf")};
        QCOMPARE(collect::run(args.mid(0, args.size() - 2), io), int(collect::Usage));  // --report without --pdf
        QVERIFY2(collect::run(args, io) == collect::Complete, qPrintable(err));
        const QString path = dir.filePath(addresses.contains(',') ? "report-21.pdf" : "report.pdf");
        const QString text = pdfText(path);
        for (const QString &line : lines)
            QVERIFY2(squeezed(text).contains(squeezed(line)), qPrintable(line + "\n---\n" + text));
        QVERIFY(text.contains(report::osUser()));
        QCOMPARE(QFile::exists(dir.filePath("report-22.pdf")), addresses.contains(','));
    }
};

QTEST_MAIN(TestReport)
#include "test_report.moc"
