#include "panels/status/statuspanel.h"
#include "panels/records/modulepasspanel.h"
#include "recordsfixture.h"
#include <QPushButton>

using sim::Fault;
using sim::FaultSpec;

namespace {
const QDateTime First(QDate(2026, 10, 1), QTime(6, 0));

// A window with modules at the given addresses, each holding its number of records.
struct PassWindow : RecordsWindow {
    ModulePassPanel *pass;

    PassWindow(int stationCount, const QList<QPair<int, int>> &modules)
    {
        for (const auto &[address, records] : modules) {
            recorder.addDevice(uint8_t(address));
            recorder.setRecords(sim::SimRecorder::demoRecords(records, First.addDays(address)), uint8_t(address));
        }
        pass = w->modulePassPanel;
        w->StationCount = stationCount;
        pass->txtMtime->setText(QStringLiteral("20"));
        w->modbusPanel->txtStartID->setText(QStringLiteral("1"));
        w->modbusPanel->txtDataLength->setText(QStringLiteral("20"));
        w->modbusPanel->txtFunID->setText(QStringLiteral("3"));
        recorder.clearRequests();
    }

    // What each request was, in order: "L1" live read of device 1, "C1" its count, "R1" a record.
    QStringList trail() const
    {
        QStringList out;
        for (const QByteArray &f : recorder.requests()) {
            const int a = uint8_t(f[0]);
            if (f[1] == 0x04)
                out << QStringLiteral("R%1").arg(a);
            else if (f[1] == 0x03 && uint8_t(f[3]) == 121)
                out << QStringLiteral("C%1").arg(a);
            else if (f[1] == 0x03)
                out << QStringLiteral("L%1").arg(a);
            else
                out << QStringLiteral("?%1").arg(a);
        }
        return out;
    }
};

QStringList repeated(const QString &s, int n)
{
    QStringList l;
    for (int i = 0; i < n; ++i)
        l << s;
    return l;
}

bool isLiveRead(const QByteArray &f, int address)
{
    return uint8_t(f[0]) == address && f[1] == 0x03 && uint8_t(f[3]) != 121;
}
} // namespace

class TestModulePass : public QObject {
    Q_OBJECT
private slots:
    void passOverThreeModulesOneSilent();
    void nothingToDoOrRefused();
    void stopEndsTheAutomaticLoop();
    void stopEndsTheDownloadAndThePass();
    void recordStopEndsOnlyThatModulesDownload();
};

void TestModulePass::passOverThreeModulesOneSilent()
{
    // Module 2 is not on the bus.
    PassWindow fx(3, {{1, 5}, {3, 7}});
    fx.tab->txtReceive->setPlainText(QStringLiteral("old"));
    fx.w->statusPanel->lblCounter->setText(QStringLiteral("10"));
    QTest::mouseClick(fx.pass->Command4, Qt::LeftButton);

    QCOMPARE(fx.trail(), (QStringList{"L1", "C1"} + repeated("R1", 5) + QStringList{"L2", "C2", "L3", "C3"}
                          + repeated("R3", 7)));
    // Every live read asks for the registers of the settings boxes: 20 from register 1, the number
    // in txtStartID itself (the polling modes ask from one below it).
    for (const QByteArray &f : fx.recorder.requests())
        if (isLiveRead(f, f[0]))
            QCOMPARE(f.mid(1, 5), QByteArray::fromHex("0300010014"));
    QCOMPARE(fx.w->modbusPanel->txtStationID->text(), QStringLiteral("3"));
    QCOMPARE(fx.tab->txtRecord->text(), QStringLiteral("7"));
    // The boxes hold the last module's records.
    QCOMPARE(fx.tab->txtReceive->toPlainText(), fx.memoryText(oneTo(7), 3));
    QCOMPARE(fx.w->statusPanel->lblCounter->text(), QStringLiteral("13"));  // three live reads
    // The silent module is named once; the others are not.
    QCOMPARE(fx.desktop->messages.size(), 1);
    const QString message = fx.desktop->lastMessage();
    QVERIFY2(message.contains(QStringLiteral("模块 2：未读到记录条数")), qPrintable(message));
    QVERIFY(!message.contains(QStringLiteral("模块 1")) && !message.contains(QStringLiteral("模块 3")));
    QVERIFY(fx.status().contains(QStringLiteral("已完成")));
    QCOMPARE(fx.w->statusPanel->lblCicle->text(), QStringLiteral("0"));  // only the loop counts passes
}

