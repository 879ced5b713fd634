// The polling-table editor in the real window against the simulated recorder.
#include "panels/port/modbuspanel.h"
#include "app/tabpages.h"
#include "panels/config/pollingtableeditor.h"
#include "hexbytes.h"
#include "panels/port/portpanel.h"
#include "panels/status/statuspanel.h"
#include "panels/status/trafficpanel.h"
#include "sim/simmemory.h"
#include "../app/windowfixture.h"
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

using Lamp = TrafficView::Lamp;

namespace {
QString name(const char *control, int i)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(control)).arg(i);
}

// A started window talking to device 21, with nothing on the wire yet.
frmMain &startAt21(WindowFixture &fx)
{
    frmMain &w = fx.start();
    w.modbusPanel->txtStationID->setText(QStringLiteral("21"));
    fx.recorder.clearRequests();
    return w;
}

QStringList boxTexts(PollingTableEditor &t, int first, int count)
{
    QStringList out;
    for (int i = first; i < first + count; ++i)
        out << t.txtChannel[i]->text();
    return out;
}

QVector<uint16_t> simRegisters(const sim::SimRecorder &r, int first, int count)
{
    QVector<uint16_t> out;
    for (int reg = first; reg < first + count; ++reg)
        out << r.holding(uint16_t(reg));
    return out;
}

QString status(frmMain &w) { return w.lblStatusLine->text(); }
} // namespace

class TestConfigTable : public QObject {
    Q_OBJECT
private slots:
    void layoutNamesAndPlaces();
    void readAllThenWriteAllOfTheAddresses();
    void negativeAndLargeValuesRoundTrip();
    void singleReadsAndWrites();
    void refusedBoxesSendNothing();
    void presetsFillOnlyTheirGroup();
    void commitCoils();
    void failedRepliesLeaveTheBoxes();
    void busyBusRefusesTheCommand();
};

