// The clock, the recording interval, the baud rate and the sensor count in the real window against
// the simulated recorder.
#include "panels/port/modbuspanel.h"
#include "panels/config/baudratepanel.h"
#include "panels/config/clockpanel.h"
#include "panels/config/intervalpanel.h"
#include "panels/config/sensorcountread.h"
#include "hexbytes.h"
#include "panels/port/portpanel.h"
#include "panels/status/statuspanel.h"
#include "panels/status/trafficpanel.h"
#include "panels/records/recordspanel.h"
#include "../app/windowfixture.h"
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
frmMain &startAt21(WindowFixture &fx)
{
    frmMain &w = fx.start();
    w.modbusPanel->txtStationID->setText(QStringLiteral("21"));
    fx.recorder.clearRequests();
    return w;
}

QStringList clockBoxes(ClockPanel &c)
{
    QStringList out;
    for (QLineEdit *e : c.txtTime)
        out << e->text();
    return out;
}

bool hasLabel(QWidget *frame, const QString &text)
{
    for (QLabel *l : frame->findChildren<QLabel *>())
        if (l->text() == text)
            return true;
    return false;
}

QString status(frmMain &w) { return w.lblStatusLine->text(); }
} // namespace

class TestConfigDevice : public QObject {
    Q_OBJECT
private slots:
    void layoutAndDesignTexts();
    void clockSetAtTheFixedPcTimeThenRead();
    void clockSetGoesOnPastAnUnansweredWrite();
    void clockSetRefusesAYearFrom2100();
    void clockReadFailures();
    void intervalWriteAndRead();
    void sensorCount();
    void baudChange();
};

void TestConfigDevice::layoutAndDesignTexts()
{
    WindowFixture fx;
    frmMain &w = fx.start();
    const struct { const char *name, *text, *frame; } controls[] = {
        {"txtRecInt", "1", "Frame9"}, {"cmdSetRecInt", "设置记录时间间隔", "Frame9"},
        {"cmdReadInterv", "读记录时间间隔", "Frame9"}, {"txtCurrentBuad", "2", "Frame7(1)"},
        {"txtObjectBuad", "0", "Frame7(1)"}, {"cmdBuadRate", "修改", "Frame7(1)"},
        {"cmdTimeWrite", "写入电脑时钟", "fraClock"}, {"cmdTimeRead", "读时钟", "fraClock"},
        {"cmdReadSensorS", "读传感器总数", "Frame15"}, {"txtSensorNum", "20", "Frame15"},
    };
    for (const auto &c : controls) {
        QWidget *widget = fx.find(QString::fromLatin1(c.name));
        QVERIFY2(fx.find(QString::fromLatin1(c.frame))->isAncestorOf(widget), c.name);
        if (auto *e = qobject_cast<QLineEdit *>(widget))
            QCOMPARE(e->text(), QString::fromUtf8(c.text));
        else
            QCOMPARE(qobject_cast<QPushButton *>(widget)->text(), QString::fromUtf8(c.text));
        if (auto *b = qobject_cast<QPushButton *>(widget))
            QVERIFY(b->property("deviceCommand").toBool());
    }
    QVERIFY(w.SSTab1->widget(3)->isAncestorOf(w.sensorCountRead->cmdReadSensorS));
    QVERIFY(hasLabel(fx.find(QStringLiteral("Frame9")),
                     QStringLiteral("值范围：1-9999，0时则不记录,当需要两个时间差为整数时，比如定时60秒，此值应设为59，"
                                    "建议此值大于59秒，以保证通讯流畅")));
    QVERIFY(hasLabel(fx.find(QStringLiteral("Frame7(1)")), QStringLiteral("当前波特率：       更改为")));
    QVERIFY(hasLabel(fx.find(QStringLiteral("Frame7(1)")), QStringLiteral("值对应波特率 1-4800 2-9600 3-14400 4-19200 5-38400")));

    // The clock: seven empty boxes, six of them labelled, the weekday named for a screen reader.
    const char *labels[] = {"秒", "分", "时", nullptr, "日", "月", "年"};
    for (int i = 0; i < 7; ++i) {
        auto *box = fx.find<QLineEdit>(QStringLiteral("txtTime(%1)").arg(i));
        QCOMPARE(box, w.clockPanel->txtTime[i]);
        QCOMPARE(box->text(), QString());
        QVERIFY(fx.find(QStringLiteral("fraClock"))->isAncestorOf(box));
        QLabel *buddyOf = nullptr;
        for (QLabel *l : fx.find(QStringLiteral("fraClock"))->findChildren<QLabel *>())
            if (l->buddy() == box)
                buddyOf = l;
        if (labels[i])
            QCOMPARE(buddyOf ? buddyOf->text() : QString(), QString::fromUtf8(labels[i]));
        else
            QVERIFY(!box->accessibleName().isEmpty());
    }
    QVERIFY(fx.find(QStringLiteral("txtRecInt"))->isEnabled());
}

