// The window, walked command by command as a user does, against the simulated recorder. Each
// scenario's transcript (frames on the wire, what the window shows) is kept in transcripts/.
#include "scenario.h"
#include "windowfixture.h"
#include "panels/monitor/busmonitorpanel.h"
#include "panels/port/modbuspanel.h"
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {
const Scenario kScenarios[] = {
    {StartScreen, {"start"}},
    {"port_and_settings", {"file ModSet.set 1\n21\n20\n3\n", "start", "click cmdPoint", "pick Combo2 9600", "click cmdPoint",
      "click cmdCloseComm", "click cmdPoint", "click cmdOneM", "click cmdLoop", "click Command4", "click cmd1Sys", "click cmdCloseComm",
      "pick Combo2 19200", "click cmdOpenComm", "click cmdCom", "set txtStationID 0", "click cmdPoint", "set txtStationID 256", "click cmdPoint",
      "set txtStationID 2.5", "click cmdPoint", "set txtStationID 21", "click cmdPoint", "unplug", "until lblComDevice 未连接", "click cmdPoint"}},
    {"start_up_files", {"device 2", "file comm.set 4,abc\r\n", "file ModSet.set 1\n300\n20\n1\n", "file replywin.set 300,3\n", "start",
      "set Combo2 57600", "click cmdCom", "click cmdPoint", "set Combo2 19200", "click cmdCom", "click cmdPoint"}},
    {"live_reads", {"device 1", "device 2", "start", "set txtStationID 21", "set txtTimerSet(0) 300", "click cmdOneM", "wire 3",
      "click cmdStopOnce", "quiet 900", "fault BadCrc", "fault NoReply", "click cmdOneM", "wire 6", "click cmdStopOnce", "quiet 900",
      "set txtEndId 2", "click cmdLoop", "wire 12", "click cmdStopOnce", "quiet 1500", "set txtTimerSet(0) 0", "click cmdOneM",
      "click comDoOnce", "set txtTimerSet(0) 500", "click cmdOneM", "calm 1800", "click cmdStopOnce", "click cmdStartMonitor"}},
    {"polling_table", {"start", "set txtStationID 21", "click cmdReadAlarm(1)", "click cmdReadP(20)", "set txtChannel(20) 7",
      "click cmdWriteP(20)", "set txtChannel(21) 300", "click cmdWriteP(21)", "click cmdSetAll(1)", "click cmdCurrentSet(1)",
      "click cmdWriteEEp(1)", "click cmdReadAlarm(0)", "click cmdReadAlarm(3)", "click cmdReadAlarm(4)", "set txtChannel(80) 12",
      "click cmdWriteEEp(5)", "fault Exception", "click cmdReadAlarm(2)", "fault NoReply 2", "click cmdSetAll(2)"}},
    {"device_settings", {"start", "set txtStationID 21", "click cmdTimeRead", "click cmdTimeWrite", "click cmdReadInterv", "set txtRecInt 5",
      "click cmdSetRecInt", "set txtRecInt 0", "click cmdSetRecInt", "click cmdReadSensorS", "set txtObjectBuad 9600", "click cmdBuadRate",
      "set txtObjectBuad 9601", "click cmdBuadRate"}},
    {"records", {"records 21 6", "start", "set txtStationID 21", "click cmdPoint", "set txtRecCount 3", "click cmdReadOneRec", "click cmdRedall",
      "set txtSensorNum 33", "answer no", "click cmdRedall", "answer yes", "click cmdReadOneRec", "saveas out.txt", "click cmdDoWithData2",
      "click cmdDoWithData", "saveas out.csv", "click cmdDoWithDataCsv", "set txtSensorNum 2",
      "set txtReceive  5B 26 12 01 08 09 00 D7 00 0B 5B 26 12 01 08 10 00 XY 00 01", "saveas pasted.txt", "click cmdDoWithData2",
      "set txtSensorNum 20", "set txtRecCount 1e3", "click cmdReadOneRec", "set txtRecCount 7", "click cmdReadOneRec", "click cmdClearShow",
      "answer no", "click cmdClearRecCount", "answer yes", "click cmdClearRecCount", "click cmdWriteREC"}},
    {"record_faults", {"file replywin.set 300,3,1200,0,0", "records 21 8", "start", "set txtStationID 21", "click cmdPoint", "fault None",
      "fault None", "fault BadCrc", "fault Trailing", "fault Truncated", "fault OtherAddress", "fault Doubled", "click cmdRedall", "fault None",
      "fault NoReply 13", "click cmdRedall", "click cmdPoint", "fault None 2", "fault NoReply 1", "press cmdRedall", "wire 39",
      "click cmdStopGet", "click cmdPoint", "quiet 1500", "press cmdRedall", "wire 42", "click cmdStopGet", "quiet 1500"}},
    {"module_pass", {"file replywin.set 300,3,1200,0,0", "file ModSet.set 1\n2\n20\n2\n", "records 1 3", "records 2 3", "start",
      "set txtMtime 100", "click Command4", "set txtMtime 1500", "press Command4", "wire 21", "click Command3", "click cmdPoint", "quiet 1500",
      "press cmd1Sys", "wire 25", "click Command3", "quiet 2000"}},
    {"reply_window_and_a_lost_port", {"records 21 40", "start", "set txtStationID 21", "click cmdPoint", "replywindow 600,2,600,2,0",
      "click cmdReplyWindow", "fault None", "fault NoReply 5", "click cmdRedall", "press cmdRedall", "wire 52", "unplug", "idle",
      "click cmdPoint"}},
    {"memory_fill", {"records 21 2565", "start", "set txtStationID 21", "click cmdPoint", "set txtRecord 2564", "set txtRecord 2849",
      "set txtSensorNum 19", "set txtSensorNum x"}},
    {"bus_scan", {"device 5 9600", "device 30", "start", "set txtScanLast 32", "set txtScanWait 60", "click cmdScanStart",
      "click chkScanAllRates", "click cmdScanStart", "click cmdScanUse", "click cmdPoint", "set txtScanLast 0", "click cmdScanStart",
      "click chkScanAllRates", "set txtScanLast 247", "set txtScanWait 300", "press cmdScanStart", "wire 196", "click cmdScanStop",
      "quiet 1000"}},
    {"settings_file", {"device 22", "start", "set txtStationID 22", "set txtChannel(20) 9", "click cmdWriteP(20)", "set txtChannel(21) 7",
      "click cmdWriteP(21)", "set txtRecInt 30", "click cmdSetRecInt", "refuse 22 45", "set txtStationID 21", "saveas s21.txt",
      "click cmdSaveSettings", "set txtStationID 22", "openas s21.txt", "answer no", "click cmdLoadSettings", "answer yes",
      "click cmdLoadSettings", "click cmdLoadSettings", "file bad1.txt WL8806N 记录仪设置 1\n24\t传感器类型 测点1\t70000\n", "openas bad1.txt",
      "click cmdLoadSettings", "file bad2.txt comm settings\n", "openas bad2.txt", "click cmdLoadSettings"}},
    // A download lands in the archive and shows in the history tab as soon as it is opened; the same
    // memory read again adds nothing, also after the recorder was named. The save dialogs suggest the
    // recorder and the period; a chart that cannot be saved says so on the status line too.
    {"history", {"records 21 40", "start", "set txtStationID 21", "click cmdPoint", "click cmdRedall", "click cmdResetZoom",
      "rows tblHistory 2-4", "saveas p.csv", "click cmdExportCsv", "set dtpFrom 2026-12-01 08:10", "set dtpTo 2026-12-01 08:19",
      "click cmdHistoryShow", "saveas p.txt", "click cmdExportText", "saveas p.xls", "click cmdExportXls", "set txtRecorderName 冷库一号",
      "answer yes", "click cmdSetName", "click cmdRedall", "click cmdHistoryAll", "saveas none/c.png", "click cmdSavePng",
      "set txtRecorderName COM4-22", "click cmdSetName"}},
    // An archive that cannot be written: one message, the records stay in the received box, the next
    // download says it on the status line only.
    {"archive_unwritable", {"file archive.db this is no database", "records 21 3", "start", "set txtStationID 21", "click cmdPoint",
      "click cmdRedall", "click cmdRedall", "click cmdHistoryShow"}},
    // Sensor names and limits: a value above its limit is marked in its box, said on the status line
    // and heard by a screen reader; a sensor without a reading (65535) never is; a bad limit saves nothing.
    {"sensor_limits", {"records 21 3", "start", "set txtStationID 21", "cell tblSensors 0,0 东墙 1 米", "cell tblSensors 0,1 ℃",
      "cell tblSensors 0,3 20.0", "cell tblSensors 3,2 0.5", "cell tblSensors 4,2 -0.5", "cell tblSensors 5,3 1.25", "click cmdSaveSensors",
      "cell tblSensors 5,3 ", "click cmdSaveSensors", "click comDoOnce", "cell tblSensors 0,3 23.5", "click cmdSaveSensors", "click comDoOnce",
      "click cmdPoint", "click cmdRedall", "cell tblSensors 1,3 1.0", "click cmdSaveSensors", "click cmdHistoryShow", "click chkOutOfRange"}},
    // A recorder behind a Modbus TCP gateway: a dropped connection is made again before the next
    // request; a gateway gone is said.
    {"network_line", {"line tcp", "records 21 6", "start", "set txtStationID 21", "click cmdPoint", "fault Disconnect", "click cmdPoint",
      "click cmdPoint", "click cmdRedall", "unplug", "until lblComDevice 未连接", "click cmdPoint"}},
    // A watcher owns the line: the window's commands go through it, between its polls; a stopped
    // download gives its request up; when the watcher ends, the window says so and opens the port itself.
    {"watched_line", {"file replywin.set 300,3,1200,0,0", "records 21 40", "watcher on", "start", "set txtStationID 21", "click cmdPoint",
      "poll", "click cmdRedall", "press cmdRedall", "wire 47", "click cmdStopGet", "poll", "click cmdPoint", "watcher off",
      "until lblStatusLine 监视程序", "click cmdOpenComm", "click cmdPoint"}},
    {"closing_during_a_download", {"file replywin.set 300,3,1200,0,0", "records 21 40", "start", "set txtStationID 21", "click cmdPoint",
      "press cmdRedall", "wire 5", "close", "quiet 1500"}},
};
} // namespace