void TestConfigTable::layoutNamesAndPlaces()
{
    WindowFixture fx;
    frmMain &w = fx.start();
    PollingTableEditor &t = *w.pollingTable;
    for (int i = 0; i < polling::BoxCount; ++i) {
        const polling::Group &g = polling::groupOfBox(i);
        auto *frame = fx.find<QGroupBox>(g.frame);
        auto *box = fx.find<QLineEdit>(name("txtChannel", i));
        QCOMPARE(t.txtChannel[i], box);
        QCOMPARE(box->text(), QStringLiteral("0"));
        QVERIFY(frame->isAncestorOf(box));
        QVERIFY(!box->accessibleName().isEmpty());
        for (const char *b : {"cmdReadP", "cmdWriteP"}) {
            auto *button = fx.find<QPushButton>(name(b, i));
            QVERIFY(frame->isAncestorOf(button));
            QVERIFY(button->property("deviceCommand").toBool());
        }
        QCOMPARE(t.cmdReadP[i]->text(), QStringLiteral("读参数"));
        QCOMPARE(t.cmdWriteP[i]->text(), QStringLiteral("写参数"));
    }
    // Group commands: captions, frames, and which ones start device commands.
    const struct { const char *control; int index; const char *caption; const char *frame; bool device; } commands[] = {
        {"cmdReadAlarm", 0, "读所有参数", "fraSensorType", true}, {"cmdSetAll", 0, "写入所有参数", "fraSensorType", true},
        {"cmdWriteEEp", 0, "更新到设备", "fraSensorType", true}, {"cmdCurrentSet", 0, "统一预设", "fraSensorType", false},
        {"cmdReadAlarm", 1, "读所有", "Frame4", true}, {"cmdSetAll", 1, "写所有", "Frame4", true},
        {"cmdWriteEEp", 1, "更新硬件", "Frame4", true}, {"cmdCurrentSet", 1, "统一预设", "Frame4", false},
        {"cmdCurrentSet", 4, "顺序预设", "Frame4", false},
        {"cmdReadAlarm", 2, "读所有", "Frame12", true}, {"cmdSetAll", 2, "写所有", "Frame12", true},
        {"cmdWriteEEp", 2, "更新硬件", "Frame12", true}, {"cmdCurrentSet", 2, "统一预设", "Frame12", false},
        {"cmdReadAlarm", 3, "读所有参数", "Frame16", true}, {"cmdSetAll", 3, "写入所有参数", "Frame16", true},
        {"cmdWriteEEp", 3, "更新到设备", "Frame16", true}, {"cmdCurrentSet", 3, "统一预设", "Frame16", false},
        {"cmdReadAlarm", 4, "读所有", "Frame3", true}, {"cmdSetAll", 4, "写所有", "Frame3", true},
        {"cmdWriteEEp", 4, "更新硬件", "Frame3", true}, {"cmdCurrentSet", 5, "统一预设", "Frame3", false},
        {"cmdWriteEEp", 5, "更新到设备", "Frame13", true},
    };
    for (const auto &c : commands) {
        auto *b = fx.find<QPushButton>(name(c.control, c.index));
        QCOMPARE(b->text(), QString::fromUtf8(c.caption));
        QVERIFY2(fx.find(QString::fromLatin1(c.frame))->isAncestorOf(b), c.control);
        QCOMPARE(b->property("deviceCommand").toBool(), c.device);
    }
    const char *presetFrames[] = {"fraSensorType", "Frame4", "Frame12", "Frame16", "Frame3"};
    for (int k = 0; k < 5; ++k) {
        QCOMPARE(t.txtCurrent[k]->text(), QStringLiteral("1"));
        QVERIFY(fx.find(QString::fromLatin1(presetFrames[k]))->isAncestorOf(t.txtCurrent[k]));
    }
    QVERIFY(!w.findChild<QWidget *>(QStringLiteral("cmdReadAlarm(5)")));
    QVERIFY(!w.findChild<QWidget *>(QStringLiteral("cmdSetAll(5)")));

    // Hints in their frames.
    const struct { const char *frame, *hint; } hints[] = {
        {"fraSensorType", "以上参数值范围1-99，1为温度 2为湿度 3是气体 4是电压 5是电流"},
        {"Frame4", "以上参数值范围1-20"},
        {"Frame13", "值为范围1-99"},
    };
    for (const auto &h : hints) {
        bool found = false;
        for (QLabel *l : fx.find(QString::fromLatin1(h.frame))->findChildren<QLabel *>())
            found |= l->text() == QString::fromUtf8(h.hint);
        QVERIFY2(found, h.hint);
    }

    // Column groups: rows labelled "1" … "20", each label the buddy of its box, top to bottom.
    w.SSTab1->setCurrentIndex(1);
    QTest::qWait(0);
    for (int first : {20, 40, 81}) {
        for (int n = 0; n < 20; ++n) {
            QLineEdit *box = t.txtChannel[first + n];
            QLabel *label = nullptr;
            for (QLabel *l : box->parentWidget()->findChildren<QLabel *>())
                if (l->buddy() == box)
                    label = l;
            QVERIFY(label);
            QCOMPARE(label->text(), QString::number(n + 1));
            if (n > 0)
                QVERIFY(box->y() > t.txtChannel[first + n - 1]->y());
        }
    }
    // Two-column groups: slots 1–10 left, 11–20 right, each row "测点".
    w.SSTab1->setCurrentIndex(2);
    QTest::qWait(0);
    for (int first : {0, 60}) {
        for (int n = 0; n < 10; ++n) {
            QLineEdit *left = t.txtChannel[first + n];
            QLineEdit *right = t.txtChannel[first + n + 10];
            QCOMPARE(left->y(), right->y());
            QVERIFY(left->x() < right->x());
            if (n > 0)
                QVERIFY(left->y() > t.txtChannel[first + n - 1]->y());
            for (QLineEdit *box : {left, right}) {
                bool labelled = false;
                for (QLabel *l : box->parentWidget()->findChildren<QLabel *>())
                    labelled |= l->buddy() == box && l->text() == QStringLiteral("测点");
                QVERIFY(labelled);
            }
        }
        // The preset and the group commands below the columns.
        QVERIFY(t.txtCurrent[first == 0 ? 0 : 3]->y() > t.txtChannel[first + 9]->y());
    }
}

