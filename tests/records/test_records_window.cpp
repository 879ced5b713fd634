#include "app/tabpages.h"
#include "hexbytes.h"
#include "core/link/crc16.h"
#include "panels/status/statuspanel.h"
#include "panels/status/trafficpanel.h"
#include "core/records/recorddecode.h"
#include "recordsfixture.h"
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <map>
#include <set>

using sim::Fault;
using sim::FaultSpec;

namespace {
const QDateTime First(QDate(2026, 11, 30), QTime(8, 0));

// The record number a record read asks for, with N sensors.
int recordOf(const QByteArray &request, int sensors)
{
    return ((uint8_t(request[2]) << 8) | uint8_t(request[3])) / (sensors + 3) + 1;
}

bool isRecordRead(const QByteArray &request) { return request.size() == 8 && request[1] == 0x04; }
} // namespace

class TestRecordsWindow : public QObject {
    Q_OBJECT
private slots:
    void frameControls();
    void countRead();
    void clearPointerAndCount();
    void clearsRefusedOrUnconfirmed();
    void singleRecordsWalkTheMemory();
    void singleRecordRefusesBadBoxes();
    void downloadEveryRecord();
    void downloadRefusesBadBoxes();
    void stopDuringDownload();
    void portVanishesMidDownload();
    void closingDuringDownload();
    void replyWindowSetting();
};

void TestRecordsWindow::frameControls()
{
    RecordsWindow fx;
    const struct { const char *name, *caption; bool command; } buttons[] = {
        {"cmdPoint", "读条数", true}, {"cmdWriteREC", "清指针", true}, {"cmdClearRecCount", "清条数", true},
        {"cmdWritePoint", "写指针", false}, {"cmdReadOneRec", "单条", true},
        {"cmdRedall", "读取所有记录", true}, {"cmdStopGet", "停止", false},
    };
    for (const auto &b : buttons) {
        auto *button = fx.find<QPushButton>(QString::fromLatin1(b.name));
        QCOMPARE(button->text(), QString::fromUtf8(b.caption));
        QCOMPARE(button->property("deviceCommand").toBool(), b.command);
    }
    QVERIFY(fx.tab->Frame14_1->isAncestorOf(fx.count->cmdPoint));
    QVERIFY(fx.tab->Frame15->isAncestorOf(fx.read->cmdRedall));
    // "写指针" has no action: it stays off, and says why.
    QVERIFY(!fx.count->cmdWritePoint->isEnabled());
    QVERIFY(!fx.count->cmdWritePoint->toolTip().isEmpty());
    {
        auto hold = fx.w->link().tryHold();  // any command holding the bus and ending
    }
    QVERIFY(!fx.count->cmdWritePoint->isEnabled());
    QVERIFY(fx.tab->PicCounter->isHidden());
    QCOMPARE(fx.find<QLabel>(QStringLiteral("Label2(12)"))->text(), QStringLiteral("读取记录时，请将设备设置为暂停记录状态"));
}

