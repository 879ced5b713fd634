#include "../app/windowfixture.h"
#include "freexlreader.h"
#include "core/export/exportformats.h"
#include "panels/export/exportpanel.h"
#include "core/link/hex.h"
#include "recordtext.h"
#include "panels/records/recordspanel.h"
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

namespace {
QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}
} // namespace

class TestExportWindow : public QObject {
    Q_OBJECT
private slots:
    void textExport();
    void textExportRefusals();
    void workbookExport();
    void workbookRefusals();
    void csvExport();
};

void TestExportWindow::textExport()
{
    WindowFixture fx;
    frmMain &w = fx.start();
    RecordsPanel &p = *w.recordsPanel;
    QString text = recordText("18 04 27 03 21", {234, 0xFFF1}) + QStringLiteral(" 5B 18 04");
    for (int i = 3; i <= 8; ++i)
        text += recordText("18 04 27 03 22", {i, 0x3039});
    p.txtReceive->setPlainText(text);
    p.txtSensorNum->setText(QStringLiteral("2"));
    p.txtRecord->setText(QStringLiteral("5"));
    fx.desktop->saveAnswer = fx.dir.filePath(QStringLiteral("txt/out.txt"));

    QTest::mouseClick(p.exportPanel->cmdDoWithData2, Qt::LeftButton);
    QCOMPARE(fx.desktop->saveDialogs, QStringList{fx.dir.filePath(QStringLiteral("txt")) + QStringLiteral("|txt (*.txt)")});
    QCOMPARE(fx.readFile(QStringLiteral("txt/out.txt")),
             QByteArray("2018-04-27 03:21  23.4 -01.5 @1\r\n"
                        "2018-04-27 03:22  00.3 1234.5 @3\r\n"
                        "2018-04-27 03:22  00.4 1234.5 @4\r\n"
                        "2018-04-27 03:22  00.5 1234.5 @5\r\n"));
    QCOMPARE(fx.desktop->opened.size(), 1);
    QCOMPARE(fx.desktop->opened[0].first, fx.dir.filePath(QStringLiteral("txt/out.txt")));
    QCOMPARE(fx.desktop->opened[0].second, Desktop::Opener::TextEditor);
    // The unreadable second record is named; the others went out.
    QCOMPARE(fx.desktop->messages.size(), 1);
    QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("第 2 条")));
    QCOMPARE(p.Label4_3->text(), QStringLiteral("共8条"));
    QCOMPARE(p.lblCountIC->text(), QStringLiteral("5"));
    QCOMPARE(p.txtHaveDone->toPlainText(), QStringLiteral("2018-04-27 03:22  00.5 1234.5 "));
    QVERIFY(!p.PicCounter->isVisible());

    // A name typed without the ending gets it; an existing file is only replaced when confirmed.
    fx.desktop->saveAnswer = fx.dir.filePath(QStringLiteral("txt/out"));
    fx.desktop->confirmAnswer = false;
    p.txtReceive->setPlainText(recordText("18 04 27 03 21", {1, 2}));
    p.exportPanel->cmdDoWithData2_Click();
    QCOMPARE(fx.desktop->confirmations.size(), 1);
    QVERIFY(fx.readFile(QStringLiteral("txt/out.txt")).startsWith("2018-04-27 03:21  23.4"));  // kept
    fx.desktop->confirmAnswer = true;
    p.exportPanel->cmdDoWithData2_Click();
    QCOMPARE(fx.readFile(QStringLiteral("txt/out.txt")), QByteArray("2018-04-27 03:21  00.1 00.2 @1\r\n"));
}

void TestExportWindow::textExportRefusals()
{
    WindowFixture fx;
    frmMain &w = fx.start();
    RecordsPanel &p = *w.recordsPanel;
    fx.writeFile(QStringLiteral("earlier.txt"), "earlier export\r\n");
    fx.desktop->saveAnswer = fx.dir.filePath(QStringLiteral("earlier.txt"));

    // Nothing downloaded: the message, and an earlier file is not touched.
    p.exportPanel->cmdDoWithData2_Click();
    QCOMPARE(fx.desktop->lastMessage(), QStringLiteral("数据源为空，请先读取记录仪数据!"));
    QCOMPARE(fx.desktop->messages.last().title, QStringLiteral("系统提示"));
    QCOMPARE(fx.readFile(QStringLiteral("earlier.txt")), QByteArray("earlier export\r\n"));

    // A record count that is no number: said, nothing written.
    p.txtReceive->setPlainText(recordText("18 04 27 03 21", {1, 2}));
    p.txtSensorNum->setText(QStringLiteral("2"));
    p.txtRecord->setText(QStringLiteral("viele"));
    p.exportPanel->cmdDoWithData2_Click();
    QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("viele")));
    QCOMPARE(fx.readFile(QStringLiteral("earlier.txt")), QByteArray("earlier export\r\n"));

    // A cancelled dialog writes nothing.
    p.txtRecord->setText(QStringLiteral("0"));
    fx.desktop->saveAnswer.clear();
    const int messages = int(fx.desktop->messages.size());
    p.exportPanel->cmdDoWithData2_Click();
    QCOMPARE(fx.desktop->messages.size(), messages);
    QVERIFY(fx.desktop->opened.isEmpty());

    // A folder that cannot be written: the reason is said, no partial file remains.
    fx.desktop->saveAnswer = fx.dir.filePath(QStringLiteral("no/such/folder/x.txt"));
    QFile blocker(fx.dir.filePath(QStringLiteral("no")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
    blocker.close();
    p.exportPanel->cmdDoWithData2_Click();
    QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("无法写入")));
    QVERIFY(fx.desktop->opened.isEmpty());
}

