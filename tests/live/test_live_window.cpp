#include "panels/port/modbuspanel.h"
#include "hexbytes.h"
#include "core/link/crc16.h"
#include "panels/port/portpanel.h"
#include "panels/status/statuspanel.h"
#include "panels/status/trafficpanel.h"
#include "panels/live/livevaluespanel.h"
#include "panels/live/pollingpanel.h"
#include "panels/live/storagestatepanel.h"
#include "../app/windowfixture.h"
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

using Lamp = TrafficView::Lamp;

namespace {
// Words pinned in a simulated device's live registers 0 … 19, and what their boxes show.
const uint16_t kWords[20] = {0x00EB, 0x0005, 0x0000, 0xFFFF, 0x9C40, 0x9C41, 0xFFF6, 70, 80, 90,
                             100, 110, 120, 130, 140, 150, 160, 170, 180, 190};
const QStringList kTexts = {"23.5", "00.5", "00.0", "00.0", "4000.0", "-2553.5", "-01.0", "07.0", "08.0", "09.0",
                            "10.0", "11.0", "12.0", "13.0", "14.0", "15.0", "16.0", "17.0", "18.0", "19.0"};

void pinLiveWords(sim::SimRecorder &recorder, uint8_t device)
{
    for (int k = 0; k < 20; ++k)
        recorder.setHolding(uint16_t(k), kWords[k], device);
}

QByteArray framed(const char *hex)
{
    QByteArray f = hx(hex);
    appendCrc(f);
    return f;
}

QStringList boxTexts(const LiveValuesPanel &p)
{
    QStringList out;
    for (QLineEdit *b : p.txtValue1)
        out << b->text();
    return out;
}

QList<int> addresses(const QVector<QByteArray> &requests)
{
    QList<int> out;
    for (const QByteArray &r : requests)
        out << uint8_t(r[0]);
    return out;
}
} // namespace

class TestLiveWindow : public QObject {
    Q_OBJECT
private slots:
    void controlsAndLayout();
    void singleReadWithDefaultBoxes();
    void faultedRepliesLeaveTheBoxes_data();
    void faultedRepliesLeaveTheBoxes();
    void shorterFrameAndCallersHold();
    void cyclicReadTicksAndStop();
    void stopDuringATickEndsIt();
    void multiDeviceLoopSequence_data();
    void multiDeviceLoopSequence();
    void timersNeverOverlapExchanges();
    void ticksSkippedWhileBusyOrClosed();
    void invalidBoxesRefused_data();
    void invalidBoxesRefused();
    void runningTimerStopsWhenABoxTurnsInvalid();
    void storageStateMonitor();
};

void TestLiveWindow::controlsAndLayout()
{
    WindowFixture fx;
    frmMain &w = fx.start();
    LiveValuesPanel &v = *w.liveValuesPanel;
    for (int k = 0; k < 20; ++k) {
        auto *box = fx.find<QLineEdit>(QStringLiteral("txtValue1(%1)").arg(k));
        QCOMPARE(box, v.txtValue1[k]);
        QVERIFY(fx.find(QStringLiteral("Frame2(5)"))->isAncestorOf(box));
        QCOMPARE(box->text(), QStringLiteral("0"));
        QCOMPARE(box->accessibleName(), QStringLiteral("%1#").arg(k + 1));
        QCOMPARE(v.lblValue[k]->text(), QStringLiteral("%1#").arg(k + 1));
        QCOMPARE(v.lblValue[k]->buddy(), box);
        // Four columns of five, top to bottom.
        QCOMPARE(box->x(), v.txtValue1[k - k % 5]->x());
        QVERIFY(k % 5 == 0 || box->y() > v.txtValue1[k - 1]->y());
        QVERIFY(k < 5 || box->x() > v.txtValue1[k - 5]->x());
    }
    const struct { const char *frame, *name, *text; } controls[] = {
        {"Frame11", "comDoOnce", "单次"}, {"Frame11", "cmdOneM", "循环"}, {"Frame11", "cmdStopOnce", "停止"},
        {"Frame11", "cmdLoop", "多设备循检"}, {"Frame11", "txtTimerSet(0)", "1000"}, {"Frame11", "txtStrarid", "1"},
        {"Frame11", "txtEndId", "4"}, {"Frame8", "cmdStartMonitor", "开始监测"}, {"Frame8", "lblStartCount", "0"},
        {"Frame8", "lblMinuterCount", "0"},
    };
    for (const auto &c : controls) {
        QWidget *widget = fx.find(QString::fromUtf8(c.name));
        QVERIFY(fx.find(QString::fromUtf8(c.frame))->isAncestorOf(widget));
        const auto *b = qobject_cast<QAbstractButton *>(widget);
        const auto *e = qobject_cast<QLineEdit *>(widget);
        const auto *l = qobject_cast<QLabel *>(widget);
        QCOMPARE(b ? b->text() : e ? e->text() : l->text(), QString::fromUtf8(c.text));
    }
    const QString captions[] = {"定时(ms)", "超始设备地址", "终止设备地址"};
    const QLineEdit *boxes[] = {w.pollingPanel->txtTimerSet[0], w.pollingPanel->txtStrarid, w.pollingPanel->txtEndId};
    for (int i = 0; i < 3; ++i) {
        bool captioned = false;
        for (QLabel *l : w.findChildren<QLabel *>())
            captioned |= l->buddy() == boxes[i] && l->text() == captions[i];
        QVERIFY(captioned);
    }
    QVERIFY(!w.pollingPanel->Timer2->isActive() && !w.pollingPanel->Timer5->isActive());
}