void TestConfigDevice::clockSetAtTheFixedPcTimeThenRead()
{
    WindowFixture fx;
    frmMain &w = startAt21(fx);
    ClockPanel &c = *w.clockPanel;
    fx.recorder.setClock(QDateTime(QDate(2019, 3, 4), QTime(5, 6, 7)));
    QTest::mouseClick(c.cmdTimeWrite, Qt::LeftButton);  // the PC clock: Sunday 6 December 2026 14:30:45
    QCOMPARE(clockBoxes(c), (QStringList{"45", "30", "14", "1", "6", "12", "26"}));
    QCOMPARE(fx.recorder.requests(), (QVector<QByteArray>{
                                         hx("15 06 00 81 20 26 42 EC"), hx("15 06 00 80 01 12 0A AB"),
                                         hx("15 06 00 7F 06 14 B8 A9"), hx("15 06 00 7E 30 45 3F 35"),
                                         hx("15 05 00 08 FF 00 0E EC")}));
    QCOMPARE(fx.recorder.coilOnCount(8), 1);
    QVERIFY2(status(w).contains(QStringLiteral("2026-12-06 14:30:45")), qPrintable(status(w)));
    // The recorder took the time over and ticks on from it.
    const QDateTime set(QDate(2026, 12, 6), QTime(14, 30, 45));
    const QDateTime now = fx.recorder.clock();
    QVERIFY2(now >= set && now < set.addSecs(60), qPrintable(now.toString(Qt::ISODate)));

    for (QLineEdit *e : c.txtTime)
        e->clear();
    fx.recorder.clearRequests();
    QTest::mouseClick(c.cmdTimeRead, Qt::LeftButton);
    QCOMPARE(fx.recorder.requests(), QVector<QByteArray>{hx("15 03 00 75 00 04 56 C7")});
    const QStringList read = clockBoxes(c);
    QCOMPARE(read.mid(2), (QStringList{"14", "1", "6", "12", "26"}));
    const int secondsIn = read[1].toInt() * 60 + read[0].toInt();
    QVERIFY2(read[1] == QStringLiteral("30") || read[1] == QStringLiteral("31"), qPrintable(read.join(',')));
    QVERIFY(secondsIn >= 30 * 60 + 45);
    QCOMPARE(w.trafficPanel->txtState->text().size(), 13 * 3);
    QCOMPARE(w.statusPanel->lblCounter->text(), QStringLiteral("0"));
}

