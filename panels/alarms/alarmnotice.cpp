#include "panels/alarms/alarmnotice.h"
#include "core/archive/recordstore.h"
#include "panels/alarms/alarmnotifications.h"
#include "panels/alarms/alarmpanel.h"
#include "ui/commandstart.h"
#include "ui/desktop.h"
#include "ui/panelcontext.h"
#include "ui/recordarchive.h"
#include "ui/valuelabel.h"
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>

using report::AlarmLine;

namespace {
QString tenthsText(std::optional<int> tenths, const QString &unit)
{
    const QString number = tenths ? QString::number(*tenths / 10.0, 'f', 1) : QStringLiteral("—");
    return unit.isEmpty() ? number : number + QLatin1Char(' ') + unit;
}
} // namespace

AlarmNotice::AlarmNotice(PanelContext &context, QWidget &window, QTabWidget &tabs, AlarmPanel &panel)
    : QObject(&window), m_ctx(context), m_window(window), m_tabs(tabs), m_panel(panel), m_timer(new QTimer(this)),
      m_notifications(new AlarmNotifications(this))
{
    frmAlarmBanner = new QFrame(&window);
    frmAlarmBanner->setObjectName(QStringLiteral("frmAlarmBanner"));
    frmAlarmBanner->setAccessibleName(tr("未确认的报警"));
    frmAlarmBanner->setFrameShape(QFrame::StyledPanel);
    auto *icon = new QLabel(frmAlarmBanner);
    const int side = frmAlarmBanner->style()->pixelMetric(QStyle::PM_SmallIconSize);
    icon->setPixmap(frmAlarmBanner->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(side, side));
    lblAlarmBanner = new ValueLabel(QString(), tr("最新的未确认报警"), frmAlarmBanner, ValueLabel::Announce::Alert);
    lblAlarmBanner->setObjectName(QStringLiteral("lblAlarmBanner"));
    lblAlarmBanner->setWordWrap(true);
    lblAlarmBanner->setStyleSheet(warningStyle(lblAlarmBanner));
    cmdBannerAck = namedButton(QStringLiteral("cmdBannerAck"), tr("确认"), frmAlarmBanner);
    cmdBannerAck->setToolTip(tr("转到“报警”页并选中这条报警，填写确认人后确认"));
    auto *row = new QHBoxLayout(frmAlarmBanner);
    row->setContentsMargins(6, 2, 6, 2);
    row->addWidget(icon);
    row->addWidget(lblAlarmBanner, 1);
    row->addWidget(cmdBannerAck);
    frmAlarmBanner->hide();

    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = new QSystemTrayIcon(frmAlarmBanner->style()->standardIcon(QStyle::SP_MessageBoxWarning), this);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this] {
            if (!m_open.isEmpty())
                showAlarm(m_open.first().latest.id);
        });
    }
    connect(cmdBannerAck, &QPushButton::clicked, this, [this] {
        if (!m_open.isEmpty())
            showAlarm(m_open.first().latest.id);
    });
    connect(m_notifications, &AlarmNotifications::acknowledgeAsked, this, &AlarmNotice::showAlarm);
    connect(m_notifications, &AlarmNotifications::unavailable, this, [this](const QString &why) {
        m_ctx.desktop.say(tr("报警无法显示为桌面通知（%1），只显示在本窗口顶部").arg(why));
    });
    m_timer->setInterval(CheckMs);
    connect(m_timer, &QTimer::timeout, this, &AlarmNotice::check);
    m_timer->start();
    QTimer::singleShot(0, this, &AlarmNotice::check);  // alarms already open at the start are told too
}

void AlarmNotice::check()
{
    QString error;
    const auto open = readOpen(&error);
    if (!open) {
        // Nothing is known of the alarms: what is shown stays as it was.
        m_timer->setInterval(std::min(m_timer->interval() * 2, SlowestCheckMs));
        return;
    }
    m_timer->setInterval(CheckMs);
    QSet<qint64> ids;
    for (const AlarmLine &line : *open) {
        ids.insert(line.latest.id);
        if (!m_seen.contains(line.latest.id)) {
            m_seen.insert(line.latest.id);
            announce(line);
        }
    }
    for (const AlarmLine &line : std::as_const(m_open))
        if (!ids.contains(line.latest.id))
            m_notifications->close(line.latest.id);
    m_open = *open;
    showState();
}