void TestRecordsWindow::countRead()
{
    RecordsWindow fx;
    const struct {
        const char *name;
        int registerValue;
        Fault fault;
        const char *shown;
        const char *status;
    } rows[] = {
        {"42", 42, Fault::None, "42", "42"},
        {"256", 256, Fault::None, "256", "256"},
        {"above 32767 as it is", 40000, Fault::None, "40000", "40000"},
        {"largest", 65535, Fault::None, "65535", "65535"},
        {"none", 0, Fault::None, "0", "0"},
        {"no reply", 42, Fault::NoReply, "7", "无应答"},
        {"bad CRC", 42, Fault::BadCrc, "7", "CRC"},
        {"truncated", 42, Fault::Truncated, "7", "不完整"},
        {"another address", 42, Fault::OtherAddress, "7", "其他地址"},
        {"exception", 42, Fault::Exception, "7", "异常应答"},
    };
    for (const auto &r : rows) {
        fx.tab->txtRecord->setText(QStringLiteral("7"));
        fx.recorder.setHolding(121, uint16_t(r.registerValue));
        fx.recorder.clearRequests();
        if (r.fault != Fault::None)
            fx.recorder.injectFault({r.fault});
        QTest::mouseClick(fx.count->cmdPoint, Qt::LeftButton);
        QVERIFY2(fx.tab->txtRecord->text() == QLatin1String(r.shown), r.name);
        QVERIFY2(fx.status().contains(QString::fromUtf8(r.status)), qPrintable(fx.status()));
        const auto sent = fx.recorder.requests();
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].left(6), hx("15 03 00 79 00 01"));
        QVERIFY(crcMatches(sent[0]));
    }
    QVERIFY(fx.desktop->messages.isEmpty());

    // A box that is no device address: a message, nothing sent.
    fx.recorder.clearRequests();
    fx.w->modbusPanel->txtStationID->setText(QStringLiteral("0"));
    fx.count->cmdPoint_Click();
    QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("设备地址")));
    // The port closed: nothing sent, the count stays.
    fx.w->modbusPanel->txtStationID->setText(QStringLiteral("21"));
    fx.w->link().port().close();
    fx.count->cmdPoint_Click();
    QCOMPARE(fx.tab->txtRecord->text(), QStringLiteral("7"));
    QVERIFY(fx.recorder.requests().isEmpty());
}

void TestRecordsWindow::clearPointerAndCount()
{
    RecordsWindow fx;
    fx.recorder.setRecords(sim::SimRecorder::demoRecords(30, First));
    QCOMPARE(fx.recorder.holding(123), uint16_t(30 * 23));
    fx.count->cmdPoint_Click();
    QCOMPARE(fx.tab->txtRecord->text(), QStringLiteral("30"));

    fx.recorder.clearRequests();
    QTest::mouseClick(fx.count->cmdWriteREC, Qt::LeftButton);
    auto sent = fx.recorder.requests();
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent[0].left(11), hx("15 10 00 7A 00 02 04 00 00 00 00"));
    QVERIFY(crcMatches(sent[0]));
    QCOMPARE(fx.recorder.holding(122), uint16_t(0));
    QCOMPARE(fx.recorder.holding(123), uint16_t(0));
    QCOMPARE(fx.recorder.records().size(), 30);  // the pointer only
    QVERIFY(!fx.w->trafficPanel->txtState->text().isEmpty());
    QVERIFY(fx.status().contains(QStringLiteral("已清零")));

    fx.recorder.clearRequests();
    QTest::mouseClick(fx.count->cmdClearRecCount, Qt::LeftButton);
    sent = fx.recorder.requests();
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent[0].left(9), hx("15 10 00 79 00 01 02 00 00"));
    QCOMPARE(sent[1].left(6), hx("15 05 00 03 FF 00"));
    QVERIFY(crcMatches(sent[0]) && crcMatches(sent[1]));
    QCOMPARE(fx.recorder.holding(121), uint16_t(0));
    QCOMPARE(fx.recorder.coilOnCount(3), 1);
    QCOMPARE(fx.recorder.records().size(), 0);
    QVERIFY(fx.status().contains(QStringLiteral("已清零")));
    // The box keeps the count read before until it is read again.
    QCOMPARE(fx.tab->txtRecord->text(), QStringLiteral("30"));
    fx.count->cmdPoint_Click();
    QCOMPARE(fx.tab->txtRecord->text(), QStringLiteral("0"));
    QCOMPARE(fx.desktop->confirmations.size(), 2);
    QVERIFY(fx.desktop->messages.isEmpty());
}