void TestConfigDevice::clockSetGoesOnPastAnUnansweredWrite()
{
    WindowFixture fx;
    frmMain &w = startAt21(fx);
    // The second write (weekday and month) gets no answer, the third an exception.
    fx.recorder.setFaultRule([](const QByteArray &request, int) {
        sim::FaultSpec s;
        if (request.size() > 3 && uint8_t(request[1]) == 0x06 && uint8_t(request[3]) == 0x80)
            s.fault = sim::Fault::NoReply;
        if (request.size() > 3 && uint8_t(request[1]) == 0x06 && uint8_t(request[3]) == 0x7F) {
            s.fault = sim::Fault::Exception;
            s.exceptionCode = 0x04;
        }
        return s;
    });
    w.clockPanel->cmdTimeWrite_Click();
    QCOMPARE(fx.recorder.requests().size(), 5);
    QCOMPARE(fx.recorder.requests().last(), hx("15 05 00 08 FF 00 0E EC"));
    const QString s = status(w);
    QVERIFY2(s.contains(QStringLiteral("寄存器 128（无应答）")) && s.contains(QStringLiteral("寄存器 127（异常应答")), qPrintable(s));
    QVERIFY(!s.contains(QStringLiteral("寄存器 129")));
}

void TestConfigDevice::clockSetRefusesAYearFrom2100()
{
    WindowFixture fx;
    frmMain &w = startAt21(fx);
    fx.desktop->clock = QDateTime(QDate(2100, 1, 1), QTime(0, 0, 1));
    w.clockPanel->cmdTimeWrite_Click();
    QCOMPARE(fx.desktop->messages.size(), 1);
    QVERIFY2(fx.desktop->lastMessage().contains(QStringLiteral("“年”中的“100”")), qPrintable(fx.desktop->lastMessage()));
    QTest::qWait(20);
    QCOMPARE(fx.recorder.requests().size(), 0);
    QCOMPARE(fx.recorder.coilOnCount(8), 0);
}

void TestConfigDevice::clockReadFailures()
{
    WindowFixture fx;
    frmMain &w = startAt21(fx);
    ClockPanel &c = *w.clockPanel;
    for (QLineEdit *e : c.txtTime)
        e->setText(QStringLiteral("x"));
    for (sim::Fault f : {sim::Fault::Exception, sim::Fault::BadCrc, sim::Fault::NoReply, sim::Fault::OtherAddress}) {
        fx.recorder.injectFault({f});
        c.cmdTimeRead_Click();
        QCOMPARE(clockBoxes(c), QStringList(7, QStringLiteral("x")));
    }
    QVERIFY(status(w).contains(QStringLiteral("读时钟")));
    // Port closed: nothing sent, nothing changed.
    w.portPanel->cmdCloseComm_Click();
    fx.recorder.clearRequests();
    c.cmdTimeRead_Click();
    c.cmdTimeWrite_Click();
    QVERIFY(status(w).contains(QStringLiteral("端口未打开")));
    QTest::qWait(20);
    QCOMPARE(fx.recorder.requests().size(), 0);
}