void TestLiveWindow::singleReadWithDefaultBoxes()
{
    WindowFixture fx;
    fx.recorder.addDevice(2);
    pinLiveWords(fx.recorder, 2);
    frmMain &w = fx.start();
    fx.recorder.clearRequests();
    w.modbusPanel->txtDataLength->setText(QStringLiteral("32"));

    QTest::mouseClick(w.pollingPanel->comDoOnce, Qt::LeftButton);
    QCOMPARE(fx.recorder.requests(), QVector<QByteArray>{hx("02 03 00 00 00 14 45 F6")});
    QCOMPARE(w.trafficPanel->txtCommand->text(), QStringLiteral("02 03 00 00 00 14 45 F6 "));
    QCOMPARE(w.modbusPanel->txtDataLength->text(), QStringLiteral("20"));
    QCOMPARE(boxTexts(*w.liveValuesPanel), kTexts);
    QVERIFY(w.trafficPanel->txtState->text().startsWith(QStringLiteral(" 02 03 28 00 EB 00 05")));
    QCOMPARE(w.statusPanel->lamp(), Lamp::Green);
    QCOMPARE(w.statusPanel->lblCounter->text(), QStringLiteral("1"));
    QCOMPARE(w.statusPanel->lblRecCount->text(), QStringLiteral("1"));
    QVERIFY(fx.desktop->messages.isEmpty());
}

void TestLiveWindow::faultedRepliesLeaveTheBoxes_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("replies");  // lblRecCount
    QTest::newRow("no reply") << int(sim::Fault::NoReply) << QStringLiteral("无应答") << 0;
    QTest::newRow("too late") << int(sim::Fault::Late) << QStringLiteral("无应答") << 0;
    QTest::newRow("bad crc") << int(sim::Fault::BadCrc) << QStringLiteral("CRC") << 1;
    QTest::newRow("truncated") << int(sim::Fault::Truncated) << QStringLiteral("不完整") << 1;
    QTest::newRow("another address") << int(sim::Fault::OtherAddress) << QStringLiteral("其他地址") << 1;
    QTest::newRow("exception") << int(sim::Fault::Exception) << QStringLiteral("非法数据地址") << 1;
}

void TestLiveWindow::faultedRepliesLeaveTheBoxes()
{
    QFETCH(int, fault);
    QFETCH(QString, status);
    QFETCH(int, replies);
    WindowFixture fx;
    frmMain &w = fx.start();
    w.modbusPanel->txtStationID->setText(QStringLiteral("21"));
    for (QLineEdit *b : w.liveValuesPanel->txtValue1)
        b->setText(QStringLiteral("12.3"));
    sim::FaultSpec injected{sim::Fault(fault)};
    injected.exceptionCode = 0x02;
    injected.lateMs = 1500;  // beyond the reply window
    fx.recorder.injectFault(injected);

    w.pollingPanel->comDoOnce_Click();
    QCOMPARE(boxTexts(*w.liveValuesPanel), QStringList(20, QStringLiteral("12.3")));
    QVERIFY2(w.lblStatusLine->text().contains(status), qPrintable(w.lblStatusLine->text()));
    QCOMPARE(w.statusPanel->lblCounter->text(), QStringLiteral("1"));
    QCOMPARE(w.statusPanel->lblRecCount->text(), QString::number(replies));
    QCOMPARE(w.trafficPanel->txtState->text().isEmpty(), replies == 0);  // shown as received
}

