// The history tab's "报告…": the dialog starts from the period shown and ΔH/R 10,000 K, the file is
// asked for under the history files' name for the dialog's period, and the PDF (read back by
// pdftotext) is the archive's period with the ΔH/R chosen; the status line says where it went, and the
// audit trail that it was written.
#include "core/settings/archivesettings.h"
#include "panels/history/historypanel.h"
#include "panels/report/reportdialog.h"
#include "ui/recordarchive.h"
#include "windowfixture.h"
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>

class TestHistoryReport : public QObject {
    Q_OBJECT
private slots:
    void reportOfThePeriodShown()
    {
        WindowFixture fx;
        fx.writeFile("sensors.set", "COM4-21\t1\t库温\t℃\t2.0\t8.0\n");
        const QDateTime first(QDate(2026, 12, 1), QTime(8, 0));
        {   // An hour at 5.0 ℃ but 20.0 ℃ at 08:05, archived as a download keeps it.
            archive::RecordStore store;
            QString error;
            QVERIFY2(archive::openConfiguredArchive(store, fx.dir.path(), &error, nullptr), qPrintable(error));
            QList<records::Record> recs;
            for (int m = 0; m < 60; ++m) {
                const QDateTime t = first.addSecs(60 * m);
                recs << records::Record{m + 1, QByteArray::fromHex(t.toString("5Byyyy").remove(2, 2).toLatin1() + t.toString("MMddHHmm").toLatin1())
                                                   + (m == 5 ? QByteArray("\x00\xC8", 2) : QByteArray("\x00\x32", 2))};
            }
            QVERIFY2(store.records().store({"COM4-21", 21, 59, fx.desktop->clock.toUTC(), "COM4", recs}, &error), qPrintable(error));
        }
        fx.start();
        auto *panel = fx.find<HistoryPanel>("HistoryPanel");
        panel->refreshRecorders();
        panel->showWholeSpan();
        panel->cmdReport->click();
        auto *dialog = panel->findChild<ReportDialog *>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(std::tuple(dialog->from(), dialog->to(), dialog->dhR()), std::tuple(first, first.addSecs(59 * 60), 10000.0));
        dialog->dtpReportFrom->setDateTime(first.addSecs(-86400));
        dialog->txtMktDhR->setValue(20000);
        fx.desktop->saveAnswer = fx.dir.filePath("r.pdf");
        dialog->buttons->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(fx.desktop->saveDialogs.value(0), fx.dir.filePath("history/报告_COM4-21_2026-11-30_2026-12-01.pdf") + "|pdf (*.pdf)");
        QCOMPARE(fx.find<QLabel>("lblStatusLine")->text(), "报告已保存到 " + fx.dir.filePath("r.pdf"));
        QProcess p;
        p.start("pdftotext", {"-layout", fx.dir.filePath("r.pdf"), "-"});
        p.waitForFinished(-1);
        const QString text = QString::fromUtf8(p.readAllStandardOutput()).remove(' ');
        for (const char *line : {"时段：2026-11-3008:00至2026-12-0108:59（1天1小时）", "ΔH/R=20000K", "地址：21端口：COM4",
                                 "库温℃2.0…8.0605.020.05.3", "按记录间隔应有1500条记录，实有60条", "本时段无报警"})
            QVERIFY2(text.contains(QString::fromUtf8(line)), line);
        // The report and a write to the recorder are both in the audit trail, with the recorder's name.
        fx.find<QLineEdit>("txtStationID")->setText("21");
        fx.find<QLineEdit>("txtRecInt")->setText("120");
        fx.find<QPushButton>("cmdSetRecInt")->click();
        QCOMPARE(fx.recorder.holding(116), 120);
        archive::RecordStore store;
        QString error;
        QVERIFY2(archive::openConfiguredArchive(store, fx.dir.path(), &error, nullptr), qPrintable(error));
        const auto trail = store.audit().trail(&error).value_or(QList<archive::AuditRow>{});
        QStringList last;
        for (const auto &row : trail.mid(trail.size() - 2))
            last << row.recorder + ' ' + row.kind + ' ' + row.newValue;
        QCOMPARE(last, QStringList({"COM4-21 report " + fx.dir.filePath("r.pdf"), "COM4-21 device-write 寄存器 116（记录时间间隔） = 120"}));
        // So is an edit of the archive's settings, old and new.
        archive::ArchiveConfig edited = fx.window->recordArchive->config();
        edited.backupDir = fx.dir.filePath("b");
        edited.backupKeepDays = 7;
        fx.desktop->archiveAnswer = edited;
        panel->cmdArchiveSettings->click();
        const auto settings = store.audit().trail(&error, archive::kinds::ArchiveSettings).value_or(QList<archive::AuditRow>{});
        QCOMPARE(settings.size(), 1);
        QCOMPARE(settings[0].oldValue + " → " + settings[0].newValue,
                 "kind=sqlite → kind=sqlite; backup-dir=" + fx.dir.filePath("b") + "; backup-keep=7");
    }
};

QTEST_MAIN(TestHistoryReport)
#include "test_historyreport.moc"
