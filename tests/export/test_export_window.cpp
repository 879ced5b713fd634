#include "../app/windowfixture.h"
#include "export/exportformats.h"
#include "export/exportpanel.h"
#include "link/hex.h"
#include "recordtext.h"
#include "records/recordspanel.h"
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <freexl.h>

namespace {
// Every cell of the first sheet as text: numbers with up to one decimal, texts as they are.
QMap<QPair<int, int>, QString> readWorkbook(const QString &path)
{
    QMap<QPair<int, int>, QString> cells;
    const void *handle = nullptr;
    if (freexl_open(QFile::encodeName(path).constData(), &handle) != FREEXL_OK)
        return cells;
    unsigned int rows = 0;
    unsigned short columns = 0;
    freexl_select_active_worksheet(handle, 0);
    freexl_worksheet_dimensions(handle, &rows, &columns);
    for (unsigned r = 0; r < rows; ++r)
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK)
                continue;
            if (v.type == FREEXL_CELL_DOUBLE)
                cells[{int(r), int(c)}] = QString::number(v.value.double_value, 'g', 10);
            else if (v.type == FREEXL_CELL_INT)
                cells[{int(r), int(c)}] = QString::number(v.value.int_value);
            else if (v.type == FREEXL_CELL_TEXT || v.type == FREEXL_CELL_SST_TEXT)
                cells[{int(r), int(c)}] = QString::fromUtf8(v.value.text_value);
        }
    freexl_close(handle);
    return cells;
}

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

    // Every cell read back with freexl.
    const auto cells = readWorkbook(first);
    QCOMPARE(cells.value({0, 0}), QStringLiteral("传感器序列号"));
    QCOMPARE(cells.value({1, 0}), QStringLiteral("日期"));
    for (int c = 1; c <= 20; ++c)
        QCOMPARE(cells.value({1, c}), QStringLiteral("%1#传感器").arg(c));
    for (int i = 0; i < demo.size(); ++i) {
        QCOMPARE(cells.value({i + 2, 0}), demo[i].time.toString(QStringLiteral("yyyy-MM-dd HH:mm ")));
        for (int j = 0; j < 20; ++j) {
            const int word = demo[i].values[j];
            const int tenths = (word >> 8) > 48 ? word - 65536 : word;
            QCOMPARE(cells.value({i + 2, j + 1}), QString::number(tenths / 10.0, 'g', 10));
        }
    }
    QCOMPARE(cells.size(), 1 + 21 + 50 * 21);

    // A second export in the same minute gets its own file; the first stays as it was.
    const QByteArray before = fx.readFile(QStringLiteral("data/12-6-14-30.xls"));
    p.txtReceive->setPlainText(recordText("18 04 27 03 21", {1}));
    p.txtSensorNum->setText(QStringLiteral("1"));
    p.exportPanel->cmdDoWithData_Click();
    QCOMPARE(fx.desktop->opened.last().first, fx.dir.filePath(QStringLiteral("data/12-6-14-30(2).xls")));
    QCOMPARE(fx.readFile(QStringLiteral("data/12-6-14-30.xls")), before);
    const auto second = readWorkbook(fx.desktop->opened.last().first);
    QCOMPARE(second.value({2, 0}), QStringLiteral("2018-04-27 03:21 "));
    QCOMPARE(second.value({2, 1}), QStringLiteral("0.1"));
    QVERIFY(!second.contains({3, 0}));
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
