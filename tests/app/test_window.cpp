#include "ui/boxinput.h"
#include "panels/port/modbuspanel.h"
#include "panels/records/replywindowdialog.h"
#include "app/tabpages.h"
#include "hexbytes.h"
#include "core/link/crc16.h"
#include "panels/port/portpanel.h"
#include "panels/status/statuspanel.h"
#include "panels/status/trafficpanel.h"
#include "panels/records/recordspanel.h"
#include "windowfixture.h"
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>

using Lamp = TrafficView::Lamp;
Q_DECLARE_METATYPE(const ExchangeKind *)

namespace {
QString text(QWidget *w)
{
    if (auto *e = qobject_cast<QLineEdit *>(w)) return e->text();
    if (auto *l = qobject_cast<QLabel *>(w)) return l->text();
    if (auto *b = qobject_cast<QAbstractButton *>(w)) return b->text();
    if (auto *c = qobject_cast<QComboBox *>(w)) return c->currentText();
    if (auto *g = qobject_cast<QGroupBox *>(w)) return g->title();
    if (auto *t = qobject_cast<QTextEdit *>(w)) return t->toPlainText();
    return QString();
}
} // namespace

class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void layoutAndDesignTexts();
    void startUpFromSettingsFiles();
    void startUpWithoutSettingsFiles();
    void portCommands();
    void portFailures();
    void closedPortRows_data();
    void closedPortRows();
    void exchangeRows_data();
    void exchangeRows();
    void repliesClassifiedOverTheWire_data();
    void repliesClassifiedOverTheWire();
    void recordReadShowsOnlyAGoodReply();
    void overlapRefusedAndButtonsOff();
    void completeReplyEndsTheWait();
    void closingDuringACommandStopsIt();
    void portVanishingMidExchange();
    void clearDataArea();
    void boxFieldsRefusedWithAMessage();
    void replyWindowDialog();
};