std::optional<QList<AlarmLine>> AlarmNotice::readOpen(QString *error) const
{
    if (!m_ctx.archive)
        return QList<AlarmLine>();
    // No archive file yet: no watcher has raised anything, and a look must not make an empty one.
    const archive::ArchiveConfig config = m_ctx.archive->config();
    if (config.kind == archive::ArchiveConfig::Sqlite && !QFileInfo::exists(config.sqlitePath))
        return QList<AlarmLine>();
    archive::RecordStore *store = m_ctx.archive->open(error);
    const auto steps = store ? store->alarms().steps(archive::AlarmSteps::OfOpenAlarms, {}, error) : std::nullopt;
    if (!steps)
        return std::nullopt;
    QList<AlarmLine> open;
    for (const AlarmLine &line : report::alarmLines(*steps))
        if (!line.acknowledged && !line.cleared)
            open << line;
    std::sort(open.begin(), open.end(), [](const AlarmLine &a, const AlarmLine &b) {
        return a.raised.time != b.raised.time ? a.raised.time > b.raised.time : a.latest.id > b.latest.id;
    });
    return open;
}

void AlarmNotice::announce(const AlarmLine &line)
{
    m_ctx.desktop.playAlarmSound();
    const watch::Transition &t = line.latest;
    m_notifications->show(t.id, tr("报警：%1").arg(what(t)), tr("自 %1 起，报警编号 %2").arg(since(line)).arg(t.id));
}

void AlarmNotice::showState()
{
    const int count = int(m_open.size());
    // The title is marked by this class alone: the mark it put there is what it takes away.
    QString title = m_window.windowTitle();
    if (title.startsWith(m_titleMark))
        title.remove(0, int(m_titleMark.size()));
    m_titleMark = count ? tr("【报警 %1】").arg(count) : QString();
    m_window.setWindowTitle(m_titleMark + title);
    if (!count) {
        frmAlarmBanner->hide();
        lblAlarmBanner->clear();
        if (m_tray)
            m_tray->hide();
        return;
    }
    const AlarmLine &newest = m_open.first();
    QString text = tr("报警：%1，自 %2 起").arg(what(newest.latest), since(newest));
    if (count > 1)
        text += tr("（另有 %1 条）").arg(count - 1);
    if (text != lblAlarmBanner->text())  // each change is announced; the same words again are not
        lblAlarmBanner->setText(text);
    frmAlarmBanner->show();
    if (m_tray) {
        m_tray->setToolTip(tr("%1 条报警未确认\n%2").arg(count).arg(text));
        m_tray->show();
    }
}

QString AlarmNotice::what(const watch::Transition &t) const
{
    QStringList words{t.recorder};
    if (watch::aboutSensor(t.kind)) {
        const sensors::SensorTable &table = m_ctx.archive->sensors();
        const QString unit = table.sensor(t.recorder, t.sensor).unit;
        words << table.shownName(t.recorder, t.sensor) << watch::kindName(t.kind)
              << tr("%1（限值 %2）").arg(tenthsText(t.value, unit), tenthsText(t.limit, unit));
    } else {
        words << watch::kindName(t.kind) << t.note;
    }
    words.removeAll(QString());
    return words.join(QLatin1Char(' '));
}

QString AlarmNotice::since(const AlarmLine &line) const
{
    const QDateTime raised = line.raised.time.toLocalTime();
    const bool today = raised.date() == m_ctx.desktop.now().date();
    return raised.toString(today ? QStringLiteral("HH:mm:ss") : QStringLiteral("MM-dd HH:mm"));
}

void AlarmNotice::showAlarm(qint64 id)
{
    m_tabs.setCurrentWidget(&m_panel);
    m_panel.selectAlarm(id);
    m_window.setWindowState((m_window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    m_window.raise();
    m_window.activateWindow();
    m_panel.txtAckBy->setFocus();
}