void TestConfigDevice::intervalWriteAndRead()
{
    WindowFixture fx;
    frmMain &w = startAt21(fx);
    IntervalPanel &p = *w.intervalPanel;
    // A fraction goes out rounded, halves to even, and the status line says so.
    const struct { const char *text; uint16_t stored; const char *said; } writes[] = {
        {"60", 60, "已设为 60 秒"}, {"9999", 9999, "已设为 9999 秒"}, {"0", 0, "已设为 0（不记录）"},
        {"12.5", 12, "已设为 12 秒（“12.5”已取整为 12）"}, {"59.5", 60, "已设为 60 秒（“59.5”已取整为 60）"},
        {"0.4", 0, "已设为 0（不记录；“0.4”已取整为 0）"}, {"65535", 65535, "已设为 65535 秒"},
    };
    for (const auto &wr : writes) {
        fx.recorder.clearRequests();
        p.txtRecInt->setText(QString::fromLatin1(wr.text));
        QTest::mouseClick(p.cmdSetRecInt, Qt::LeftButton);
        QCOMPARE(fx.recorder.requests(), QVector<QByteArray>{modbus::writeRegister(21, 116, wr.stored)});
        QCOMPARE(fx.recorder.holding(116), wr.stored);
        QCOMPARE(status(w), QStringLiteral("设置记录时间间隔：") + QString::fromUtf8(wr.said));
    }
    QCOMPARE(modbus::writeRegister(21, 116, 60), hx("15 06 00 74 00 3C CA D5"));

    // Refused before anything goes out, the box named.
    fx.recorder.clearRequests();
    for (const char *bad : {"abc", "-1", "65536", "", "1e2"}) {
        fx.desktop->messages.clear();
        p.txtRecInt->setText(QString::fromLatin1(bad));
        p.cmdSetRecInt_Click();
        QCOMPARE(fx.desktop->messages.size(), 1);
        QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("“时间间隔”")));
        QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("不是 0 到 65535 之间的数值")));
    }
    QTest::qWait(20);
    QCOMPARE(fx.recorder.requests().size(), 0);

    // Reading: 59, then a register above 32767 as it is.
    for (uint16_t v : {uint16_t(59), uint16_t(0x8000), uint16_t(65535)}) {
        fx.recorder.setHolding(116, v);
        fx.recorder.clearRequests();
        QTest::mouseClick(p.cmdReadInterv, Qt::LeftButton);
        QCOMPARE(fx.recorder.requests(), QVector<QByteArray>{hx("15 03 00 74 00 01 C7 04")});
        QCOMPARE(p.txtRecInt->text(), QString::number(v));
    }
    // An exception or a damaged reply leaves the box.
    p.txtRecInt->setText(QStringLiteral("77"));
    sim::FaultSpec exception{sim::Fault::Exception};
    exception.exceptionCode = 0x02;
    fx.recorder.injectFault(exception);
    p.cmdReadInterv_Click();
    QCOMPARE(p.txtRecInt->text(), QStringLiteral("77"));
    QVERIFY2(status(w).contains(QStringLiteral("非法数据地址")), qPrintable(status(w)));
    fx.recorder.injectFault({sim::Fault::BadCrc});
    p.cmdReadInterv_Click();
    QCOMPARE(p.txtRecInt->text(), QStringLiteral("77"));
    // A write answered with an exception says so.
    fx.recorder.injectFault({sim::Fault::Exception});
    p.txtRecInt->setText(QStringLiteral("60"));
    p.cmdSetRecInt_Click();
    QVERIFY2(status(w).contains(QStringLiteral("未被确认")), qPrintable(status(w)));
}

void TestConfigDevice::sensorCount()
{
    WindowFixture fx;
    frmMain &w = startAt21(fx);
    QLineEdit *n = w.recordsPanel->txtSensorNum;
    n->setText(QStringLiteral("5"));
    QTest::mouseClick(w.sensorCountRead->cmdReadSensorS, Qt::LeftButton);
    QCOMPARE(fx.recorder.requests(), QVector<QByteArray>{hx("15 03 00 88 00 01 07 34")});
    QCOMPARE(n->text(), QStringLiteral("20"));
    fx.recorder.setHolding(136, 12);
    w.sensorCountRead->cmdReadSensorS_Click();
    QCOMPARE(n->text(), QStringLiteral("12"));
    // An exception reply is no sensor count (its CRC bytes would read as 12529 or the like).
    for (uint8_t code : {uint8_t(0x02), uint8_t(0x04)}) {
        sim::FaultSpec injected{sim::Fault::Exception};
        injected.exceptionCode = code;
        fx.recorder.injectFault(injected);
        w.sensorCountRead->cmdReadSensorS_Click();
        QCOMPARE(n->text(), QStringLiteral("12"));
        QVERIFY2(status(w).contains(QStringLiteral("异常应答")), qPrintable(status(w)));
        QCOMPARE(w.trafficPanel->txtState->text().size(), 5 * 3);  // shown as received
    }
    for (sim::Fault f : {sim::Fault::NoReply, sim::Fault::BadCrc, sim::Fault::Truncated}) {
        fx.recorder.injectFault({f});
        w.sensorCountRead->cmdReadSensorS_Click();
        QCOMPARE(n->text(), QStringLiteral("12"));
    }
}