void TestWindow::layoutAndDesignTexts()
{
    WindowFixture fx;
    fx.window = std::make_unique<frmMain>(*fx.desktop, ComPorts());
    frmMain &w = *fx.window;
    QCOMPARE(w.windowTitle(), QStringLiteral("WL8806N智能RS485动态水分记录仪随机软件V14.12.10"));

    // Design texts before start-up touches anything.
    const struct { const char *name, *text; } design[] = {
        {"Frame5", "串口设置"}, {"Combo1", "COM4"}, {"Combo2", "19200"}, {"Label5(2)", "波特率"},
        {"cmdOpenComm", "打开端口"}, {"cmdCloseComm", "关闭端口"}, {"cmdCom", "保存"},
        {"Frame6", "运行状态栏"}, {"lblRecCount", "0"}, {"lblCicle", "0"}, {"lblCounter", "0"},
        {"Frame10", "MODBUS-RTU设置"}, {"txtStationID", "2"}, {"txtStartID", "1"},
        {"txtDataLength", "32"}, {"txtFunID", "3"},
        {"Frame1", "命令状态"}, {"txtCommand", ""}, {"txtState", ""}, {"lblUnit(5)", "℃"}, {"lblUnit(6)", "℃"},
        {"Label3", "特别注意：记录仪默认设备地址为21"}, {"Frame2(5)", "温度组1"}, {"Frame18", "多模块操作"},
        {"Frame11", "单次采集"}, {"Frame8", "存储状态监测"},
        {"Frame13", "RS485 MODBUS-RTU轮循设备总数"}, {"Frame9", "记录时间间隔"}, {"fraClock", "设备时钟"},
        {"Frame3", "RS485轮循数据长度"}, {"Frame12", "RS485轮循寄存器起始地址"}, {"Frame4", "RS485轮循设备地址"},
        {"Frame7(1)", "波特率"}, {"Frame16", "测点数据倍率"}, {"fraSensorType", "传感器类型"},
        {"cmdDoWithData2", "导出数据为记事本TXT"}, {"cmdClearShow", "清空数据区"},
        {"cmdDoWithData", "导出数据为EXCEL表格"}, {"Frame14(1)", "有效记录总数（及指针）"},
        {"Frame15", "按记录按条读取（建议数据量较小及记录未中断过的情况下使用）"},
        {"Label2(12)", "读取记录时，请将设备设置为暂停记录状态"}, {"txtReceive", ""}, {"txtHaveDone", ""},
    };
    for (const auto &d : design)
        QCOMPARE(text(fx.find(QString::fromUtf8(d.name))), QString::fromUtf8(d.text));

    auto *combo1 = fx.find<QComboBox>(QStringLiteral("Combo1"));
    QCOMPARE(combo1->count(), 25);
    QCOMPARE(combo1->itemText(24), QStringLiteral("COM25"));
    auto *combo2 = fx.find<QComboBox>(QStringLiteral("Combo2"));
    QStringList rates;
    for (int i = 0; i < combo2->count(); ++i)
        rates << combo2->itemText(i);
    QCOMPARE(rates, (QStringList{"4800", "9600", "14400", "19200", "38400"}));

    // The tabs in order, each frame on its own tab.
    auto *tabs = fx.find<QTabWidget>(QStringLiteral("SSTab1"));
    QCOMPARE(tabs->count(), 4);
    const char *captions[] = {"实时数据", "仪器设置", "扩展设置", "记录操作"};
    const char *onTab[] = {"Frame8", "Frame7(1)", "fraSensorType", "Frame15"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(tabs->tabText(i), QString::fromUtf8(captions[i]));
        QVERIFY(tabs->widget(i)->isAncestorOf(fx.find(QString::fromUtf8(onTab[i]))));
    }

    // Three stacked lamps with their hint, each named for a screen reader.
    auto *stack = fx.find<QStackedWidget>(QStringLiteral("Picture2"));
    QCOMPARE(stack->count(), 3);
    for (const char *lamp : {"imgConnected", "ImgYellow", "imgNotConnected"}) {
        QWidget *l = fx.find(QString::fromLatin1(lamp));
        QCOMPARE(l->toolTip(), QStringLiteral("数据采集通讯状态指示"));
        QVERIFY(!l->accessibleName().isEmpty());
    }
    // Every input box has a caption label as its buddy.
    for (const char *box : {"txtStationID", "txtStartID", "txtDataLength", "txtFunID", "txtCommand", "txtState"}) {
        QWidget *b = fx.find(QString::fromLatin1(box));
        bool hasBuddy = false;
        for (QLabel *l : w.findChildren<QLabel *>())
            hasBuddy |= l->buddy() == b;
        QVERIFY2(hasBuddy, box);
    }
}

void TestWindow::startUpFromSettingsFiles()
{
    WindowFixture fx(3, 9600);
    fx.writeFile(QStringLiteral("comm.set"), "3,9600\r\n");
    fx.writeFile(QStringLiteral("ModSet.set"), "1\r\n21\r\n32\r\n4\r\n");
    frmMain &w = fx.start();
    QCOMPARE(text(fx.find(QStringLiteral("Combo1"))), QStringLiteral("COM3"));
    QCOMPARE(text(fx.find(QStringLiteral("Combo2"))), QStringLiteral("9600"));
    QVERIFY(w.link().port().isOpen());
    QVERIFY(fx.recorder.portPath().endsWith(w.link().port().portName()));
    QCOMPARE(w.link().port().baudRate(), 9600);
    QVERIFY(w.link().isOpen());
    QCOMPARE(text(fx.find(QStringLiteral("txtStationID"))), QStringLiteral("21"));
    QCOMPARE(text(fx.find(QStringLiteral("txtDataLength"))), QStringLiteral("20"));  // not ModSet's 32
    QCOMPARE(w.StationCount, 4);
    QVERIFY(text(fx.find(QStringLiteral("lblComDevice"))).contains(fx.recorder.portPath()));
    QVERIFY(fx.desktop->messages.isEmpty());

    // The recorder answers at the saved rate.
    auto hold = w.link().tryHold();
    const Exchange ex = w.link().exchange(*hold, kinds::RecordCount, modbus::readHolding(21, 121, 1));
    QVERIFY(ex.valid());
}

