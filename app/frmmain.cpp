#include "app/frmmain.h"
#include "core/files/safefile.h"
#include "ui/desktop.h"
#include "panels/port/modbuspanel.h"
#include "app/tabpages.h"
#include "panels/config/baudratepanel.h"
#include "panels/config/clockpanel.h"
#include "ui/registercommands.h"
#include "panels/config/intervalpanel.h"
#include "panels/config/pollingtableeditor.h"
#include "panels/config/sensorcountread.h"
#include "panels/port/portpanel.h"
#include "panels/status/statuspanel.h"
#include "panels/status/trafficpanel.h"
#include "panels/live/livetrendpanel.h"
#include "panels/live/livevaluespanel.h"
#include "panels/live/pollingpanel.h"
#include "panels/live/storagestatepanel.h"
#include "panels/records/recordcountpanel.h"
#include "panels/records/modulepasspanel.h"
#include "panels/records/recordreadpanel.h"
#include "panels/records/recordspanel.h"
#include "panels/tools/busscanpanel.h"
#include "panels/tools/settingsfilepanel.h"
#include "panels/tools/languagepanel.h"
#include "ui/recordarchive.h"
#include "panels/export/exportpanel.h"
#include "core/archive/writeaudit.h"
#include "ui/valuelabel.h"
#include "panels/history/historypanel.h"
#include "panels/history/sensortablepanel.h"
#include "panels/alarms/alarmpanel.h"
#include "panels/alarms/alarmnotice.h"
#include "panels/audit/archiveauditpanel.h"
#include "panels/monitor/busmonitorpanel.h"
#include "core/link/framelog.h"
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QComboBox>
#include <QScrollArea>
#include <utility>
#include <QTimer>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

frmMain::frmMain(Desktop &desktop, const ComPorts &ports, QWidget *parent)
    : QMainWindow(parent), m_desktop(desktop), m_ports(ports), m_link(new Link(this))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(tr("WL8806N智能RS485动态水分记录仪随机软件V14.12.10"));

    auto *central = new QWidget(this);
    makeTopPanels(central);
    makePages(central);
    makeDevicePanels();
    layOut(central);
    makeBusMonitor();

    // Room for the widest page on a common screen; smaller screens scroll the pages.
    // The whole window, its frame and title bar included, on the screen's free area (a panel or a
    // task bar takes part of it): the frame is not known before the window manager shows it, so an
    // allowance is kept now and the window is fitted again once shown (fitToScreen).
    resize(PreferredSize.boundedTo(screen()->availableSize() - QSize(FrameAllowance, TitleAllowance)));
    nameComboBoxes();
    connectLink();
}

void frmMain::makeTopPanels(QWidget *central)
{
    portPanel = new PortPanel(*m_link, m_desktop, m_ports, central);
    statusPanel = new StatusPanel(central);
    modbusPanel = new ModbusPanel(m_desktop, central);
    trafficPanel = new TrafficPanel(central);

    m_traffic = new TrafficPresenter(*m_link, TrafficDisplay{
        .command = [t = trafficPanel](const QString &hex) { t->txtCommand->setText(hex); },
        .state = [t = trafficPanel](const QString &hex) { t->txtState->setText(hex); },
        .lamp = [s = statusPanel](Lamp lamp) { s->showLamp(lamp); },
        .countRequest = [s = statusPanel] { incrementCounter(s->lblRequestCount); },
        .countReply = [s = statusPanel] { incrementCounter(s->lblReplyCount); },
        .status = [this](const QString &text) { showStatus(text); },
    }, this);
    m_context.reset(new PanelContext{*m_link, m_desktop, *m_traffic, *modbusPanel, *statusPanel});
    portPanel->replyWindow = &m_context->replyWindow;
    recordArchive = new RecordArchive(m_desktop, [p = portPanel] { return p->portInUse; }, this);
    m_context->archive = recordArchive;
    // Whatever command writes to a recorder, the write goes into the archive's audit trail.
    new archive::WriteAudit(*m_link, [a = recordArchive](uint8_t address) { return a->recorderName(address); },
                            [a = recordArchive](const archive::AuditEntry &entry) { a->audit(entry); }, this);
}