void TestConfigDevice::baudChange()
{
    WindowFixture fx(4, 19200);
    frmMain &w = startAt21(fx);
    BaudRatePanel &b = *w.baudRatePanel;

    // Codes outside 1 … 5 are refused before anything goes out.
    for (const auto &[current, target, named] : {std::tuple{"4", "6", "更改为"}, std::tuple{"4", "0", "更改为"},
                                                  std::tuple{"9", "2", "当前波特率"}, std::tuple{"4", "2.5", "更改为"},
                                                  std::tuple{"", "2", "当前波特率"}}) {
        fx.desktop->messages.clear();
        b.txtCurrentBuad->setText(QString::fromLatin1(current));
        b.txtObjectBuad->setText(QString::fromLatin1(target));
        b.cmdBuadRate_Click();
        QCOMPARE(fx.desktop->messages.size(), 1);
        QVERIFY2(fx.desktop->lastMessage().contains(QString::fromUtf8(named))
                     && fx.desktop->lastMessage().contains(QStringLiteral("之间的整数")),  // 2.5 is no code
                 qPrintable(fx.desktop->lastMessage()));
    }
    QTest::qWait(20);
    QCOMPARE(fx.recorder.requests().size(), 0);

    // A wrong current code: the recorder refuses, the status line says what to check.
    b.txtCurrentBuad->setText(QStringLiteral("2"));
    b.txtObjectBuad->setText(QStringLiteral("4"));
    b.cmdBuadRate_Click();
    QCOMPARE(fx.recorder.requests(), QVector<QByteArray>{hx("15 06 0A 02 00 04 29 05")});
    QVERIFY2(status(w).contains(QStringLiteral("当前波特率")) && status(w).contains(QStringLiteral("非法数据地址")),
             qPrintable(status(w)));
    QCOMPARE(fx.recorder.lineBaud(), 19200);

    // 19200 (code 4) to 9600 (code 2).
    fx.recorder.clearRequests();
    b.txtCurrentBuad->setText(QStringLiteral("4"));
    b.txtObjectBuad->setText(QStringLiteral("2"));
    QTest::mouseClick(b.cmdBuadRate, Qt::LeftButton);
    QCOMPARE(fx.recorder.requests(), QVector<QByteArray>{hx("15 06 0A 04 00 02 49 06")});
    QCOMPARE(w.trafficPanel->txtState->text(), QStringLiteral(" 15 06 0A 04 00 02 49 06"));
    QTRY_COMPARE(fx.recorder.lineBaud(), 9600);
    QVERIFY2(status(w).contains(QStringLiteral("9600")) && status(w).contains(QStringLiteral("串口设置")), qPrintable(status(w)));
    QCOMPARE(b.txtCurrentBuad->text(), QStringLiteral("2"));
    QCOMPARE(w.link().port().baudRate(), 19200);  // the port is left as it was

    // Still at the old rate, the recorder no longer answers.
    w.intervalPanel->txtRecInt->setText(QStringLiteral("7"));
    w.intervalPanel->cmdReadInterv_Click();
    QCOMPARE(w.intervalPanel->txtRecInt->text(), QStringLiteral("7"));
    QVERIFY2(status(w).contains(QStringLiteral("无应答")), qPrintable(status(w)));

    // At the new rate it does.
    w.portPanel->Combo2->setCurrentText(QStringLiteral("9600"));
    w.portPanel->cmdOpenComm_Click();
    QCOMPARE(w.link().port().baudRate(), 9600);
    w.intervalPanel->cmdReadInterv_Click();
    QCOMPARE(w.intervalPanel->txtRecInt->text(), QString::number(fx.recorder.holding(116)));
}

QTEST_MAIN(TestConfigDevice)
#include "test_config_device.moc"