void TestWindow::startUpWithoutSettingsFiles()
{
    WindowFixture fx(4, 19200);
    frmMain &w = fx.start();
    QCOMPARE(text(fx.find(QStringLiteral("Combo1"))), QStringLiteral("COM4"));
    QCOMPARE(text(fx.find(QStringLiteral("Combo2"))), QStringLiteral("19200"));
    QCOMPARE(text(fx.find(QStringLiteral("txtStationID"))), QStringLiteral("2"));
    QVERIFY(w.link().port().isOpen());
    QVERIFY(fx.desktop->messages.isEmpty());  // a first run is normal: said on the status line
    QVERIFY(w.lblStatusLine->text().contains(QStringLiteral("comm.set")));
    QVERIFY(!QFile::exists(fx.dir.filePath(QStringLiteral("comm.set"))));
    QVERIFY(!QFile::exists(fx.dir.filePath(QStringLiteral("ModSet.set"))));
}

void TestWindow::portCommands()
{
    WindowFixture fx(3, 9600);
    fx.writeFile(QStringLiteral("comports.map"),
                 QStringLiteral("COM3=%1\nCOM5=%1\n").arg(fx.recorder.portPath()).toUtf8());
    frmMain &w = fx.start();  // COM4 (no device behind it here) fails and is reported
    QVERIFY(!w.link().port().isOpen());
    QVERIFY(!w.link().isOpen());
    fx.desktop->messages.clear();
    auto *combo1 = fx.find<QComboBox>(QStringLiteral("Combo1"));
    auto *combo2 = fx.find<QComboBox>(QStringLiteral("Combo2"));

    // Open: the chosen port at the rate the list shows.
    combo1->setCurrentIndex(2);
    combo2->setCurrentIndex(1);
    QTest::mouseClick(w.portPanel->cmdOpenComm, Qt::LeftButton);
    QVERIFY(w.link().port().isOpen());
    QCOMPARE(w.link().port().baudRate(), 9600);
    QVERIFY(w.link().isOpen());
    QCOMPARE(w.portPanel->PortNumber, 3);

    // Close, and close again: the second changes nothing.
    QTest::mouseClick(w.portPanel->cmdCloseComm, Qt::LeftButton);
    QVERIFY(!w.link().port().isOpen());
    QVERIFY(!w.link().isOpen());
    QTest::mouseClick(w.portPanel->cmdCloseComm, Qt::LeftButton);
    QVERIFY(!w.link().isOpen());

    // Choosing another entry reopens there at the rate in use, comm.set untouched.
    combo1->setCurrentIndex(4);
    w.portPanel->Combo1_Click();
    QVERIFY(w.link().port().isOpen());
    QCOMPARE(w.link().port().baudRate(), 9600);
    QVERIFY(!QFile::exists(fx.dir.filePath(QStringLiteral("comm.set"))));

    // Save: reopens and writes the whole file.
    combo1->setCurrentIndex(2);
    QTest::mouseClick(w.portPanel->cmdCom, Qt::LeftButton);
    QCOMPARE(fx.readFile(QStringLiteral("comm.set")), QByteArray("3,9600\r\n"));
    QCOMPARE(fx.desktop->messages.size(), 1);
    QCOMPARE(fx.desktop->messages.last().title, QStringLiteral("System Prompted"));
    QCOMPARE(fx.desktop->messages.last().text, QStringLiteral("Save successfully"));

    // A rate that is not a number changes nothing and says why.
    combo2->setEditText(QStringLiteral("fast"));
    QTest::mouseClick(w.portPanel->cmdCom, Qt::LeftButton);
    QCOMPARE(fx.desktop->messages.size(), 2);
    QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("fast")));
    QCOMPARE(fx.readFile(QStringLiteral("comm.set")), QByteArray("3,9600\r\n"));
    QVERIFY(w.link().port().isOpen());
    QCOMPARE(w.link().port().baudRate(), 9600);
}