void TestConfigTable::readAllThenWriteAllOfTheAddresses()
{
    WindowFixture fx;
    frmMain &w = startAt21(fx);
    PollingTableEditor &t = *w.pollingTable;
    for (int n = 0; n < 20; ++n)
        fx.recorder.setHolding(uint16_t(44 + n), uint16_t(100 + n));
    w.modbusPanel->txtDataLength->setText(QStringLiteral("32"));

    t.cmdReadAlarm[1]->click();
    QCOMPARE(fx.recorder.requests(), QVector<QByteArray>{hx("15 03 00 2C 00 14 87 18")});
    QStringList expected;
    for (int n = 0; n < 20; ++n)
        expected << QString::number(100 + n);
    QCOMPARE(boxTexts(t, 20, 20), expected);
    QCOMPARE(w.modbusPanel->txtDataLength->text(), QStringLiteral("20"));
    QCOMPARE(w.statusPanel->lblCounter->text(), QStringLiteral("1"));
    QCOMPARE(w.statusPanel->lblRecCount->text(), QStringLiteral("1"));
    QCOMPARE(w.statusPanel->lamp(), Lamp::Green);
    QCOMPARE(boxTexts(t, 0, 20), QStringList(20, QStringLiteral("0")));  // other groups untouched
    QCOMPARE(boxTexts(t, 40, 20), QStringList(20, QStringLiteral("0")));

    // The sequential preset, then write-all: registers 44 … 63 get 1 … 20, in this order.
    fx.recorder.clearRequests();
    t.cmdCurrentSet[4]->click();
    QCOMPARE(fx.recorder.requests().size(), 0);  // a preset sends nothing
    t.txtChannel[21]->setText(QStringLiteral("2.4"));  // goes out as 2, and is said to
    t.cmdSetAll[1]->click();
    const QVector<QByteArray> sent = fx.recorder.requests();
    QCOMPARE(sent.size(), 20);
    for (int n = 0; n < 20; ++n)
        QCOMPARE(sent[n], modbus::writeRegister(21, uint16_t(44 + n), uint16_t(n + 1)));
    QVector<uint16_t> values;
    for (int n = 1; n <= 20; ++n)
        values << uint16_t(n);
    QCOMPARE(simRegisters(fx.recorder, 44, 20), values);
    QCOMPARE(status(w), QStringLiteral("写所有：20 个参数已写入寄存器 44–63（测点2 “2.4”已取整为 2）"));
    QCOMPARE(w.trafficPanel->txtCommand->text(), requestHex(sent.last()));
}

void TestConfigTable::negativeAndLargeValuesRoundTrip()
{
    WindowFixture fx;
    frmMain &w = startAt21(fx);
    PollingTableEditor &t = *w.pollingTable;
    const uint16_t words[20] = {0xFFFE, 0x8000, 0x9C40, 0x9C41, 0x7FFF, 0xFFFF, 0x0001, 0xC000, 0xFFFD, 40000,
                                1234, 32768, 65534, 0xFFFF, 0x9C3F, 0xA000, 0xF000, 7, 0x0100, 0xFFFF};
    QVector<uint16_t> before;
    for (int n = 0; n < 20; ++n) {
        fx.recorder.setHolding(uint16_t(130 + n), words[n]);
        before << words[n];
    }
    const uint16_t polled = fx.recorder.holding(104);
    t.cmdReadAlarm[4]->click();
    QCOMPARE(fx.recorder.requests(), QVector<QByteArray>{hx("15 03 00 82 00 14 E6 F9")});
    QCOMPARE(boxTexts(t, 81, 6), (QStringList{"-2", "32768", "40000", "-25535", "32767", "0"}));
    // Write-all puts back exactly what was read, FFFF included, and touches no register outside the group.
    for (int n = 0; n < 20; ++n)
        fx.recorder.setHolding(uint16_t(130 + n), 0x5555);
    fx.recorder.clearRequests();
    t.cmdSetAll[4]->click();
    QCOMPARE(simRegisters(fx.recorder, 130, 20), before);
    QCOMPARE(fx.recorder.holding(104), polled);
    QCOMPARE(fx.recorder.requests().size(), 20);  // each into one of the twenty just checked
    // So does a single write; an edit, a preset or a newer single read replaces what read-all remembered.
    fx.recorder.setHolding(135, 0x5555);
    t.cmdWriteP[86]->click();
    QCOMPARE(fx.recorder.holding(135), uint16_t(0xFFFF));
    t.txtChannel[94]->selectAll();
    QTest::keyClicks(t.txtChannel[94], QStringLiteral("0"));
    t.cmdWriteP[94]->click();
    QCOMPARE(fx.recorder.holding(143), uint16_t(0));
    fx.recorder.setHolding(149, 0);
    t.cmdReadP[100]->click();
    fx.recorder.setHolding(149, 0x5555);
    t.cmdWriteP[100]->click();
    QCOMPARE(fx.recorder.holding(149), uint16_t(0));
    t.txtCurrent[4]->setText(QStringLiteral("0"));
    t.cmdCurrentSet[5]->click();
    t.cmdSetAll[4]->click();
    QCOMPARE(simRegisters(fx.recorder, 130, 20), QVector<uint16_t>(20, 0));
}

