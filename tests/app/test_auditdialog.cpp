// The maintenance tab's audit trail, walked once: the archive's entries newest first, a kind filter,
// the entries shown exported as CSV (a file that cannot be written refused with a warning, the export
// then in the trail), and a record changed behind the program's back found by "检查存档".
#include "core/settings/archivesettings.h"
#include "panels/audit/auditdialog.h"
#include "ui/valuelabel.h"
#include "windowfixture.h"
#include <QComboBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTreeWidget>

class TestAuditDialog : public QObject {
    Q_OBJECT
private slots:
    void walkThrough()
    {
        WindowFixture fx;
        fx.desktop->clock = QDateTime::currentDateTime().addSecs(3600);  // the trail stamps the real time
        archive::RecordStore store;
        QString error;
        QVERIFY2(archive::openConfiguredArchive(store, fx.dir.path(), &error, nullptr), qPrintable(error));
        for (const archive::AuditEntry &e : {archive::AuditEntry{"冷库", "sensor-settings", "3#|||", "3#东墙|℃||30.0"},
                                            {"冷库", "device-write", "30", "60"},
                                            {"COM4-22", "recorder-name", "COM4-22", "东墙, 2 号"},
                                            {{}, "settings-load", {}, "say \"ok\"\nnext"}})
            QVERIFY2(store.audit().append(e, &error), qPrintable(error));
        const auto records = records::numbered({QByteArray::fromHex("5B261201080000EB0005"), QByteArray::fromHex("5B261201081000EC0006")});
        QVERIFY2(store.records().store({"冷库", 21, 600, QDateTime::currentDateTimeUtc(), "COM4", records}, &error), qPrintable(error));

        frmMain &w = fx.start();
        fx.find<QPushButton>("cmdAuditTrail")->click();
        auto *dialog = fx.find<AuditDialog>("AuditDialog");
        QTreeWidget *list = dialog->lstAuditTrail;
        const auto kinds = [list] {
            QStringList k;
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                k << list->topLevelItem(i)->text(4);
            return k;
        };
        // Kinds in the window's language; the CSV below keeps the kinds themselves.
        QCOMPARE(kinds(), QStringList({"载入设置文件", "记录仪名称", "写入记录仪", "传感器设置", "存档建立"}));
        // A sensor's settings by what each part is.
        QCOMPARE(QStringList({list->topLevelItem(3)->text(5), list->topLevelItem(3)->text(6)}),
                 QStringList({"3# 未设置", "3# 名称 东墙，单位 ℃，上限 30.0"}));
        const archive::AuditRow first = store.audit().trail(&error).value().value(2);
        const QTreeWidgetItem *item = list->topLevelItem(2);
        QCOMPARE(QStringList({item->text(0), item->text(1), item->text(2), item->text(3), item->text(5), item->text(6)}),
                 QStringList({first.at.toLocalTime().toString("yyyy-MM-dd HH:mm:ss"), first.user, "window", "冷库", "30", "60"}));
        QCOMPARE(dialog->cboAuditRecorder->count(), 3);  // 全部, COM4-22, 冷库
        dialog->cboAuditKind->setCurrentIndex(dialog->cboAuditKind->findText("记录仪名称"));
        QCOMPARE(kinds(), QStringList({"记录仪名称"}));

        // Into a "folder" that is a file: refused, nothing written; then the entry shown, as CSV.
        fx.desktop->saveAnswer = fx.dir.filePath("comports.map/audit.csv");
        dialog->cmdAuditExport->click();
        QVERIFY2(fx.desktop->lastMessage().startsWith("审计记录未能导出："), qPrintable(fx.desktop->lastMessage()));
        const QString path = fx.desktop->saveAnswer = fx.dir.filePath("audit.csv");
        dialog->cmdAuditExport->click();
        QCOMPARE(fx.readFile("audit.csv"), "\xEF\xBB\xBF" + QStringLiteral("时间,用户,程序,记录仪,类别,原值,新值\r\n").toUtf8()
                                              + list->topLevelItem(0)->text(0).replace(' ', 'T').toUtf8() + ','
                                              + (first.user + ",window,COM4-22,recorder-name,COM4-22,\"东墙, 2 号\"\r\n").toUtf8());
        QCOMPARE(w.lblStatusLine->text(), "审计记录已导出到 " + path);
        const archive::AuditRow last = store.audit().trail(&error).value().last();
        QCOMPARE(QStringList({last.kind, last.newValue}), QStringList({"export", path}));
        dialog->cboAuditKind->setCurrentIndex(0);
        QCOMPARE(kinds().first(), "导出");
        dialog->cboAuditKind->setCurrentIndex(dialog->cboAuditKind->findText("载入设置文件"));
        dialog->cmdAuditExport->click();
        QVERIFY(fx.readFile("audit.csv").endsWith(",settings-load,,\"say \"\"ok\"\"\nnext\"\r\n"));

        // Whole, then a record's value changed with the trigger that forbids it taken away.
        dialog->cmdVerifyArchive->click();
        QVERIFY2(dialog->lblVerifyResult->text().startsWith("存档完好"), qPrintable(dialog->lblVerifyResult->text()));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
            db.setDatabaseName(fx.dir.filePath("archive.db"));
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec("DROP TRIGGER records_no_update"));
            QVERIFY(q.exec("UPDATE records SET words = X'00EB0009' WHERE seq = (SELECT MIN(seq) FROM records)"));
        }
        QSqlDatabase::removeDatabase("raw");
        const int messages = fx.desktop->messages.size();
        dialog->cmdVerifyArchive->click();
        QVERIFY2(dialog->lblVerifyResult->text().contains("表 records，记录仪 冷库"), qPrintable(dialog->lblVerifyResult->text()));
        QCOMPARE(fx.desktop->messages.size(), messages + 1);
        QCOMPARE(fx.desktop->lastMessage(), dialog->lblVerifyResult->text());
    }
};

QTEST_MAIN(TestAuditDialog)
#include "test_auditdialog.moc"