void TestWindow::portFailures()
{
    WindowFixture fx(3, 19200);
    fx.writeFile(QStringLiteral("comports.map"),
                 QStringLiteral("COM3=%1\nCOM6=%2/no-such-tty\n").arg(fx.recorder.portPath(), fx.dir.path()).toUtf8());
    fx.writeFile(QStringLiteral("comm.set"), "3,19200\r\n");
    frmMain &w = fx.start();
    QVERIFY(w.link().port().isOpen());
    auto *combo1 = fx.find<QComboBox>(QStringLiteral("Combo1"));

    // A missing device: named, with the reason; the mark says closed.
    combo1->setCurrentIndex(5);
    QTest::mouseClick(w.portPanel->cmdOpenComm, Qt::LeftButton);
    QVERIFY(!w.link().isOpen());
    QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("no-such-tty")));
    QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("不存在")));

    // Save still saves the choice but does not claim success.
    const int before = int(fx.desktop->messages.size());
    QTest::mouseClick(w.portPanel->cmdCom, Qt::LeftButton);
    QCOMPARE(fx.readFile(QStringLiteral("comm.set")), QByteArray("6,19200\r\n"));
    for (qsizetype i = before; i < fx.desktop->messages.size(); ++i)
        QVERIFY(fx.desktop->messages[i].text != QStringLiteral("Save successfully"));

    // A port someone else holds: the busy message.
    QSerialPort other;
    other.setPortName(fx.recorder.portPath());
    QVERIFY(other.open(QIODevice::ReadWrite));
    combo1->setCurrentIndex(2);
    QTest::mouseClick(w.portPanel->cmdOpenComm, Qt::LeftButton);
    QVERIFY(!w.link().isOpen());
    QVERIFY2(fx.desktop->lastMessage().startsWith(QStringLiteral("Selected serial port has been used by other devices!")),
             qPrintable(fx.desktop->lastMessage()));
    other.close();
    QTest::mouseClick(w.portPanel->cmdOpenComm, Qt::LeftButton);
    QVERIFY(w.link().isOpen());
}

// Every kind of exchange, with the port closed: what it clears, the lamp, nothing sent.
void TestWindow::closedPortRows_data()
{
    QTest::addColumn<const ExchangeKind *>("kind");
    QTest::addColumn<bool>("clearsState");
    QTest::addColumn<bool>("red");
    QTest::newRow("live read") << &kinds::LiveRead << true << true;
    QTest::newRow("parameter read-all") << &kinds::ParameterReadAll << false << true;
    QTest::newRow("single parameter read") << &kinds::SingleParameterRead << true << false;
    QTest::newRow("record count") << &kinds::RecordCount << true << false;
    QTest::newRow("record read") << &kinds::RecordRead << false << false;
    QTest::newRow("interval read") << &kinds::IntervalRead << true << false;
    QTest::newRow("sensor count read") << &kinds::SensorCountRead << true << false;
    QTest::newRow("storage state") << &kinds::StorageState << true << false;
    QTest::newRow("clock read") << &kinds::ClockRead << true << false;
    QTest::newRow("ModbusSetReg") << &kinds::SetReg << true << false;
    QTest::newRow("ModbusSetCoil") << &kinds::SetCoil << true << false;
    QTest::newRow("WriteRegisters") << &kinds::WriteRegisters << true << false;
}