void TestConfigTable::singleReadsAndWrites()
{
    WindowFixture fx;
    frmMain &w = startAt21(fx);
    PollingTableEditor &t = *w.pollingTable;
    // A register above 32767 shows as it is; box 80 is the device count, register 104.
    const struct { int box; uint16_t word; const char *shown; const char *request; } reads[] = {
        {0, 3, "3", "15 03 00 18 00 01 07 19"},
        {25, 0xFFFE, "65534", nullptr},
        {59, 0x8000, "32768", nullptr},
        {80, 17, "17", "15 03 00 68 00 01 06 C2"},
        {100, 0xFFFF, "65535", nullptr},
    };
    for (const auto &r : reads) {
        fx.recorder.setHolding(polling::registerOf(r.box), r.word);
        fx.recorder.clearRequests();
        t.cmdReadP[r.box]->click();
        QCOMPARE(t.txtChannel[r.box]->text(), QString::fromLatin1(r.shown));
        const QByteArray req = modbus::readHolding(21, polling::registerOf(r.box), 1);
        QCOMPARE(fx.recorder.requests(), QVector<QByteArray>{req});
        if (r.request)
            QCOMPARE(req, hx(r.request));
        QCOMPARE(w.statusPanel->lamp(), Lamp::Yellow);
    }
    QCOMPARE(w.statusPanel->lblCounter->text(), QStringLiteral("0"));  // single reads count nothing

    // Writes through the button, including a fraction and a negative value.
    const struct { int box; const char *text; uint16_t stored; const char *said; } writes[] = {
        {20, "3", 3, "寄存器 44 已写入 3"}, {0, "2.5", 2, "寄存器 24 已写入 2（“2.5”已取整为 2）"},
        {81, "300", 300, "寄存器 130 已写入 300"}, {60, "-2", 0xFFFE, "寄存器 84 已写入 65534"},
        {80, "65535", 0xFFFF, "寄存器 104 已写入 65535"},
    };
    for (const auto &wr : writes) {
        fx.recorder.clearRequests();
        t.txtChannel[wr.box]->setText(QString::fromLatin1(wr.text));
        QTest::mouseClick(t.cmdWriteP[wr.box], Qt::LeftButton);
        QCOMPARE(fx.recorder.requests(),
                 QVector<QByteArray>{modbus::writeRegister(21, polling::registerOf(wr.box), wr.stored)});
        QCOMPARE(fx.recorder.holding(polling::registerOf(wr.box)), wr.stored);
        QCOMPARE(status(w), QStringLiteral("写参数：") + QString::fromUtf8(wr.said));
        QCOMPARE(w.trafficPanel->txtState->text(), ShowHex(fx.recorder.requests().first()));  // the echo
    }
    QVERIFY(fx.desktop->messages.isEmpty());
}