void TestLiveWindow::shorterFrameAndCallersHold()
{
    WindowFixture fx;
    pinLiveWords(fx.recorder, 21);
    frmMain &w = fx.start();
    LiveValuesPanel &v = *w.liveValuesPanel;
    const QByteArray request = modbus::readRequest(2, 3, 0, 20);
    // A device with three registers answers with three: boxes 0–2 change, the others keep theirs.
    QStringList expected(20, QStringLiteral("0"));
    QCOMPARE(v.DoData(request, framed("02 03 06 00 EB FF F6 9C 41")), 3);
    expected[0] = "23.5", expected[1] = "-01.0", expected[2] = "-2553.5";
    QCOMPARE(boxTexts(v), expected);
    QCOMPARE(v.DoData(request, framed("03 03 02 00 01")), 0);  // not the device asked
    QCOMPARE(boxTexts(v), expected);

    // The module pass reads inside its own hold; 32 registers: boxes 0–19 get registers 0–19.
    fx.recorder.clearRequests();
    auto hold = w.link().tryHold();
    const Exchange ex = v.ReadModule(*hold, 21, 3, 0, 32);
    QVERIFY(ex.valid());
    QCOMPARE(ex.reply.size(), 69);
    QCOMPARE(fx.recorder.requests(), QVector<QByteArray>{modbus::readRequest(21, 3, 0, 32)});
    QCOMPARE(boxTexts(v), kTexts);
    QVERIFY(w.link().busy());  // still the caller's
}

void TestLiveWindow::cyclicReadTicksAndStop()
{
    WindowFixture fx;
    fx.recorder.addDevice(2);
    frmMain &w = fx.start();
    PollingPanel &p = *w.pollingPanel;
    QLabel *counter = w.statusPanel->lblCounter;
    fx.recorder.clearRequests();
    counter->setText(QStringLiteral("9"));
    w.statusPanel->lblRecCount->setText(QStringLiteral("8"));
    p.txtTimerSet[0]->setText(QStringLiteral("30"));

    QTest::mouseClick(p.cmdOneM, Qt::LeftButton);
    QCOMPARE(counter->text() + w.statusPanel->lblRecCount->text(), QStringLiteral("00"));
    QCOMPARE(p.Timer2->interval(), 30);
    QTRY_VERIFY(fx.recorder.requests().size() >= 3);
    w.modbusPanel->txtStartID->setText(QStringLiteral("2"));  // counts from the next tick
    QTRY_VERIFY(fx.recorder.requests().contains(modbus::readRequest(2, 3, 1, 20)));
    QTest::mouseClick(p.cmdStopOnce, Qt::LeftButton);
    QVERIFY(!p.Timer2->isActive());
    QCOMPARE(counter->text() + w.statusPanel->lblRecCount->text(), QStringLiteral("00"));
    const QVector<QByteArray> sent = fx.recorder.requests();
    bool edited = false;
    for (const QByteArray &r : sent) {
        edited |= r == modbus::readRequest(2, 3, 1, 20);
        QCOMPARE(r, edited ? modbus::readRequest(2, 3, 1, 20) : hx("02 03 00 00 00 14 45 F6"));
    }
    QTest::qWait(100);
    QCOMPARE(fx.recorder.requests().size(), sent.size());  // nothing after the stop

    // Above 65535 the counter starts again before the tick's exchange.
    const struct { const char *before, *after; } wraps[] = {{"65535", "65536"}, {"65536", "1"}, {"70000", "1"}};
    for (const auto &r : wraps) {
        counter->setText(QString::fromLatin1(r.before));
        p.Timer2_Timer();
        QCOMPARE(counter->text(), QString::fromLatin1(r.after));
    }
}