void TestWindow::closedPortRows()
{
    QFETCH(const ExchangeKind *, kind);
    QFETCH(bool, clearsState);
    QFETCH(bool, red);
    WindowFixture fx(4, 19200);
    frmMain &w = fx.start();
    w.portPanel->cmdCloseComm_Click();
    fx.recorder.clearRequests();
    w.showLamp(Lamp::Yellow);
    w.trafficPanel->txtCommand->setText(QStringLiteral("old"));
    w.trafficPanel->txtState->setText(QStringLiteral("old"));
    bool decoded = false;
    auto hold = w.link().tryHold();
    const Exchange ex = w.link().exchange(*hold, *kind, modbus::readHolding(21, 121, 1),
                                          [&](const Exchange &) { decoded = true; });
    QVERIFY(!ex.sent);
    QVERIFY(!decoded);
    QCOMPARE(w.trafficPanel->txtCommand->text(), QString());
    QCOMPARE(w.trafficPanel->txtState->text(), clearsState ? QString() : QStringLiteral("old"));
    QCOMPARE(w.statusPanel->lamp(), red ? Lamp::Red : Lamp::Yellow);
    QCOMPARE(w.statusPanel->lblCounter->text(), QStringLiteral("0"));
    QCOMPARE(w.statusPanel->lblRecCount->text(), QStringLiteral("0"));
    QVERIFY(w.lblStatusLine->text().contains(QStringLiteral("端口未打开")));
    QTest::qWait(20);
    QVERIFY(fx.recorder.requests().isEmpty());
}

// Every kind of exchange against the recorder: request shown, lamp, counters, when txtState shows.
void TestWindow::exchangeRows_data()
{
    QTest::addColumn<const ExchangeKind *>("kind");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("lamp");
    QTest::addColumn<int>("counted");      // lblCounter
    QTest::addColumn<int>("replies");      // lblRecCount
    QTest::addColumn<int>("stateAtDecode");// 0 empty, 1 shown
    QTest::addColumn<bool>("stateShown");
    const int Y = int(Lamp::Yellow), G = int(Lamp::Green);
    QTest::newRow("live read") << &kinds::LiveRead << modbus::readRequest(21, 3, 0, 20) << G << 1 << 1 << 0 << true;
    QTest::newRow("parameter read-all") << &kinds::ParameterReadAll << modbus::readHolding(21, 44, 20) << G << 1 << 1 << 0 << true;
    QTest::newRow("single parameter read") << &kinds::SingleParameterRead << modbus::readHolding(21, 24, 1) << Y << 0 << 0 << 1 << true;
    QTest::newRow("record count") << &kinds::RecordCount << modbus::readHolding(21, 121, 1) << Y << 0 << 0 << 1 << true;
    QTest::newRow("record read") << &kinds::RecordRead << modbus::readInput(21, 0, 23) << Y << 0 << 0 << 1 << true;
    QTest::newRow("interval read") << &kinds::IntervalRead << modbus::readHolding(21, 116, 1) << Y << 0 << 0 << 1 << true;
    QTest::newRow("sensor count read") << &kinds::SensorCountRead << modbus::readHolding(21, 136, 1) << Y << 0 << 0 << 1 << true;
    QTest::newRow("storage state") << &kinds::StorageState << modbus::readHolding(21, 124, 2) << Y << 0 << 0 << 1 << true;
    QTest::newRow("clock read") << &kinds::ClockRead << modbus::readHolding(21, 117, 4) << Y << 0 << 0 << 0 << true;
    QTest::newRow("ModbusSetReg") << &kinds::SetReg << modbus::writeRegister(21, 116, 60) << Y << 0 << 0 << 1 << true;
    QTest::newRow("ModbusSetCoil") << &kinds::SetCoil << modbus::writeCoil(21, 1, true) << Y << 0 << 0 << 1 << true;
    QTest::newRow("WriteRegisters") << &kinds::WriteRegisters << modbus::writeRegisters(21, 122, QByteArray(4, '\0'))
                                    << Y << 0 << 0 << 0 << false;
}