void TestConfigTable::refusedBoxesSendNothing()
{
    WindowFixture fx;
    frmMain &w = startAt21(fx);
    PollingTableEditor &t = *w.pollingTable;
    const uint16_t kept = fx.recorder.holding(44);
    for (const char *bad : {"abc", "70000", "65536", "-32769", "", "1e3", "12,5"}) {
        fx.desktop->messages.clear();
        t.txtChannel[22]->setText(QString::fromLatin1(bad));
        t.cmdWriteP[22]->click();
        QCOMPARE(fx.desktop->messages.size(), 1);
        QVERIFY2(fx.desktop->lastMessage().contains(QStringLiteral("RS485轮循设备地址 测点3")),
                 qPrintable(fx.desktop->lastMessage()));
        QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("“%1”").arg(QString::fromLatin1(bad))));
        QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("之间的数值")));  // fractions are taken
    }
    // Write-all checks all twenty first: two bad boxes, one message naming both, nothing written.
    t.cmdCurrentSet[4]->click();
    t.txtChannel[25]->setText(QStringLiteral("abc"));
    t.txtChannel[30]->setText(QStringLiteral("70000"));
    fx.desktop->messages.clear();
    t.cmdSetAll[1]->click();
    QCOMPARE(fx.desktop->messages.size(), 1);
    const QString msg = fx.desktop->lastMessage();
    QVERIFY2(msg.contains(QStringLiteral("测点6 的“abc”")) && msg.contains(QStringLiteral("测点11 的“70000”"))
                 && msg.contains(QStringLiteral("之间的数值")),
             qPrintable(msg));
    // A device address that would broadcast, or is no number: refused for every kind of command.
    for (const char *station : {"0", "256", "x"}) {
        w.modbusPanel->txtStationID->setText(QString::fromLatin1(station));
        w.modbusPanel->txtDataLength->setText(QStringLiteral("32"));
        fx.desktop->messages.clear();
        t.cmdReadP[0]->click();
        t.cmdWriteP[20]->click();
        t.cmdReadAlarm[0]->click();
        t.cmdSetAll[2]->click();
        t.cmdWriteEEp[5]->click();
        QCOMPARE(fx.desktop->messages.size(), 5);
        for (const auto &m : fx.desktop->messages)
            QVERIFY(m.text.contains(QStringLiteral("设备地址")));
        QCOMPARE(w.modbusPanel->txtDataLength->text(), QStringLiteral("32"));
    }
    QTest::qWait(20);
    QCOMPARE(fx.recorder.requests().size(), 0);
    QCOMPARE(fx.recorder.holding(44), kept);
    QCOMPARE(w.trafficPanel->txtCommand->text(), QString());
}

void TestConfigTable::presetsFillOnlyTheirGroup()
{
    WindowFixture fx;
    frmMain &w = startAt21(fx);
    PollingTableEditor &t = *w.pollingTable;
    // Preset index, its preset box (or none for the sequence), the boxes it fills.
    const struct { int preset, current, first; } rows[] = {
        {0, 0, 0}, {1, 1, 20}, {2, 2, 40}, {3, 3, 60}, {5, 4, 81}, {4, -1, 20},
    };
    for (const auto &r : rows) {
        for (int i = 0; i < polling::BoxCount; ++i)
            t.txtChannel[i]->setText(QStringLiteral("0"));
        const QString value = QStringLiteral(" v%1 ").arg(r.preset);  // copied verbatim, checked when written
        if (r.current >= 0)
            t.txtCurrent[r.current]->setText(value);
        QTest::mouseClick(t.cmdCurrentSet[r.preset], Qt::LeftButton);
        for (int i = 0; i < polling::BoxCount; ++i) {
            QString expected = QStringLiteral("0");
            if (i >= r.first && i < r.first + 20)
                expected = r.current >= 0 ? value : QString::number(i - r.first + 1);
            QCOMPARE(t.txtChannel[i]->text(), expected);
        }
    }
    QCOMPARE(fx.recorder.requests().size(), 0);
}

void TestConfigTable::commitCoils()
{
    WindowFixture fx;
    frmMain &w = startAt21(fx);
    PollingTableEditor &t = *w.pollingTable;
    const int coils[6] = {0, 1, 2, 4, 6, 5};
    for (int k = 0; k < 6; ++k) {
        fx.recorder.clearRequests();
        QTest::mouseClick(t.cmdWriteEEp[k], Qt::LeftButton);
        QCOMPARE(fx.recorder.requests(), QVector<QByteArray>{modbus::writeCoil(21, uint16_t(coils[k]), true)});
        QCOMPARE(fx.recorder.coilOnCount(uint16_t(coils[k])), 1);
        QVERIFY2(status(w).contains(QStringLiteral("线圈 %1").arg(coils[k])), qPrintable(status(w)));
    }
    QCOMPARE(fx.recorder.coilOnCount(3), 0);  // the memory's coil is not the table's
    QCOMPARE(fx.recorder.coilOnCount(8), 0);
    // Unanswered, it says so instead of passing for done.
    fx.recorder.injectFault({sim::Fault::NoReply});
    t.cmdWriteEEp[1]->click();
    QVERIFY2(status(w).contains(QStringLiteral("未被确认")) && status(w).contains(QStringLiteral("无应答")),
             qPrintable(status(w)));
    QCOMPARE(fx.recorder.coilOnCount(1), 2);  // carried out, but its answer was lost: hence "unconfirmed"
}