void frmMain::makePages(QWidget *central)
{
    tabs = new QTabWidget(central);
    tabs->setObjectName(QStringLiteral("SSTab1"));
    livePage = new LivePage(tabs);
    instrumentPage = new InstrumentPage(tabs);
    extendedPage = new ExtendedPage(tabs);
    recordsPanel = new RecordsPanel(m_desktop, tabs);
    // Each page scrolls, so the window fits a small screen whatever a page holds.
    const auto scrolled = [this](QWidget *page, const QString &caption) {
        auto *area = new QScrollArea(tabs);
        area->setWidgetResizable(true);
        area->setFrameShape(QFrame::NoFrame);
        area->setFocusPolicy(Qt::NoFocus);  // Tab goes to the page's controls, not to the frame around them
        area->setAccessibleName(caption);
        if (page->layout())
            page->layout()->setContentsMargins(6, 6, 6, 6);  // the tab's own frame is margin enough
        area->setWidget(page);
        tabs->addTab(area, caption);
    };
    scrolled(livePage, tr("实时数据"));
    scrolled(instrumentPage, tr("仪器设置"));
    scrolled(extendedPage, tr("扩展设置"));
    scrolled(recordsPanel, tr("记录操作"));
    toolsPage = new ToolsPage(tabs);
    scrolled(toolsPage, tr("维护工具"));
    liveTrendPanel = new LiveTrendPanel(m_desktop, tabs);
    tabs->addTab(liveTrendPanel, tr("实时曲线"));  // a chart fills its page, never scrolls
    historyPanel = new HistoryPanel(*m_context, tabs);
    tabs->addTab(historyPanel, tr("历史数据"));
    sensorTablePanel = new SensorTablePanel(*m_context, tabs);
    tabs->addTab(sensorTablePanel, tr("传感器"));
    alarmPanel = new AlarmPanel(*m_context, tabs);
    tabs->addTab(alarmPanel, tr("报警"));
    alarmNotice = new AlarmNotice(*m_context, *this, *tabs, *alarmPanel);
}

void frmMain::makeDevicePanels()
{
    connect(recordsPanel->exportPanel, &ExportPanel::exported, recordArchive, [a = recordArchive](const QString &path) {
        a->auditFile(archive::kinds::Export, path, a->recorderName(uint8_t(a->lastAddress())));
    });
    // The device panels fill the frames of the tabs.
    recordCountPanel = new RecordCountPanel(*m_context, *recordsPanel);
    recordReadPanel = new RecordReadPanel(*m_context, *recordsPanel);
    new PollingTableEditor(*m_context, this);  // fills the polling-table frames of both tabs
    clockPanel = new ClockPanel(*m_context, instrumentPage->fraClock);
    fillFrame(instrumentPage->fraClock, clockPanel);
    intervalPanel = new IntervalPanel(*m_context, instrumentPage->intervalFrame);
    fillFrame(instrumentPage->intervalFrame, intervalPanel);
    baudRatePanel = new BaudRatePanel(*m_context, instrumentPage->baudRateFrame);
    fillFrame(instrumentPage->baudRateFrame, baudRatePanel);
    sensorCountRead = new SensorCountRead(*m_context, recordsPanel->recordReadFrame,
                                          [p = recordsPanel](int n) { p->showSensorCount(n); }, this);
    recordsPanel->addToRecordReadFrame(sensorCountRead->cmdReadSensorCount);
    liveValuesPanel = new LiveValuesPanel(*m_context, livePage->liveValuesFrame);
    connect(liveValuesPanel, &LiveValuesPanel::valuesShown, liveTrendPanel, &LiveTrendPanel::addValues);
    // Names and limits belong to the recorder at a device's address on the port in use.
    liveTrendPanel->setSensorLookup([a = recordArchive](uint8_t device, int number) {
        const QString recorder = a->recorderName(device);
        return std::pair{a->sensors().shownName(recorder, number), a->sensors().sensor(recorder, number)};
    });
    liveTrendPanel->setRecorderLookup([a = recordArchive](uint8_t device) { return a->recorderName(device); });
    connect(sensorTablePanel, &SensorTablePanel::sensorsChanged, this, [this] {
        historyPanel->applySensors();
        liveTrendPanel->applySensors();
    });
    new ModulePassPanel(*m_context, livePage->modulePassFrame, *liveValuesPanel, *recordCountPanel, *recordReadPanel);
    new PollingPanel(*m_context, *liveValuesPanel, livePage->pollingFrame);
    new StorageStatePanel(*m_context, livePage->storageStateFrame);
    busScanPanel = new BusScanPanel(*m_context, [p = portPanel](int rate) { p->useRate(rate); }, toolsPage->fraBusScan);
    fillFrame(toolsPage->fraBusScan, busScanPanel);
    settingsFilePanel = new SettingsFilePanel(*m_context, toolsPage->fraSettingsFile);
    fillFrame(toolsPage->fraSettingsFile, settingsFilePanel);
    fillFrame(toolsPage->fraArchiveAudit, new ArchiveAuditPanel(*m_context, toolsPage->fraArchiveAudit));
    fillFrame(toolsPage->fraLanguage, new LanguagePanel(m_desktop, [this](const QString &text) { showStatus(text); },
                                                        toolsPage->fraLanguage));
    // Panels are made in the order they depend on each other; Tab goes as the pages read.
    for (const QList<QWidget *> &frames :
         {livePage->readingOrder(), instrumentPage->readingOrder(), extendedPage->readingOrder(),
          recordsPanel->readingOrder(), toolsPage->readingOrder()})
        setReadingOrder(frames);
}