void TestWindow::exchangeRows()
{
    QFETCH(const ExchangeKind *, kind);
    QFETCH(QByteArray, request);
    QFETCH(int, lamp);
    QFETCH(int, counted);
    QFETCH(int, replies);
    QFETCH(int, stateAtDecode);
    QFETCH(bool, stateShown);
    WindowFixture fx(4, 19200);
    fx.recorder.setRecords(sim::SimRecorder::demoRecords(5, QDateTime(QDate(2026, 12, 1), QTime(8, 0))));
    frmMain &w = fx.start();
    fx.recorder.clearRequests();
    QString stateWhenDecoding = QStringLiteral("<not called>");
    auto hold = w.link().tryHold();
    const Exchange ex = w.link().exchange(*hold, *kind, request, [&](const Exchange &) {
        stateWhenDecoding = w.trafficPanel->txtState->text();
    });
    QVERIFY(ex.sent);
    QCOMPARE(ex.info.cls, modbus::ReplyClass::Valid);
    QCOMPARE(fx.recorder.requests(), QVector<QByteArray>{request});
    QCOMPARE(w.trafficPanel->txtCommand->text(), requestHex(request));
    QCOMPARE(int(w.statusPanel->lamp()), lamp);
    QCOMPARE(w.statusPanel->lblCounter->text(), QString::number(counted));
    QCOMPARE(w.statusPanel->lblRecCount->text(), QString::number(replies));
    QCOMPARE(stateWhenDecoding, stateAtDecode ? ShowHex(ex.reply) : QString());
    QCOMPARE(w.trafficPanel->txtState->text(), stateShown ? ShowHex(ex.reply) : QString());
    QCOMPARE(ex.stateText, ShowHex(ex.reply));
    QVERIFY2(w.lblStatusLine->text().contains(QStringLiteral("应答正确")), qPrintable(w.lblStatusLine->text()));
}

void TestWindow::repliesClassifiedOverTheWire_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("replies");  // lblRecCount after a live read
    QTest::newRow("no reply") << int(sim::Fault::NoReply) << QStringLiteral("无应答") << 0;
    QTest::newRow("bad crc") << int(sim::Fault::BadCrc) << QStringLiteral("CRC") << 1;
    QTest::newRow("truncated") << int(sim::Fault::Truncated) << QStringLiteral("不完整") << 1;
    QTest::newRow("another address") << int(sim::Fault::OtherAddress) << QStringLiteral("其他地址") << 1;
    QTest::newRow("exception") << int(sim::Fault::Exception) << QStringLiteral("非法数据地址") << 1;
}

void TestWindow::repliesClassifiedOverTheWire()
{
    QFETCH(int, fault);
    QFETCH(QString, status);
    QFETCH(int, replies);
    WindowFixture fx(4, 19200);
    frmMain &w = fx.start();
    sim::FaultSpec injected;
    injected.fault = sim::Fault(fault);
    injected.exceptionCode = 0x02;
    fx.recorder.injectFault(injected);
    auto hold = w.link().tryHold();
    const Exchange ex = w.link().exchange(*hold, kinds::LiveRead, modbus::readRequest(21, 3, 0, 20));
    QVERIFY(!ex.valid());
    QVERIFY2(w.lblStatusLine->text().contains(status), qPrintable(w.lblStatusLine->text()));
    QCOMPARE(w.statusPanel->lblCounter->text(), QStringLiteral("1"));
    QCOMPARE(w.statusPanel->lblRecCount->text(), QString::number(replies));
    QCOMPARE(w.trafficPanel->txtState->text(), ShowHex(ex.reply));  // shown as received
    if (injected.fault == sim::Fault::Exception)
        QCOMPARE(ex.info.exceptionCode, uint8_t(2));
}

void TestWindow::recordReadShowsOnlyAGoodReply()
{
    WindowFixture fx(4, 19200);
    fx.recorder.setRecords(sim::SimRecorder::demoRecords(3, QDateTime(QDate(2026, 12, 1), QTime(8, 0))));
    frmMain &w = fx.start();
    w.trafficPanel->txtState->setText(QStringLiteral("previous"));
    fx.recorder.injectFault({sim::Fault::BadCrc});
    auto hold = w.link().tryHold();
    Exchange ex = w.link().exchange(*hold, kinds::RecordRead, modbus::readInput(21, 0, 23));
    QCOMPARE(ex.info.cls, modbus::ReplyClass::CrcMismatch);
    QCOMPARE(w.trafficPanel->txtState->text(), QStringLiteral("previous"));
    ex = w.link().exchange(*hold, kinds::RecordRead, modbus::readInput(21, 23, 23));
    QVERIFY(ex.valid());
    QCOMPARE(w.trafficPanel->txtState->text(), ShowHex(ex.reply));
    QCOMPARE(ShowHex(ex.reply.mid(3, ex.reply.size() - 5)), ShowHex(sim::SimRecorder::recordBytes(fx.recorder.records()[1])));
}