void TestModulePass::nothingToDoOrRefused()
{
    PassWindow fx(0, {{1, 2}});
    fx.w->modbusPanel->txtStationID->setText(QStringLiteral("9"));
    fx.pass->Command4_Click();
    QVERIFY(fx.recorder.requests().isEmpty());
    QCOMPARE(fx.w->modbusPanel->txtStationID->text(), QStringLiteral("9"));
    QVERIFY(fx.desktop->messages.isEmpty());

    fx.w->StationCount = 1;
    const struct { const char *box, *text, *names; } rows[] = {
        {"txtMtime", "abc", "模块轮询(ms)"}, {"txtMtime", "-5", "模块轮询(ms)"},
        {"txtFunID", "6", "功能号"}, {"txtStartID", "256", "起始地址"}, {"txtDataLength", "200", "数据长度"},
        {"txtSensorNum", "x", "传感器总数"},
    };
    for (const auto &r : rows) {
        auto *box = fx.find<QLineEdit>(QString::fromLatin1(r.box));
        const QString kept = box->text();
        box->setText(QString::fromLatin1(r.text));
        fx.desktop->messages.clear();
        fx.pass->Command4_Click();
        fx.pass->cmd1Sys_Click();
        QCOMPARE(fx.desktop->messages.size(), 2);
        QVERIFY2(fx.desktop->lastMessage().contains(QString::fromUtf8(r.names)), qPrintable(fx.desktop->lastMessage()));
        box->setText(kept);
    }
    fx.w->StationCount = 256;
    fx.pass->Command4_Click();
    QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("256")));
    QVERIFY(fx.recorder.requests().isEmpty());
    // A pause with a fraction is taken to the whole millisecond below.
    fx.w->StationCount = 1;
    fx.pass->txtMtime->setText(QStringLiteral("20.7"));
    fx.desktop->messages.clear();
    fx.pass->Command4_Click();
    QVERIFY(fx.desktop->messages.isEmpty());
    QCOMPARE(fx.trail(), (QStringList{"L1", "C1", "R1", "R1"}));
}