void TestRecordsWindow::clearsRefusedOrUnconfirmed()
{
    RecordsWindow fx;
    fx.recorder.setRecords(sim::SimRecorder::demoRecords(12, First));

    // Answered "no": nothing sent.
    fx.desktop->confirmAnswer = false;
    fx.count->cmdWriteREC_Click();
    fx.count->cmdClearRecCount_Click();
    QVERIFY(fx.recorder.requests().isEmpty());
    fx.desktop->confirmAnswer = true;

    // The count write unanswered: the coil that makes the recorder take it over is not switched.
    fx.recorder.injectFault({Fault::NoReply});
    fx.count->cmdClearRecCount_Click();
    QCOMPARE(fx.recorder.requests().size(), 1);
    QCOMPARE(fx.recorder.coilOnCount(3), 0);
    QVERIFY(fx.status().contains(QStringLiteral("未清零")));
    // An exception to it: the same.
    fx.recorder.clearRequests();
    fx.recorder.injectFault({Fault::Exception, 0x02});
    fx.count->cmdClearRecCount_Click();
    QCOMPARE(fx.recorder.requests().size(), 1);
    QCOMPARE(fx.recorder.coilOnCount(3), 0);
    QVERIFY(fx.status().contains(QStringLiteral("非法数据地址")));

    // No device address: a message and nothing sent, not even the question.
    fx.recorder.clearRequests();
    fx.desktop->confirmations.clear();
    fx.w->modbusPanel->txtStationID->setText(QStringLiteral("abc"));
    fx.count->cmdWriteREC_Click();
    fx.count->cmdClearRecCount_Click();
    QCOMPARE(fx.desktop->messages.size(), 2);
    QVERIFY(fx.desktop->confirmations.isEmpty());
    // The port closed: nothing sent.
    fx.w->modbusPanel->txtStationID->setText(QStringLiteral("21"));
    fx.w->link().port().close();
    fx.count->cmdClearRecCount_Click();
    fx.count->cmdWriteREC_Click();
    QVERIFY(fx.recorder.requests().isEmpty());
    QCOMPARE(fx.recorder.records().size(), 12);
}