void TestLiveWindow::stopDuringATickEndsIt()
{
    WindowFixture fx;
    frmMain &w = fx.start();
    PollingPanel &p = *w.pollingPanel;
    w.modbusPanel->txtStationID->setText(QStringLiteral("21"));
    fx.recorder.injectFault({sim::Fault::NoReply}, 100);
    p.txtTimerSet[0]->setText(QStringLiteral("5"));
    p.cmdOneM_Click();
    bool stoppedInsideExchange = false;  // the tick waits for a reply that never comes
    QTimer::singleShot(100, &w, [&] {
        stoppedInsideExchange = w.link().busy();
        QTest::mouseClick(p.cmdStopOnce, Qt::LeftButton);
    });
    QTRY_VERIFY(!p.Timer2->isActive() && !w.link().busy());
    QVERIFY(stoppedInsideExchange);
    QCOMPARE(w.statusPanel->lblCounter->text(), QStringLiteral("0"));  // not counted after the stop
    fx.recorder.clearFaults();
    p.comDoOnce_Click();  // the next command runs normally
    QCOMPARE(w.statusPanel->lblCounter->text(), QStringLiteral("1"));
    QVERIFY(w.lblStatusLine->text().contains(QStringLiteral("应答正确")));
}

void TestLiveWindow::multiDeviceLoopSequence_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QList<int>>("devices");
    QTest::newRow("1 to 4") << "1" << "4" << QList<int>{2, 3, 4, 1, 2, 3, 4, 1, 2};
    QTest::newRow("first above last") << "5" << "3" << QList<int>{5, 5, 5};
    QTest::newRow("first equals last") << "3" << "3" << QList<int>{3, 3};
    QTest::newRow("3 to 5, start register 2") << "3" << "5" << QList<int>{4, 5, 3, 4};
}

void TestLiveWindow::multiDeviceLoopSequence()
{
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QList<int>, devices);
    WindowFixture fx;
    for (uint8_t a = 1; a <= 5; ++a)
        fx.recorder.addDevice(a);
    frmMain &w = fx.start();
    PollingPanel &p = *w.pollingPanel;
    fx.recorder.clearRequests();
    w.modbusPanel->txtStartID->setText(QStringLiteral("9"));  // not this mode's
    w.statusPanel->lblCounter->setText(QStringLiteral("7"));  // nor reset by it
    p.txtStrarid->setText(first);
    p.txtEndId->setText(last);
    p.txtTimerSet[0]->setText(QStringLiteral("10"));
    QTest::mouseClick(p.cmdLoop, Qt::LeftButton);
    QCOMPARE(p.Timer5->interval(), 10);
    QTRY_VERIFY(fx.recorder.requests().size() >= devices.size());
    p.cmdStopOnce_Click();
    const QVector<QByteArray> sent = fx.recorder.requests();
    QCOMPARE(addresses(sent).mid(0, devices.size()), devices);
    for (const QByteArray &r : sent)
        QCOMPARE(r, modbus::readRequest(uint8_t(r[0]), 3, uint16_t(first.toInt() - 1), 20));
    QCOMPARE(w.modbusPanel->txtStationID->text(), QStringLiteral("2"));  // the loop leaves it
}

void TestLiveWindow::timersNeverOverlapExchanges()
{
    WindowFixture fx;
    for (uint8_t a = 1; a <= 4; ++a)
        fx.recorder.addDevice(a);
    frmMain &w = fx.start();
    PollingPanel &p = *w.pollingPanel;
    fx.recorder.clearRequests();
    // Both timed modes at once, far faster than the device answers; the cyclic read asks from
    // register 4, the loop from register 0.
    w.modbusPanel->txtStartID->setText(QStringLiteral("5"));
    p.txtTimerSet[0]->setText(QStringLiteral("1"));
    p.cmdOneM_Click();
    p.cmdLoop_Click();
    const auto ran = [&](int start) {
        return std::count_if(fx.recorder.requests().cbegin(), fx.recorder.requests().cend(),
                             [&](const QByteArray &r) { return uint8_t(r[3]) == start; });
    };
    QTRY_VERIFY(ran(4) >= 4 && ran(0) >= 4);
    p.Timer2->stop();
    p.Timer5->stop();
    QTRY_VERIFY(!w.link().busy());
    // Every request had the line to itself and got its whole reply.
    const QString sent = QString::number(fx.recorder.requests().size());
    QCOMPARE(w.statusPanel->lblCounter->text(), sent);
    QCOMPARE(w.statusPanel->lblRecCount->text(), sent);
}