void TestWindow::overlapRefusedAndButtonsOff()
{
    WindowFixture fx(4, 19200);
    frmMain &w = fx.start();
    fx.recorder.clearRequests();
    fx.recorder.injectFault({sim::Fault::NoReply});
    bool tickRefused = false;
    bool buttonsOffDuringCommand = false;
    // A polling tick falls due in the middle of the exchange's wait.
    QTimer::singleShot(50, &w, [&] {
        tickRefused = !w.link().tryHold().has_value();
        buttonsOffDuringCommand = !w.portPanel->cmdOpenComm->isEnabled() && !w.portPanel->cmdCom->isEnabled();
    });
    {
        auto hold = w.link().tryHold();
        QVERIFY(hold);
        QVERIFY(w.link().busy());
        w.link().exchange(*hold, kinds::SetCoil, modbus::writeCoil(21, 0, true));
    }
    QVERIFY(tickRefused);
    QVERIFY(buttonsOffDuringCommand);
    QVERIFY(!w.link().busy());
    QVERIFY(w.portPanel->cmdOpenComm->isEnabled());
    QCOMPARE(fx.recorder.requests().size(), 1);  // only the one request went out
}

void TestWindow::completeReplyEndsTheWait()
{
    WindowFixture fx(4, 19200);
    frmMain &w = fx.start();
    // A kind that would wait half a minute: the complete reply must end it.
    ExchangeKind patient = kinds::LiveRead;
    patient.firstWaitMs = 30000;
    patient.secondWaitMs = 30000;
    QElapsedTimer clock;
    clock.start();
    auto hold = w.link().tryHold();
    const Exchange ex = w.link().exchange(*hold, patient, modbus::readRequest(21, 3, 0, 20));
    QVERIFY(ex.valid());
    QVERIFY(clock.elapsed() < 30000);
    QCOMPARE(w.statusPanel->lamp(), Lamp::Green);  // the window still passes through green
    QCOMPARE(w.statusPanel->lblCounter->text(), QStringLiteral("1"));
    // A reply that comes late but within the window is still taken.
    sim::FaultSpec late{sim::Fault::Late};
    late.lateMs = 250;
    fx.recorder.injectFault(late);
    const Exchange slow = w.link().exchange(*hold, kinds::LiveRead, modbus::readRequest(21, 3, 0, 20));
    QVERIFY(slow.valid());
}

void TestWindow::closingDuringACommandStopsIt()
{
    WindowFixture fx(4, 19200);
    frmMain &w = fx.start();
    fx.recorder.injectFault({sim::Fault::NoReply}, 5);
    ExchangeKind patient = kinds::SetCoil;
    patient.firstWaitMs = 30000;
    QTimer::singleShot(50, &w, [&] { w.close(); });
    QElapsedTimer clock;
    clock.start();
    {
        auto hold = w.link().tryHold();
        const Exchange first = w.link().exchange(*hold, patient, modbus::writeCoil(21, 0, true));
        QVERIFY(first.aborted);
        // The rest of the command sends nothing.
        const Exchange second = w.link().exchange(*hold, patient, modbus::writeCoil(21, 1, true));
        QVERIFY(!second.sent);
        QVERIFY(w.isVisible());  // still open while the command unwinds
    }
    QVERIFY(clock.elapsed() < 30000);
    QTRY_VERIFY(!w.isVisible());
}