void TestRecordsWindow::singleRecordsWalkTheMemory()
{
    RecordsWindow fx;
    fx.recorder.setRecords(sim::SimRecorder::demoRecords(6, First, 4));
    fx.tab->txtSensorNum->setText(QStringLiteral("4"));
    fx.tab->txtRecCount->setText(QStringLiteral("2"));
    fx.tab->txtReceive->setPlainText(QStringLiteral(" 00"));  // earlier reads stay
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(fx.read->cmdReadOneRec, Qt::LeftButton);
    QCOMPARE(fx.tab->txtRecCount->text(), QStringLiteral("5"));
    QCOMPARE(fx.recordStarts(), (QList<int>{7, 14, 21}));
    QCOMPARE(fx.w->trafficPanel->txtCommand->text(), requestHex(fx.recorder.requests().last()));
    QCOMPARE(uint8_t(fx.recorder.requests()[0][5]), uint8_t(7));  // N + 3 registers
    QCOMPARE(fx.tab->txtReceive->toPlainText(), QStringLiteral(" 00") + fx.memoryText({2, 3, 4}));
    QStringList lines;
    for (int k : {2, 3, 4})
        lines << DoneData(fx.memoryText({k}), 4).chopped(2);
    QCOMPARE(fx.tab->txtHaveDone->toPlainText(), lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    QVERIFY(fx.tab->txtHaveDone->toPlainText().startsWith(QStringLiteral("26-11-30 08:01  ")));

    // Record 5 fails three times: nothing added, the number stays for another try.
    const QString before = fx.tab->txtReceive->toPlainText();
    fx.recorder.clearRequests();
    fx.recorder.injectFault({Fault::BadCrc}, 3);
    fx.read->cmdReadOneRec_Click();
    QCOMPARE(fx.recordStarts(), (QList<int>{28, 28, 28}));
    QCOMPARE(fx.tab->txtReceive->toPlainText(), before);
    QCOMPARE(fx.tab->txtRecCount->text(), QStringLiteral("5"));
    QVERIFY(fx.status().contains(QStringLiteral("第 5 条记录未能读取")));
    // Twice wrong, then right: a reply after failures is believed when a second read agrees.
    fx.recorder.clearRequests();
    fx.recorder.injectFault({Fault::OtherAddress}, 2);
    fx.read->cmdReadOneRec_Click();
    QCOMPARE(fx.recordStarts(), (QList<int>{28, 28, 28, 28}));
    QCOMPARE(fx.tab->txtReceive->toPlainText(), before + fx.memoryText({5}));
    QCOMPARE(fx.tab->txtRecCount->text(), QStringLiteral("6"));
    QVERIFY(fx.desktop->messages.isEmpty());
}

void TestRecordsWindow::singleRecordRefusesBadBoxes()
{
    RecordsWindow fx;
    fx.recorder.setRecords(sim::SimRecorder::demoRecords(3, First));
    const struct { const char *station, *record, *sensors, *names; } rows[] = {
        {"21", "abc", "20", "记录号"}, {"21", "", "20", "记录号"}, {"21", "0", "20", "记录号"},
        {"21", "2.5", "20", "记录号"}, {"21", "-1", "20", "记录号"}, {"21", "99999999999", "20", "记录号"},
        {"21", "2850", "20", "2850"},       // its start register would pass 65535
        {"21", "1", "abc", "传感器总数"}, {"21", "1", "0", "传感器总数"}, {"21", "1", "123", "传感器总数"},
        {"0", "1", "20", "设备地址"}, {"256", "1", "20", "设备地址"},
    };
    fx.tab->txtReceive->setPlainText(QStringLiteral(" 5B"));
    for (const auto &r : rows) {
        fx.desktop->messages.clear();
        fx.w->modbusPanel->txtStationID->setText(QString::fromLatin1(r.station));
        fx.tab->txtRecCount->setText(QString::fromLatin1(r.record));
        fx.tab->txtSensorNum->setText(QString::fromLatin1(r.sensors));
        fx.read->cmdReadOneRec_Click();
        QCOMPARE(fx.desktop->messages.size(), 1);
        QVERIFY2(fx.desktop->lastMessage().contains(QString::fromUtf8(r.names)), qPrintable(fx.desktop->lastMessage()));
        QCOMPARE(fx.tab->txtRecCount->text(), QString::fromLatin1(r.record));
    }
    QVERIFY(fx.recorder.requests().isEmpty());
    QCOMPARE(fx.tab->txtReceive->toPlainText(), QStringLiteral(" 5B"));
}

void TestRecordsWindow::downloadEveryRecord()
{
    RecordsWindow fx;
    fx.recorder.setRecords(sim::SimRecorder::demoRecords(120, First));
    fx.count->cmdPoint_Click();
    QCOMPARE(fx.tab->txtRecord->text(), QStringLiteral("120"));
    fx.tab->txtHaveDone->setPlainText(QStringLiteral("old"));
    fx.recorder.clearRequests();
    QTest::mouseClick(fx.read->cmdRedall, Qt::LeftButton);
    QList<int> starts;
    for (int k = 0; k < 120; ++k)
        starts << k * 23;
    QCOMPARE(fx.recordStarts(), starts);
    QCOMPARE(fx.tab->txtReceive->toPlainText(), fx.memoryText(oneTo(120)));
    QVERIFY(fx.tab->txtReceive->toPlainText().contains(QStringLiteral(" 00 5B")));  // a value byte 5B
    QCOMPARE(fx.tab->txtHaveDone->toPlainText(), QString());
    QCOMPARE(fx.tab->lblCountIC->text(), QStringLiteral("120"));
    QCOMPARE(fx.tab->prgRecords->value(), 120);
    QCOMPARE(fx.tab->prgRecords->maximum(), 120);
    QVERIFY(fx.tab->PicCounter->isHidden());
    QVERIFY(fx.status().contains(QStringLiteral("已读取全部 120 条")));
    QVERIFY(fx.desktop->messages.isEmpty());

    // A count of 0 empties the boxes and sends nothing.
    fx.recorder.clearRequests();
    fx.tab->txtRecord->setText(QStringLiteral("0"));
    fx.read->cmdRedall_Click();
    QVERIFY(fx.recorder.requests().isEmpty());
    QCOMPARE(fx.tab->txtReceive->toPlainText(), QString());
}

void TestRecordsWindow::downloadRefusesBadBoxes()
{
    RecordsWindow fx;
    fx.recorder.setRecords(sim::SimRecorder::demoRecords(3, First));
    fx.tab->txtReceive->setPlainText(QStringLiteral(" 5B 26"));
    fx.tab->txtHaveDone->setPlainText(QStringLiteral("kept"));
    const struct { const char *count, *sensors, *names; } rows[] = {
        {"abc", "20", "条数"}, {"", "20", "条数"}, {"-1", "20", "条数"}, {"1.5", "20", "条数"},
        {"65536", "20", "条数"}, {"2850", "20", "2849"}, {"3", "x", "传感器总数"}, {"3", "200", "传感器总数"},
    };
    for (const auto &r : rows) {
        fx.desktop->messages.clear();
        fx.tab->txtRecord->setText(QString::fromLatin1(r.count));
        fx.tab->txtSensorNum->setText(QString::fromLatin1(r.sensors));
        fx.read->cmdRedall_Click();
        QCOMPARE(fx.desktop->messages.size(), 1);
        QVERIFY2(fx.desktop->lastMessage().contains(QString::fromUtf8(r.names)), qPrintable(fx.desktop->lastMessage()));
    }
    // The port closed: nothing read, so nothing is emptied either.
    fx.tab->txtRecord->setText(QStringLiteral("3"));
    fx.tab->txtSensorNum->setText(QStringLiteral("20"));
    fx.w->link().port().close();
    fx.read->cmdRedall_Click();
    QVERIFY(fx.status().contains(QStringLiteral("端口未打开")));
    QVERIFY(fx.recorder.requests().isEmpty());
    QCOMPARE(fx.tab->txtReceive->toPlainText(), QStringLiteral(" 5B 26"));
    QCOMPARE(fx.tab->txtHaveDone->toPlainText(), QStringLiteral("kept"));
}

void TestRecordsWindow::stopDuringDownload()
{
    RecordsWindow fx;
    fx.recorder.setRecords(sim::SimRecorder::demoRecords(100, First));
    fx.tab->txtRecord->setText(QStringLiteral("100"));
    bool othersOff = false;
    // "停止" is pressed while record 37 is being read.
    fx.recorder.setFaultRule([&](const QByteArray &request, int) -> FaultSpec {
        if (isRecordRead(request) && recordOf(request, 20) == 37)
            QMetaObject::invokeMethod(fx.read, [&] {
                othersOff = !fx.read->cmdRedall->isEnabled() && !fx.count->cmdPoint->isEnabled()
                    && fx.read->cmdStopGet->isEnabled() && !fx.tab->PicCounter->isHidden();
                QTest::mouseClick(fx.read->cmdStopGet, Qt::LeftButton);
            }, Qt::QueuedConnection);
        return {};
    });
    fx.read->cmdRedall_Click();
    QVERIFY(othersOff);
    QCOMPARE(fx.recordStarts().size(), 37);
    QCOMPARE(fx.tab->txtReceive->toPlainText(), fx.memoryText(oneTo(37)));
    QCOMPARE(fx.tab->lblCountIC->text(), QStringLiteral("38"));
    QVERIFY(fx.tab->PicCounter->isHidden());
    QVERIFY(fx.status().contains(QStringLiteral("已停止，已读取 37 条")));
    QVERIFY(fx.desktop->messages.isEmpty());
    QVERIFY(fx.read->cmdRedall->isEnabled());
    // "停止" before a download changes nothing: the next one runs through.
    fx.recorder.clearFaults();
    fx.read->cmdStopGet_Click();
    fx.tab->txtRecord->setText(QStringLiteral("3"));
    fx.read->cmdRedall_Click();
    QCOMPARE(fx.tab->txtReceive->toPlainText(), fx.memoryText({1, 2, 3}));
}

void TestRecordsWindow::portVanishesMidDownload()
{
    RecordsWindow fx;
    fx.recorder.setRecords(sim::SimRecorder::demoRecords(50, First));
    fx.tab->txtRecord->setText(QStringLiteral("50"));
    const QString memory = fx.memoryText(oneTo(19));
    // The adapter is pulled out while record 20 is asked for.
    fx.recorder.setFaultRule([&](const QByteArray &request, int) -> FaultSpec {
        if (isRecordRead(request) && recordOf(request, 20) == 20) {
            QMetaObject::invokeMethod(fx.w, [&] { fx.recorder.stop(); }, Qt::QueuedConnection);
            return {Fault::NoReply};
        }
        return {};
    });
    fx.read->cmdRedall_Click();
    QVERIFY(!fx.w->link().port().isOpen());
    QCOMPARE(fx.tab->txtReceive->toPlainText(), memory);
    QVERIFY(fx.tab->PicCounter->isHidden());
    QStringList texts;
    for (const auto &m : fx.desktop->messages)
        texts << m.text;
    const QString download = texts.filter(QStringLiteral("读取已中止")).value(0);
    QVERIFY2(download.contains(QStringLiteral("已读取的 19 条记录保留在接收区")), qPrintable(texts.join('|')));
    QSet<int> rest;
    for (int k = 20; k <= 50; ++k)
        rest.insert(k);
    QCOMPARE(listedRecords(download), rest);
    QVERIFY(fx.status().contains(QStringLiteral("串口已断开")));
    QVERIFY(fx.read->cmdRedall->isEnabled());
}

void TestRecordsWindow::closingDuringDownload()
{
    RecordsWindow fx;
    fx.recorder.setRecords(sim::SimRecorder::demoRecords(400, First));
    fx.tab->txtRecord->setText(QStringLiteral("400"));
    QTimer::singleShot(300, fx.w, [&] { fx.w->close(); });
    fx.read->cmdRedall_Click();
    QTRY_VERIFY(!fx.w->isVisible());
    const int asked = int(fx.recordStarts().size());
    QVERIFY(asked < 400);
    // What was read before the window went is what the box holds (the last request may have been cut
    // short); no message is left behind.
    const QString text = fx.tab->txtReceive->toPlainText();
    QVERIFY(text == fx.memoryText(oneTo(asked)) || text == fx.memoryText(oneTo(asked - 1)));
    QVERIFY(asked > 1);
    QVERIFY(fx.desktop->messages.isEmpty());
}

void TestRecordsWindow::replyWindowSetting()
{
    RecordsWindow fx;
    fx.recorder.setRecords(sim::SimRecorder::demoRecords(3, First));
    // Cancelled: nothing changes.
    QTest::mouseClick(fx.read->cmdReplyWindow, Qt::LeftButton);
    QCOMPARE(fx.desktop->replyWindowShown, (QList<records::ReplyWindow>{{}}));
    QVERIFY(!QFile::exists(fx.dir.filePath(QStringLiteral("replywin.set"))));
    // One failed request is all a record gets now; the file keeps it for the next start.
    fx.desktop->replyWindowAnswer = records::ReplyWindow{150, 1, 400, EchoMode::Off};
    QTest::mouseClick(fx.read->cmdReplyWindow, Qt::LeftButton);
    QVERIFY2(fx.status().contains(QStringLiteral("已保存到 replywin.set")), qPrintable(fx.status()));
    QFile file(fx.dir.filePath(QStringLiteral("replywin.set")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("150,1,400,2\r\n"));
    QCOMPARE(fx.w->context().link.echoMode(), EchoMode::Off);
    fx.recorder.injectFault({Fault::NoReply});
    fx.read->cmdReadOneRec_Click();
    QCOMPARE(fx.recordStarts(), QList<int>{0});
    QVERIFY(fx.status().contains(QStringLiteral("第 1 条记录未能读取")));
}

QTEST_MAIN(TestRecordsWindow)
#include "test_records_window.moc"