void TestLiveWindow::ticksSkippedWhileBusyOrClosed()
{
    WindowFixture fx;
    frmMain &w = fx.start();
    PollingPanel &p = *w.pollingPanel;
    p.cmdLoop_Click();
    p.Timer5->stop();  // ticks by hand
    fx.recorder.clearRequests();
    w.showLamp(Lamp::Yellow);
    w.statusPanel->lblCounter->setText(QStringLiteral("70000"));
    {
        auto hold = w.link().tryHold();  // another command holds the bus: the ticks do nothing
        p.Timer2_Timer();
        p.Timer5_Timer();
        QCOMPARE(p.CurrentAddress, 1);
        QCOMPARE(w.statusPanel->lblCounter->text(), QStringLiteral("70000"));
    }
    // The port closed: nothing sent, no lamp; the counter wraps and the loop steps.
    w.portPanel->cmdCloseComm_Click();
    p.Timer2_Timer();
    p.Timer5_Timer();
    QCOMPARE(p.CurrentAddress, 2);
    QCOMPARE(w.statusPanel->lblCounter->text(), QStringLiteral("0"));
    QCOMPARE(w.statusPanel->lamp(), Lamp::Yellow);
    QTest::qWait(50);
    QVERIFY(fx.recorder.requests().isEmpty());
    // Closing the window ends polling.
    p.txtTimerSet[0]->setText(QStringLiteral("10"));
    p.cmdOneM_Click();
    p.cmdLoop_Click();
    w.close();
    QTRY_VERIFY(!p.Timer2->isActive() && !p.Timer5->isActive());
}

void TestLiveWindow::invalidBoxesRefused_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    const char *rows[][4] = {
        {"comDoOnce", "txtStationID", "0", "设备地址"},     {"comDoOnce", "txtStationID", "256", "设备地址"},
        {"comDoOnce", "txtStationID", "2.5", "设备地址"},   {"comDoOnce", "txtStationID", "abc", "设备地址"},
        {"comDoOnce", "txtFunID", "6", "功能号"},           {"comDoOnce", "txtFunID", "", "功能号"},
        {"comDoOnce", "txtStartID", "0", "起始地址"},       {"comDoOnce", "txtStartID", "257", "起始地址"},
        {"cmdOneM", "txtTimerSet(0)", "0", "定时(ms)"},     {"cmdOneM", "txtTimerSet(0)", "1.5", "定时(ms)"},
        {"cmdOneM", "txtDataLength", "0", "数据长度"},      {"cmdOneM", "txtDataLength", "126", "数据长度"},
        {"cmdOneM", "txtStationID", "x", "设备地址"},       {"cmdLoop", "txtStrarid", "0", "超始设备地址"},
        {"cmdLoop", "txtStrarid", "256", "超始设备地址"},   {"cmdLoop", "txtEndId", "x", "终止设备地址"},
        {"cmdLoop", "txtFunID", "5", "功能号"},             {"cmdLoop", "txtTimerSet(0)", "-20", "定时(ms)"},
        {"cmdStartMonitor", "txtStationID", "0", "设备地址"},
    };
    for (const auto &r : rows)
        QTest::addRow("%s %s \"%s\"", r[0], r[1], r[2]) << QString::fromUtf8(r[0]) << QString::fromUtf8(r[1])
                                                        << QString::fromUtf8(r[2]) << QString::fromUtf8(r[3]);
}

void TestLiveWindow::invalidBoxesRefused()
{
    QFETCH(QString, command);
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    WindowFixture fx;
    fx.recorder.addDevice(2);
    frmMain &w = fx.start();
    fx.recorder.clearRequests();
    fx.find<QLineEdit>(box)->setText(text);
    QTest::mouseClick(fx.find<QPushButton>(command), Qt::LeftButton);

    QCOMPARE(fx.desktop->messages.size(), 1);
    QVERIFY2(fx.desktop->lastMessage().contains(QStringLiteral("“%1”中的“%2”").arg(caption, text)),
             qPrintable(fx.desktop->lastMessage()));
    QVERIFY(!w.pollingPanel->Timer2->isActive() && !w.pollingPanel->Timer5->isActive());
    QTest::qWait(50);
    QVERIFY(fx.recorder.requests().isEmpty());
    QCOMPARE(w.statusPanel->lblCounter->text(), QStringLiteral("0"));
}