void frmMain::layOut(QWidget *central)
{
    // The frames above the tabs keep small margins: what is under the tabs has the room.
    for (QWidget *frame : std::initializer_list<QWidget *>{portPanel, statusPanel, modbusPanel, trafficPanel})
        if (frame->layout())
            frame->layout()->setContentsMargins(6, 4, 6, 4);
    auto *top = new QGridLayout;
    top->setVerticalSpacing(4);
    top->addWidget(portPanel, 0, 0);
    top->addWidget(statusPanel, 0, 1);
    top->addWidget(modbusPanel, 0, 2);
    top->addWidget(trafficPanel, 1, 0, 1, 3);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(6, 6, 6, 0);
    column->addWidget(alarmNotice->frmAlarmBanner);  // above everything, hidden while no alarm waits
    column->addLayout(top);
    column->addWidget(tabs, 1);
    setCentralWidget(central);

    lblStatusLine = new ValueLabel(QString(), tr("状态栏"), this, ValueLabel::Announce::Alert);
    lblStatusLine->setObjectName(QStringLiteral("lblStatusLine"));
    statusBar()->addWidget(lblStatusLine, 1);
    m_desktop.setStatusLine([this](const QString &text) { showStatus(text); });
}

void frmMain::makeBusMonitor()
{
    // The bus monitor: the line's frames are logged while it is open, and only then.
    m_frameLog = std::make_unique<FrameLog>();
    busMonitorPanel = new BusMonitorPanel(*m_frameLog, m_desktop, this);
    addDockWidget(Qt::BottomDockWidgetArea, busMonitorPanel);
    // It opens in a window of its own, so the pages keep their room; docked below or floating, where
    // the user leaves it is where it opens next time (monitor.set).
    busMonitorPanel->setFloating(true);
    busMonitorPanel->hide();
    restoreMonitorPlace();
    QAction *monitorShown = busMonitorPanel->toggleViewAction();  // follows the dock's close button too
    monitorShown->setChecked(false);
    connect(trafficPanel->cmdMonitor, &QPushButton::toggled, busMonitorPanel, &QWidget::setVisible);
    connect(monitorShown, &QAction::toggled, this, [this](bool open) {
        trafficPanel->cmdMonitor->setChecked(open);
        m_link->setObserver(open ? m_frameLog.get() : nullptr);
        if (open && !m_monitorPlaced) {
            m_monitorPlaced = true;
            const QRect free = screen()->availableGeometry();
            busMonitorPanel->setGeometry(QRect(free.left(), free.bottom() - free.height() / 3, free.width() * 2 / 3, free.height() / 3));
        }
        m_monitorUsed = m_monitorUsed || open;
    });
}

void frmMain::connectLink()
{
    for (QPushButton *b : findChildren<QPushButton *>())
        b->installEventFilter(this);
    connect(m_link, &Link::busyChanged, this, &frmMain::onBusyChanged);
    connect(m_link, &Link::idle, this, [this] {
        if (m_closeWhenIdle)
            close();
    });
    connect(portPanel, &PortPanel::statusMessage, this, &frmMain::showStatus);
    connect(m_link, &Link::portLost, this, [this](const QString &) {
        // The system's error text after a hang-up is seldom meaningful ("No such file…"). A line
        // reached through the watcher is lost when the watcher ends: the port is then free to open.
        const QString text = m_link->viaWatcher()
                                 ? tr("监视程序已不再管理 %1，端口已关闭；再次打开端口即可直接使用。").arg(m_link->portName())
                                 : tr("串口 %1 已断开（设备被拔出或连接中断），端口已关闭。").arg(m_link->portName());
        portPanel->refreshPorts();  // the device line says so at once, not at its next look
        m_desktop.warnAndSay(text);
    });
    connect(m_link, &Link::notice, this, &frmMain::showStatus);
}