void TestModulePass::stopEndsTheAutomaticLoop()
{
    PassWindow fx(2, {{1, 2}, {2, 1}});
    fx.w->statusPanel->lblCicle->setText(QStringLiteral("77"));
    fx.w->statusPanel->lblCounter->setText(QStringLiteral("5"));
    // "停止" is pressed while the third pass reads module 1's live values.
    int liveReadsOfModule1 = 0;
    fx.recorder.setFaultRule([&](const QByteArray &request, int) -> FaultSpec {
        if (isLiveRead(request, 1) && ++liveReadsOfModule1 == 3)
            QMetaObject::invokeMethod(fx.pass, [&] {
                QVERIFY(fx.pass->Command3->isEnabled());
                QVERIFY(!fx.pass->Command4->isEnabled() && !fx.pass->cmd1Sys->isEnabled());
                QCOMPARE(fx.w->statusPanel->lblCicle->text(), QStringLiteral("2"));
                QTest::mouseClick(fx.pass->Command3, Qt::LeftButton);
            }, Qt::QueuedConnection);
        return {};
    });
    QTest::mouseClick(fx.pass->cmd1Sys, Qt::LeftButton);
    const QStringList onePass = QStringList{"L1", "C1", "R1", "R1", "L2", "C2", "R2"};
    QCOMPARE(fx.trail(), (onePass + onePass + QStringList{"L1"}));  // nothing after the current exchange
    QCOMPARE(fx.w->statusPanel->lblCicle->text(), QStringLiteral("2"));
    QCOMPARE(fx.w->statusPanel->lblCounter->text(), QStringLiteral("5"));  // 0 at the start, five live reads
    QVERIFY(fx.status().contains(QStringLiteral("已停止，完成 2 遍")));
    QVERIFY(fx.desktop->messages.isEmpty());
    QVERIFY(!fx.w->link().busy());
    QVERIFY(fx.pass->cmd1Sys->isEnabled());

    // "停止" during the pause between a module's live read and its count: the loop ends at once.
    fx.recorder.clearFaults();
    fx.recorder.clearRequests();
    fx.pass->txtMtime->setText(QStringLiteral("60000"));
    fx.recorder.setFaultRule([&](const QByteArray &request, int) -> FaultSpec {
        if (isLiveRead(request, 1))
            QMetaObject::invokeMethod(fx.pass, [&] { fx.pass->Command3_Click(); }, Qt::QueuedConnection);
        return {};
    });
    fx.pass->cmd1Sys_Click();
    QCOMPARE(fx.trail(), (QStringList{"L1"}));
    QCOMPARE(fx.w->statusPanel->lblCicle->text(), QStringLiteral("0"));
    // The next command runs normally.
    fx.recorder.clearFaults();
    fx.pass->txtMtime->setText(QStringLiteral("0"));
    fx.recorder.clearRequests();
    fx.pass->Command4_Click();
    QCOMPARE(fx.trail(), onePass);
}

void TestModulePass::stopEndsTheDownloadAndThePass()
{
    PassWindow fx(2, {{1, 50}, {2, 3}});
    fx.recorder.setFaultRule([&](const QByteArray &request, int) -> FaultSpec {
        if (uint8_t(request[0]) == 1 && request[1] == 0x04 && uint8_t(request[3]) == 9 * 23)  // record 10
            QMetaObject::invokeMethod(fx.pass, [&] { QTest::mouseClick(fx.pass->Command3, Qt::LeftButton); },
                                      Qt::QueuedConnection);
        return {};
    });
    fx.pass->Command4_Click();
    QCOMPARE(fx.trail(), (QStringList{"L1", "C1"} + repeated("R1", 10)));
    QCOMPARE(fx.tab->txtReceive->toPlainText(), fx.memoryText(oneTo(10), 1));
    QCOMPARE(fx.w->modbusPanel->txtStationID->text(), QStringLiteral("1"));
    QVERIFY(fx.status().contains(QStringLiteral("已停止")));
    QVERIFY(fx.desktop->messages.isEmpty());
}

void TestModulePass::recordStopEndsOnlyThatModulesDownload()
{
    PassWindow fx(2, {{1, 50}, {2, 3}});
    fx.recorder.setFaultRule([&](const QByteArray &request, int) -> FaultSpec {
        if (uint8_t(request[0]) == 1 && request[1] == 0x04 && uint8_t(request[3]) == 9 * 23)
            QMetaObject::invokeMethod(fx.read, [&] { QTest::mouseClick(fx.read->cmdStopGet, Qt::LeftButton); },
                                      Qt::QueuedConnection);
        return {};
    });
    fx.pass->Command4_Click();
    QCOMPARE(fx.trail(), (QStringList{"L1", "C1"} + repeated("R1", 10) + QStringList{"L2", "C2"} + repeated("R2", 3)));
    QCOMPARE(fx.tab->txtReceive->toPlainText(), fx.memoryText(oneTo(3), 2));
    QCOMPARE(fx.w->modbusPanel->txtStationID->text(), QStringLiteral("2"));
    QVERIFY(fx.status().contains(QStringLiteral("已完成")));
}

QTEST_MAIN(TestModulePass)
#include "test_modulepass.moc"