void TestWindow::portVanishingMidExchange()
{
    WindowFixture fx(4, 19200);
    frmMain &w = fx.start();
    sim::FaultSpec late{sim::Fault::Late};
    late.lateMs = 5000;
    fx.recorder.injectFault(late);
    QTimer::singleShot(50, [&] { fx.recorder.stop(); });  // the adapter is pulled out
    auto hold = w.link().tryHold();
    const Exchange ex = w.link().exchange(*hold, kinds::LiveRead, modbus::readRequest(21, 3, 0, 20));
    QVERIFY(ex.sent);
    QCOMPARE(ex.info.cls, modbus::ReplyClass::None);
    QTRY_VERIFY(!w.link().port().isOpen());
    QVERIFY(!w.link().isOpen());
    QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("断开")));
    // The next command finds the port closed and sends nothing.
    const Exchange next = w.link().exchange(*hold, kinds::LiveRead, modbus::readRequest(21, 3, 0, 20));
    QVERIFY(!next.sent);
    QCOMPARE(w.statusPanel->lamp(), Lamp::Red);
}

void TestWindow::clearDataArea()
{
    WindowFixture fx(4, 19200);
    frmMain &w = fx.start();
    w.recordsPanel->txtReceive->setPlainText(QStringLiteral(" 5B 18 04 27"));
    w.recordsPanel->txtHaveDone->setPlainText(QStringLiteral("18-04-27 03:21"));
    w.statusPanel->lblCounter->setText(QStringLiteral("7"));
    QTest::mouseClick(w.recordsPanel->cmdClearShow, Qt::LeftButton);
    QCOMPARE(w.recordsPanel->txtReceive->toPlainText(), QString());
    QCOMPARE(w.recordsPanel->txtHaveDone->toPlainText(), QString());
    QCOMPARE(w.statusPanel->lblCounter->text(), QStringLiteral("7"));  // nothing else changes
}

void TestWindow::boxFieldsRefusedWithAMessage()
{
    WindowFixture fx(4, 19200);
    frmMain &w = fx.start();
    QLineEdit *station = w.modbusPanel->txtStationID;
    const struct { const char *text; int address; } rows[] = {
        {"21", 21}, {"255", 255}, {"0", -1}, {"256", -1}, {"2.5", -1}, {"", -1}, {"abc", -1},
    };
    for (const auto &r : rows) {
        fx.desktop->messages.clear();
        station->setText(QString::fromLatin1(r.text));
        const auto a = boxAddress(*fx.desktop, station);
        QCOMPARE(a ? int(*a) : -1, r.address);
        QCOMPARE(fx.desktop->messages.size(), r.address < 0 ? 1 : 0);
        if (r.address < 0)
            QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("设备地址")));
    }
    // A register number from a box: refused beyond its range, with the box named.
    w.modbusPanel->txtStartID->setText(QStringLiteral("70000"));
    QVERIFY(!boxNumber(*fx.desktop, w.modbusPanel->txtStartID, QStringLiteral("起始地址"), 1, 256));
    QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("起始地址")));
    QVERIFY(fx.desktop->lastMessage().contains(QStringLiteral("70000")));
}

void TestWindow::replyWindowDialog()
{
    using records::ReplyWindow;
    const ReplyWindow wide{5000, 7, 3000, EchoMode::Off};
    ReplyWindowDialog d(wide, nullptr);
    QCOMPARE(d.value(), wide);
    // What the settings file could hold beyond the bounds comes back within them.
    const ReplyWindow beyond{ReplyWindow::MaxWindowMs + 1, 0, ReplyWindow::MinGuardMs - 1};
    QCOMPARE(ReplyWindowDialog(beyond, nullptr).value(),
             (ReplyWindow{ReplyWindow::MaxWindowMs, ReplyWindow::MinAttempts, ReplyWindow::MinGuardMs}));
    d.findChild<QPushButton *>(QStringLiteral("cmdRestoreDefaults"))->click();
    QCOMPARE(d.value(), ReplyWindow{});
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