class TestScenarios : public QObject {
    Q_OBJECT
private slots:
    void walk_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kScenarios)); ++i)
            QTest::newRow(kScenarios[i].name) << i;
    }
    void walk()
    {
        QFETCH(int, index);
        runScenario(kScenarios[index]);
    }

    // The bus monitor: closed, nothing is logged; opened, every frame is and its table follows; closed
    // by its own title bar, the traffic panel's button goes off and the logging stops.
    void busMonitor()
    {
        WindowFixture fx;
        frmMain &w = fx.start();
        auto *button = fx.find<QPushButton>(QStringLiteral("cmdMonitor"));
        auto *dock = fx.find<BusMonitorPanel>(QStringLiteral("dockMonitor"));
        auto *read = fx.find<QPushButton>(QStringLiteral("cmdPoint"));
        w.modbusPanel->txtStationID->setText(QStringLiteral("21"));
        read->click();
        QVERIFY(!dock->isVisible() && !w.link().observer());
        button->click();
        QVERIFY(dock->isVisible() && w.link().observer());
        QVERIFY(dock->isFloating());  // beside the window: the pages keep their room
        read->click();
        dock->catchUp();
        const QAbstractItemModel *m = dock->tblMonitor->model();
        QCOMPARE(m->rowCount(), 2);
        QCOMPARE(m->index(0, 1).data().toString() + m->index(1, 1).data().toString(), u"发收");
        QVERIFY(m->index(1, 4).data().toString().endsWith(u"CRC 正确"));
        dock->close();
        QVERIFY(!button->isChecked() && !w.link().observer());
        read->click();
        QCOMPARE(w.link().observer(), nullptr);
        button->click();
        read->click();
        dock->catchUp();
        QCOMPARE(m->rowCount(), 4);
        // Where the user leaves it is where it opens next time.
        dock->setFloating(false);
        w.close();
        QVERIFY(!fx.readFile(QStringLiteral("monitor.set")).isEmpty());
        QVERIFY(!fx.start().busMonitorPanel->isFloating());
    }
};

QTEST_MAIN(TestScenarios)
#include "test_scenarios.moc"