void TestLiveWindow::runningTimerStopsWhenABoxTurnsInvalid()
{
    WindowFixture fx;
    for (uint8_t a = 1; a <= 4; ++a)
        fx.recorder.addDevice(a);
    frmMain &w = fx.start();
    PollingPanel &p = *w.pollingPanel;
    p.txtTimerSet[0]->setText(QStringLiteral("10"));
    const struct { QTimer *timer; QPushButton *start; QLineEdit *box; const char *caption; } rows[] = {
        {p.Timer2, p.cmdOneM, w.modbusPanel->txtStationID, "设备地址"},
        {p.Timer5, p.cmdLoop, p.txtEndId, "终止设备地址"},
    };
    for (const auto &r : rows) {
        fx.desktop->messages.clear();
        fx.recorder.clearRequests();
        QTest::mouseClick(r.start, Qt::LeftButton);
        QTRY_VERIFY(fx.recorder.requests().size() >= 2);
        r.box->setText(QStringLiteral("garbage"));
        QTRY_VERIFY(!r.timer->isActive());
        const qsizetype sent = fx.recorder.requests().size();
        QTest::qWait(60);
        QCOMPARE(fx.recorder.requests().size(), sent);
        QCOMPARE(fx.desktop->messages.size(), 1);  // said once, not at every tick
        QVERIFY(fx.desktop->lastMessage().contains(QString::fromUtf8(r.caption)));
        r.box->setText(QStringLiteral("2"));
    }
}

void TestLiveWindow::storageStateMonitor()
{
    WindowFixture fx;
    fx.recorder.addDevice(2);
    frmMain &w = fx.start();
    StorageStatePanel &s = *w.storageStatePanel;
    w.modbusPanel->txtStationID->setText(QStringLiteral("21"));
    const struct { uint16_t starts, minutes; const char *request, *state, *shown; } reads[] = {
        {300, 60, "15 03 00 7C 00 02 06 C7", "15 03 04 01 2C 00 3C", "300 60"},
        {0x8000, 1, nullptr, "15 03 04 80 00 00 01", "32768 1"},  // shown as they are
        {65535, 40001, nullptr, "15 03 04 FF FF 9C 41", "65535 40001"},
    };
    for (const auto &r : reads) {
        fx.recorder.setHolding(124, r.starts);
        fx.recorder.setHolding(125, r.minutes);
        fx.recorder.clearRequests();
        QTest::mouseClick(s.cmdStartMonitor, Qt::LeftButton);
        if (r.request)
            QCOMPARE(fx.recorder.requests(), QVector<QByteArray>{hx(r.request)});
        QCOMPARE(w.trafficPanel->txtState->text(), ShowHex(framed(r.state)));
        QCOMPARE(s.lblStartCount->text() + ' ' + s.lblMinuterCount->text(), QString::fromLatin1(r.shown));
    }
    QCOMPARE(w.statusPanel->lamp(), Lamp::Yellow);  // no second wait: the lamp stays yellow
    QCOMPARE(w.statusPanel->lblCounter->text(), QStringLiteral("0"));

    // Anything but a valid reply leaves the labels.
    fx.recorder.setHolding(124, 999);
    const struct { sim::Fault fault; const char *status; } faults[] = {
        {sim::Fault::BadCrc, "CRC"}, {sim::Fault::OtherAddress, "其他地址"}, {sim::Fault::Exception, "异常应答"},
    };
    for (const auto &f : faults) {
        fx.recorder.injectFault({f.fault});
        s.cmdStartMonitor_Click();
        QCOMPARE(s.lblStartCount->text() + ' ' + s.lblMinuterCount->text(), QStringLiteral("65535 40001"));
        QVERIFY2(w.lblStatusLine->text().contains(QString::fromUtf8(f.status)), qPrintable(w.lblStatusLine->text()));
    }
    QCOMPARE(w.trafficPanel->txtState->text(), ShowHex(framed("15 83 04")));  // shown as received

    w.modbusPanel->txtStationID->setText(QStringLiteral("2"));
    fx.recorder.clearRequests();
    s.cmdStartMonitor_Click();
    QCOMPARE(fx.recorder.requests(), QVector<QByteArray>{hx("02 03 00 7C 00 02 05 E0")});
}

QTEST_MAIN(TestLiveWindow)
#include "test_live_window.moc"