frmMain::~frmMain()
{
    // The log goes before the child widgets and the line (members before the base's children), and
    // the dock, hidden as it goes, must not reach back into a window that is already gone.
    disconnect(busMonitorPanel->toggleViewAction(), nullptr, this, nullptr);
    m_desktop.setStatusLine({});
    m_link->setObserver(nullptr);
}

void frmMain::showStatus(const QString &text) { lblStatusLine->setText(text); }

void frmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!std::exchange(m_fitted, true))
        QTimer::singleShot(0, this, &frmMain::fitToScreen);
}

void frmMain::showOnScreen()
{
    // A screen with less room than the window would like (a 1366 × 768 laptop) gets the window
    // maximized: the window manager then fits frame, title bar and status line to its free area.
    const QSize room = screen()->availableSize() - QSize(FrameAllowance, TitleAllowance);
    if (room.width() < PreferredSize.width() || room.height() < PreferredSize.height())
        showMaximized();
    else
        show();
}

void frmMain::fitToScreen()
{
    const QRect free = screen()->availableGeometry();
    const QRect frame = frameGeometry();
    // Without a window manager's frame (a test's screen) there is nothing to correct.
    if (isMaximized() || free.contains(frame) || frame == geometry())
        return;
    const QSize decoration = frame.size() - size();
    resize(size().boundedTo(free.size() - decoration));
    move(free.topLeft());
}

void frmMain::nameComboBoxes()
{
    // A combo box is named by its caption and its value is its value: without a name of its own a
    // screen reader names it by its current text, and an editable one's text field by nothing.
    for (QComboBox *c : findChildren<QComboBox *>()) {
        if (c->accessibleName().isEmpty())
            for (QLabel *l : findChildren<QLabel *>())
                if (l->buddy() == c)
                    c->setAccessibleName(l->text().remove(QLatin1Char('&')));
        if (c->lineEdit() && c->lineEdit()->accessibleName().isEmpty())
            c->lineEdit()->setAccessibleName(c->accessibleName());
    }
}

void frmMain::onBusyChanged(bool busy)
{
    // While a command holds the bus, other device commands are off; stop buttons stay on. The focus
    // goes back where it was once they are on again, unless the user moved it meanwhile: a second
    // Space presses the same button, not the one after it.
    if (busy)
        m_focusBeforeBusy = QApplication::focusWidget();
    for (QWidget *w : findChildren<QWidget *>())
        if (w->property("deviceCommand").toBool())
            w->setEnabled(!busy);
    if (busy) {
        m_focusMovedTo = QApplication::focusWidget();
    } else if (m_focusBeforeBusy && m_focusBeforeBusy->isEnabled() && QApplication::focusWidget() != m_focusBeforeBusy
               && QApplication::focusWidget() == m_focusMovedTo) {
        m_focusBeforeBusy->setFocus(Qt::OtherFocusReason);
    }
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        auto *button = qobject_cast<QPushButton *>(watched);
        if (button && (key == Qt::Key_Return || key == Qt::Key_Enter) && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_link->busy()) {
        // Let the running command unwind first; the window closes when the bus is free.
        m_closeWhenIdle = true;
        m_link->cancelCommand(CancelReason::Closing);
        event->ignore();
        return;
    }
    if (m_monitorUsed) {
        QString error;  // the place is a convenience: a folder that cannot take it is not worth a word
        safefile::writeWhole(m_desktop.appDir() + QStringLiteral("/") + QLatin1String(MonitorPlaceFile),
                             saveState().toBase64() + "\r\n", &error);
    }
    event->accept();
}

void frmMain::restoreMonitorPlace()
{
    safefile::load(m_desktop.appDir() + QStringLiteral("/") + QLatin1String(MonitorPlaceFile), 64 * 1024,
                   [this](const QByteArray &content) {
                       m_monitorPlaced = restoreState(QByteArray::fromBase64(content.trimmed()));
                       busMonitorPanel->hide();  // the place comes back, the monitor opens when asked
                   },
                   [](const QString &) {});
}