void TestExportWindow::workbookExport()
{
    WindowFixture fx;
    frmMain &w = fx.start();
    RecordsPanel &p = *w.recordsPanel;
    const auto demo = sim::SimRecorder::demoRecords(50, QDateTime(QDate(2026, 12, 1), QTime(8, 0)));
    QString text;
    for (const auto &r : demo)
        text += ShowHex(sim::SimRecorder::recordBytes(r));
    p.txtReceive->setPlainText(text);

    QTest::mouseClick(p.exportPanel->cmdDoWithData, Qt::LeftButton);
    const QString first = fx.dir.filePath(QStringLiteral("data/12-6-14-30.xls"));  // the desktop's clock
    QCOMPARE(fx.desktop->opened.size(), 1);
    QCOMPARE(fx.desktop->opened[0].first, first);
    QCOMPARE(fx.desktop->opened[0].second, Desktop::Opener::Spreadsheet);
    QVERIFY(fx.desktop->messages.isEmpty());

    // Every cell read back with freexl: headings, time texts, values as numbers, nothing else.
    const FreeXl book(first);
    QCOMPARE(book.status(), FREEXL_OK);
    QCOMPARE(book.dimensions(), (QPair<unsigned, unsigned>(2 + 50, 21)));
    QCOMPARE(book.check(0, 0, QStringLiteral("传感器序列号")), QString());
    QCOMPARE(book.check(1, 0, QStringLiteral("日期")), QString());
    for (int c = 1; c <= 20; ++c) {
        QCOMPARE(book.check(0, c, Value()), QString());
        QCOMPARE(book.check(1, c, QStringLiteral("%1#传感器").arg(c)), QString());
    }
    for (int i = 0; i < demo.size(); ++i) {
        QCOMPARE(book.check(i + 2, 0, demo[i].time.toString(QStringLiteral("yyyy-MM-dd HH:mm "))), QString());
        for (int j = 0; j < 20; ++j) {
            const int word = demo[i].values[j];
            const int tenths = (word >> 8) > 48 ? word - 65536 : word;
            QCOMPARE(book.check(i + 2, j + 1, tenths / 10.0), QString());
        }
    }

    // A second export in the same minute gets its own file; the first stays as it was.
    const QByteArray before = fx.readFile(QStringLiteral("data/12-6-14-30.xls"));
    p.txtReceive->setPlainText(recordText("18 04 27 03 21", {1}));
    p.txtSensorNum->setText(QStringLiteral("1"));
    p.exportPanel->cmdDoWithData_Click();
    QCOMPARE(fx.desktop->opened.last().first, fx.dir.filePath(QStringLiteral("data/12-6-14-30(2).xls")));
    QCOMPARE(fx.readFile(QStringLiteral("data/12-6-14-30.xls")), before);
    const FreeXl second(fx.desktop->opened.last().first);
    QCOMPARE(second.dimensions(), (QPair<unsigned, unsigned>(3, 21)));
    QCOMPARE(second.check(2, 0, QStringLiteral("2018-04-27 03:21 ")), QString());
    QCOMPARE(second.check(2, 1, 0.1), QString());
    QCOMPARE(second.check(2, 2, Value()), QString());
    QCOMPARE(p.txtHaveDone->toPlainText(), QStringLiteral("2018-04-27 03:21  00.10 "));
}

void TestExportWindow::workbookRefusals()
{
    WindowFixture fx;
    frmMain &w = fx.start();
    RecordsPanel &p = *w.recordsPanel;
    // Empty: the message and no empty workbook.
    p.exportPanel->cmdDoWithData_Click();
    QCOMPARE(fx.desktop->lastMessage(), QStringLiteral("数据源为空，请先读取记录仪数据!"));
    QVERIFY(filesIn(fx.dir.filePath(QStringLiteral("data"))).isEmpty());
    // The marker of an open workbook.
    p.txtReceive->setPlainText(recordText("18 04 27 03 21", {1}));
    p.txtSensorNum->setText(QStringLiteral("1"));
    fx.writeFile(QStringLiteral("excel.bz"), "");
    p.exportPanel->cmdDoWithData_Click();
    QCOMPARE(fx.desktop->lastMessage(), QStringLiteral("EXCEL已打开"));
    QCOMPARE(fx.desktop->messages.last().title, QStringLiteral("系统提示"));
    QVERIFY(filesIn(fx.dir.filePath(QStringLiteral("data"))).isEmpty());
    QVERIFY(fx.desktop->opened.isEmpty());
}

void TestExportWindow::csvExport()
{
    WindowFixture fx;
    frmMain &w = fx.start();
    RecordsPanel &p = *w.recordsPanel;
    p.txtReceive->setPlainText(recordText("18 04 27 03 21", {234, 0xFFF1}) + recordText("18 04 27 03 22", {0, 5}));
    p.txtSensorNum->setText(QStringLiteral("2"));
    fx.desktop->saveAnswer = fx.dir.filePath(QStringLiteral("data/records.csv"));
    p.exportPanel->cmdDoWithDataCsv_Click();
    const QByteArray csv = fx.readFile(QStringLiteral("data/records.csv"));
    QVERIFY(csv.startsWith("time,ch1,ch2,ch3,"));
    const QList<QByteArray> lines = csv.split('\n');
    QCOMPARE(lines[1], QByteArray("2018-04-27T03:21,23.4,-1.5,,,,,,,,,,,,,,,,,,\r"));
    QCOMPARE(lines[2], QByteArray("2018-04-27T03:22,0.0,0.5,,,,,,,,,,,,,,,,,,\r"));
    QCOMPARE(fx.desktop->opened.last().second, Desktop::Opener::Spreadsheet);
}

QTEST_MAIN(TestExportWindow)
#include "test_export_window.moc"