void TestConfigTable::failedRepliesLeaveTheBoxes()
{
    WindowFixture fx;
    frmMain &w = startAt21(fx);
    PollingTableEditor &t = *w.pollingTable;
    const QStringList marks = QStringList(20, QStringLiteral("9"));
    for (int i = 0; i < 20; ++i)
        t.txtChannel[i]->setText(marks[i]);
    t.txtChannel[80]->setText(QStringLiteral("9"));
    const struct { sim::Fault fault; const char *said; } faults[] = {
        {sim::Fault::Exception, "异常应答"}, {sim::Fault::BadCrc, "CRC"}, {sim::Fault::OtherAddress, "其他地址"},
        {sim::Fault::Truncated, "不完整"}, {sim::Fault::NoReply, "无应答"},
    };
    for (const auto &f : faults) {
        sim::FaultSpec injected{f.fault};
        injected.exceptionCode = 0x02;
        fx.recorder.injectFault(injected);
        t.cmdReadAlarm[0]->click();
        QCOMPARE(boxTexts(t, 0, 20), marks);
        QVERIFY2(status(w).contains(QString::fromUtf8(f.said)), qPrintable(status(w)));
        fx.recorder.injectFault(injected);
        t.cmdReadP[80]->click();
        QCOMPARE(t.txtChannel[80]->text(), QStringLiteral("9"));
        QVERIFY2(status(w).contains(QString::fromUtf8(f.said)), qPrintable(status(w)));
    }
    // A write answered with an exception is said, not passed off as done.
    fx.recorder.injectFault({sim::Fault::Exception});
    t.cmdWriteP[0]->click();
    QVERIFY2(status(w).contains(QStringLiteral("未被确认")), qPrintable(status(w)));
    // Write-all goes on past an unconfirmed write and names it.
    fx.recorder.setFaultRule([](const QByteArray &request, int) {
        sim::FaultSpec s;
        if (uint8_t(request[1]) == 0x06 && uint8_t(request[3]) == 24 + 5)
            s.fault = sim::Fault::NoReply;
        return s;
    });
    fx.recorder.clearRequests();
    t.cmdSetAll[0]->click();
    fx.recorder.clearFaults();
    QCOMPARE(fx.recorder.requests().size(), 20);
    QVERIFY2(status(w).contains(QStringLiteral("1 个未被确认")) && status(w).contains(QStringLiteral("寄存器 29")),
             qPrintable(status(w)));

    // The port closed: read-all shows the red lamp and sends nothing, the boxes stay.
    w.portPanel->cmdCloseComm_Click();
    fx.recorder.clearRequests();
    t.cmdReadAlarm[0]->click();
    QCOMPARE(w.statusPanel->lamp(), Lamp::Red);
    QCOMPARE(boxTexts(t, 0, 20), marks);
    t.cmdSetAll[0]->click();
    QVERIFY2(status(w).contains(QStringLiteral("端口未打开")), qPrintable(status(w)));
    QTest::qWait(20);
    QCOMPARE(fx.recorder.requests().size(), 0);
}

void TestConfigTable::busyBusRefusesTheCommand()
{
    WindowFixture fx;
    frmMain &w = startAt21(fx);
    PollingTableEditor &t = *w.pollingTable;
    {
        auto hold = w.link().tryHold();
        QVERIFY(!t.cmdWriteP[20]->isEnabled());  // off while another command holds the bus
        QVERIFY(!t.cmdReadAlarm[1]->isEnabled());
        QVERIFY(t.cmdCurrentSet[4]->isEnabled());  // presets send nothing
        emit t.cmdReadAlarm[1]->clicked();  // a click that was already queued
        QVERIFY(status(w).contains(QStringLiteral("总线忙")));
        emit t.cmdWriteEEp[1]->clicked();
    }
    QVERIFY(t.cmdWriteP[20]->isEnabled());
    QTest::qWait(20);
    QCOMPARE(fx.recorder.requests().size(), 0);
}

QTEST_MAIN(TestConfigTable)
#include "test_config_table.moc"
