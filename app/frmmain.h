#pragma once
#include "core/settings/comports.h"
#include "ui/panelcontext.h"
#include "core/link/exchange.h"
#include <memory>
#include <QMainWindow>
#include <QPointer>

class BaudRatePanel;
class BusMonitorPanel;
class FrameLog;
class BusScanPanel;
class SettingsFilePanel;
class ToolsPage;
class ClockPanel;
class Desktop;
class ExtendedPage;
class InstrumentPage;
class IntervalPanel;
class LivePage;
class LiveTrendPanel;
class LiveValuesPanel;
class ModbusPanel;
class PortPanel;
class QLabel;
class QTabWidget;
class RecordArchive;
class HistoryPanel;
class SensorTablePanel;
class AlarmPanel;
class AlarmNotice;
class RecordCountPanel;
class RecordReadPanel;
class RecordsPanel;
class SensorCountRead;
class StatusPanel;
class TrafficPanel;
class ValueLabel;

// The main window: it assembles the panels; the traffic presenter shows what the exchanges do.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    frmMain(Desktop &desktop, const ComPorts &ports, QWidget *parent = nullptr);
    ~frmMain() override;

    // Start-up: reads comm.set, ModSet.set, replywin.set and comports.map, fills the boxes and opens
    // the saved port.
    void load();

    Link &link() { return *m_link; }
    // What the device panels share (the line, desktop, traffic display, Modbus settings, counters).
    PanelContext &context() { return *m_context; }
    Desktop &desktop() { return m_desktop; }

    PortPanel *portPanel;
    StatusPanel *statusPanel;
    ModbusPanel *modbusPanel;
    TrafficPanel *trafficPanel;
    QTabWidget *tabs;
    LivePage *livePage;
    InstrumentPage *instrumentPage;
    ExtendedPage *extendedPage;
    ToolsPage *toolsPage;
    BusScanPanel *busScanPanel;         // "总线扫描"
    SettingsFilePanel *settingsFilePanel;  // "记录仪设置文件"
    RecordsPanel *recordsPanel;
    RecordCountPanel *recordCountPanel;  // "有效记录总数（及指针）"
    RecordReadPanel *recordReadPanel;    // "按记录按条读取…"
    ClockPanel *clockPanel;             // "设备时钟"
    IntervalPanel *intervalPanel;       // "记录时间间隔"
    BaudRatePanel *baudRatePanel;       // "波特率"
    SensorCountRead *sensorCountRead;   // "读传感器总数" on the records tab
    LiveValuesPanel *liveValuesPanel;   // "温度组1": the live values and the read that fills them
    LiveTrendPanel *liveTrendPanel;     // "实时曲线": listens to liveValuesPanel
    ValueLabel *lblStatusLine;  // every message is announced to assistive technology
    SensorTablePanel *sensorTablePanel; // "传感器": names and limits
    AlarmPanel *alarmPanel;             // "报警": the watcher's alarms, acknowledged here
    AlarmNotice *alarmNotice;           // the unacknowledged ones, told whatever tab is open
    HistoryPanel *historyPanel;         // "历史数据": the archive as a table and a chart
    RecordArchive *recordArchive;       // the archive of every download, and the recorders' names
    BusMonitorPanel *busMonitorPanel;   // "通信监视": a dock, hidden until cmdMonitor opens it

    void showStatus(const QString &text);  // the status line

    // Room kept for the window manager's frame and title bar before the window is first shown.
    static constexpr QSize PreferredSize{1500, 900};
    static constexpr int FrameAllowance = 16;
    static constexpr int TitleAllowance = 48;

    // Shows the window on its screen: maximized when the screen has less room than it would like.
    void showOnScreen();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The constructor's steps, in the order the panels depend on each other.
    void makeTopPanels(QWidget *central);  // port, status, Modbus and traffic frames; the shared context
    void makePages(QWidget *central);      // the tabs and the pages on them
    void makeDevicePanels();               // the device panels in the pages' frames; Tab order
    void layOut(QWidget *central);         // the frames above the tabs, the tabs, the status line
    void makeBusMonitor();                 // the "通信监视" dock and its button
    void connectLink();                    // the line's busy, idle, lost and notice signals
    void onBusyChanged(bool busy);
    // Enter on a focused button presses it, as Space does.
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Once shown: the window, frame included, moved and shrunk into the screen's free area.
    void fitToScreen();
    void nameComboBoxes();
    // The monitor's place (docked or floating, and where) as the user left it in an earlier run.
    void restoreMonitorPlace();
    static constexpr char MonitorPlaceFile[] = "monitor.set";

    Desktop &m_desktop;
    ComPorts m_ports;
    Link *m_link;
    TrafficPresenter *m_traffic;
    std::unique_ptr<FrameLog> m_frameLog;  // kept while the window lives; fed only while the monitor is open
    std::unique_ptr<PanelContext> m_context;
    // Where focus was when a command took the bus, and where Qt moved it when its button went off.
    QPointer<QWidget> m_focusBeforeBusy, m_focusMovedTo;
    bool m_closeWhenIdle = false;
    bool m_fitted = false;
    bool m_monitorPlaced = false;  // placed by the user or an earlier run
    bool m_monitorUsed = false;    // opened in this run: its place is kept at the end
};
