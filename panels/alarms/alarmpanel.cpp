#include "panels/alarms/alarmpanel.h"
#include "core/archive/recordstore.h"
#include "core/report/alarmlines.h"
#include "core/watch/acknowledge.h"
#include "ui/commandstart.h"
#include "ui/desktop.h"
#include "ui/panelcontext.h"
#include "ui/recordarchive.h"
#include "ui/valuelabel.h"
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

using watch::AlarmEvent;
using watch::AlarmKind;
using watch::Transition;

namespace {
enum Column { IdColumn, StateColumn, RecorderColumn, SensorColumn, KindColumn, ValueColumn, LimitColumn, StartColumn,
              AckColumn, ClearedColumn, Columns };

using AlarmRow = report::AlarmLine;

// The open alarms, newest first, then those cleared since nowUtc − ClosedDays, the latest cleared first.
// Only the last week's steps are read for the closed ones, and all of them only when one of those
// alarms was raised before it.
std::optional<QList<AlarmRow>> readAlarms(const archive::RecordStore &store, const QDateTime &nowUtc, QString *error)
{
    using Steps = archive::AlarmSteps;
    const auto openSteps = store.alarms().steps(Steps::OfOpenAlarms, {}, error);
    const auto recentSteps = openSteps ? store.alarms().steps(Steps::All, nowUtc.addDays(-AlarmPanel::ClosedDays), error)
                                       : std::nullopt;
    if (!recentSteps)
        return std::nullopt;
    QMap<qint64, AlarmRow> closed = report::alarmLines(*recentSteps);
    for (auto it = closed.begin(); it != closed.end();)
        it = it->cleared ? std::next(it) : closed.erase(it);
    if (std::any_of(closed.cbegin(), closed.cend(), [](const AlarmRow &r) { return r.raised.event != AlarmEvent::Raised; })) {
        const auto allSteps = store.alarms().steps(Steps::All, {}, error);
        if (!allSteps)
            return std::nullopt;
        const QMap<qint64, AlarmRow> all = report::alarmLines(*allSteps);
        for (auto it = closed.begin(); it != closed.end(); ++it)
            *it = all.value(it.key(), *it);
    }
    QList<AlarmRow> open;
    for (const AlarmRow &row : report::alarmLines(*openSteps))
        if (!closed.contains(row.latest.id))  // cleared between the two reads
            open << row;
    std::sort(open.begin(), open.end(), [](const AlarmRow &a, const AlarmRow &b) {
        return a.raised.time != b.raised.time ? a.raised.time > b.raised.time : a.latest.id > b.latest.id;
    });
    QList<AlarmRow> done = closed.values();
    std::sort(done.begin(), done.end(), [](const AlarmRow &a, const AlarmRow &b) {
        return a.cleared->time != b.cleared->time ? a.cleared->time > b.cleared->time : a.latest.id > b.latest.id;
    });
    return open + done;
}

QString localTime(const QDateTime &utc, const QString &format = QStringLiteral("yyyy-MM-dd HH:mm:ss"))
{
    return utc.toLocalTime().toString(format);
}

QString tenthsText(std::optional<int> tenths, const QString &unit)
{
    if (!tenths)
        return QStringLiteral("—");
    const QString number = QString::number(*tenths / 10.0, 'f', 1);
    return unit.isEmpty() ? number : number + QLatin1Char(' ') + unit;
}
} // namespace

AlarmPanel::AlarmPanel(PanelContext &context, QWidget *parent) : QWidget(parent), m_ctx(context), m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("AlarmPanel"));
    lblWatcherState = new ValueLabel(QString(), tr("监视程序状态"), this);
    lblWatcherState->setObjectName(QStringLiteral("lblWatcherState"));
    lblWatcherState->setWordWrap(true);
    cmdAlarmRefresh = namedButton(QStringLiteral("cmdAlarmRefresh"), tr("刷新"), this);
    cmdAlarmRefresh->setToolTip(tr("从存档重新读取报警和监视程序的状态"));

    lstAlarms = new QTreeWidget(this);
    lstAlarms->setObjectName(QStringLiteral("lstAlarms"));
    lstAlarms->setAccessibleName(tr("报警"));
    lstAlarms->setRootIsDecorated(false);
    lstAlarms->setUniformRowHeights(true);
    lstAlarms->setHeaderLabels({tr("编号"), tr("状态"), tr("记录仪"), tr("传感器"), tr("类型"), tr("数值"), tr("限值"),
                                tr("开始时间"), tr("确认"), tr("解除时间")});

    lstAlarmNotices = new QTreeWidget(this);
    lstAlarmNotices->setObjectName(QStringLiteral("lstAlarmNotices"));
    lstAlarmNotices->setAccessibleName(tr("所选报警的通知"));
    lstAlarmNotices->setRootIsDecorated(false);
    lstAlarmNotices->setHeaderLabels(report::noticeHeaders());

    auto *byCaption = new QLabel(tr("确认人"), this);
    txtAckBy = new QLineEdit(this);
    txtAckBy->setObjectName(QStringLiteral("txtAckBy"));
    txtAckBy->setMaxLength(40);
    byCaption->setBuddy(txtAckBy);
    auto *noteCaption = new QLabel(tr("说明"), this);
    txtAckNote = new QLineEdit(this);
    txtAckNote->setObjectName(QStringLiteral("txtAckNote"));
    txtAckNote->setMaxLength(200);
    noteCaption->setBuddy(txtAckNote);
    cmdAckAlarm = namedButton(QStringLiteral("cmdAckAlarm"), tr("确认报警"), this);
    cmdAckAlarm->setToolTip(tr("确认列表中选中的报警：记入存档，监视程序不再重复通知"));

    auto *top = new QHBoxLayout;
    top->addWidget(lblWatcherState, 1);
    top->addWidget(cmdAlarmRefresh);
    auto *ack = new QHBoxLayout;
    ack->addWidget(byCaption);
    ack->addWidget(txtAckBy);
    ack->addWidget(noteCaption);
    ack->addWidget(txtAckNote, 1);
    ack->addWidget(cmdAckAlarm);
    auto *column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(lstAlarms, 3);
    column->addWidget(lstAlarmNotices, 1);
    column->addLayout(ack);

    m_timer->setInterval(RefreshMs);
    connect(m_timer, &QTimer::timeout, this, [this] { refresh(); });
    connect(lstAlarms, &QTreeWidget::currentItemChanged, this, [this] { showNotices(); });
    connect(cmdAlarmRefresh, &QPushButton::clicked, this, [this] { refresh(); });
    connect(cmdAckAlarm, &QPushButton::clicked, this, [this] { acknowledgeSelected(); });
    connect(txtAckNote, &QLineEdit::returnPressed, this, [this] { acknowledgeSelected(); });
}

void AlarmPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
    m_timer->start();
}

void AlarmPanel::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer->stop();
}

void AlarmPanel::refresh()
{
    const QTreeWidgetItem *current = lstAlarms->currentItem();
    const qint64 selected = current ? current->data(IdColumn, Qt::UserRole).toLongLong() : 0;
    const int scrolled = lstAlarms->verticalScrollBar()->value();
    lstAlarms->clear();
    QString error = tr("没有存档");
    archive::RecordStore *store = m_ctx.archive ? m_ctx.archive->open(&error) : nullptr;
    if (!store) {
        lblWatcherState->setText(tr("存档无法打开：%1").arg(error));
        return;
    }
    const QDateTime now = m_ctx.desktop.now();
    const auto rows = readAlarms(*store, now.toUTC(), &error);
    if (!rows) {
        lblWatcherState->setText(error);
        return;
    }

    error.clear();
    if (const auto beat = store->watchers().last(&error); !beat)
        lblWatcherState->setText(error.isEmpty() ? tr("监视程序从未运行") : error);
    else if (beat->beat.secsTo(now) <= BeatBoundS)
        lblWatcherState->setText(tr("监视程序运行中：主机 %1，最后读取 %2").arg(beat->host, localTime(beat->beat, QStringLiteral("HH:mm:ss"))));
    else
        lblWatcherState->setText(tr("监视程序没有在运行（最后一次：%1，主机 %2）").arg(localTime(beat->beat), beat->host));

    const sensors::SensorTable &table = m_ctx.archive->sensors();
    for (const AlarmRow &row : *rows) {
        const Transition &t = row.latest;
        auto *item = new QTreeWidgetItem(lstAlarms);
        item->setData(IdColumn, Qt::UserRole, t.id);
        // The state is said in words, with an icon beside them: never by a colour alone.
        const auto [state, icon] = row.cleared        ? std::pair(tr("已解除"), QStyle::SP_DialogApplyButton)
                                   : row.acknowledged ? std::pair(tr("已确认"), QStyle::SP_MessageBoxInformation)
                                                      : std::pair(tr("报警中"), QStyle::SP_MessageBoxWarning);
        item->setIcon(StateColumn, style()->standardIcon(icon));
        const bool noAnswer = !watch::aboutSensor(t.kind);
        const QString unit = noAnswer ? QString() : table.sensor(t.recorder, t.sensor).unit;
        const QString kind = kindName(t.kind);
        QString ack;
        if (row.acknowledged) {
            const QString when = localTime(row.acknowledged->time, QStringLiteral("MM-dd HH:mm"));
            ack = row.acknowledged->note.isEmpty() ? row.acknowledged->by + u' ' + when
                                                   : tr("%1 %2：%3").arg(row.acknowledged->by, when, row.acknowledged->note);
        }
        const QString cells[Columns] = {QString::number(t.id), state, t.recorder,
                                        noAnswer ? QStringLiteral("—") : table.shownName(t.recorder, t.sensor), kind,
                                        tenthsText(t.value, unit), tenthsText(t.limit, unit), localTime(row.raised.time), ack,
                                        row.cleared ? localTime(row.cleared->time) : QString()};
        for (int c = 0; c < Columns; ++c)
            item->setText(c, cells[c]);
        for (int c : {IdColumn, ValueColumn, LimitColumn})
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        if (t.id == selected)
            lstAlarms->setCurrentItem(item);
    }
    for (int c = 0; c < Columns; ++c)
        lstAlarms->resizeColumnToContents(c);
    lstAlarms->verticalScrollBar()->setValue(scrolled);  // a refresh while reading the list leaves it where it was
    showNotices();
}

bool AlarmPanel::selectAlarm(qint64 id)
{
    for (bool again : {false, true}) {
        if (again)
            refresh();
        for (int i = 0; i < lstAlarms->topLevelItemCount(); ++i)
            if (QTreeWidgetItem *item = lstAlarms->topLevelItem(i); item->data(IdColumn, Qt::UserRole).toLongLong() == id) {
                lstAlarms->setCurrentItem(item);
                lstAlarms->scrollToItem(item);
                return true;
            }
    }
    return false;
}

void AlarmPanel::showNotices()
{
    lstAlarmNotices->clear();
    const QTreeWidgetItem *current = lstAlarms->currentItem();
    QString error;
    archive::RecordStore *store = current && m_ctx.archive ? m_ctx.archive->open(&error) : nullptr;
    if (!store)
        return;
    const auto notices = store->outbox().ofAlarm(current->data(IdColumn, Qt::UserRole).toLongLong(), &error);
    if (!notices) {
        auto *item = new QTreeWidgetItem(lstAlarmNotices);
        item->setText(0, error);
        return;
    }
    for (const archive::OutboxEntry &e : *notices) {
        auto *item = new QTreeWidgetItem(lstAlarmNotices, report::noticeCells(e));
        item->setToolTip(report::NoticeOutcome, e.outcome);
    }
    for (int c = 0; c < report::NoticeColumns; ++c)
        lstAlarmNotices->resizeColumnToContents(c);
}

void AlarmPanel::acknowledgeSelected()
{
    Desktop &d = m_ctx.desktop;
    QString error = tr("没有存档");
    archive::RecordStore *store = m_ctx.archive ? m_ctx.archive->open(&error) : nullptr;
    if (!store) {
        d.say(tr("报警没有确认：存档无法打开：%1").arg(error));
        return;
    }
    const QTreeWidgetItem *item = lstAlarms->currentItem();
    if (!item) {
        d.say(tr("报警没有确认：请先在列表中选择一条报警"));
        return;
    }
    const qint64 id = item->data(IdColumn, Qt::UserRole).toLongLong();
    if (txtAckBy->text().trimmed().isEmpty()) {
        d.say(tr("报警 %1 没有确认：请在“确认人”中填写确认人的姓名").arg(id));
        txtAckBy->setFocus();
        return;
    }
    const auto step = watch::acknowledgeInArchive(*store, id, txtAckBy->text(), txtAckNote->text(), d.now().toUTC(), &error);
    refresh();  // refused or not, the list shows the archive as it is now
    if (!step) {
        d.say(tr("报警 %1 没有确认：%2").arg(id).arg(error));
        return;
    }
    txtAckNote->clear();
    d.say(tr("报警 %1 已由 %2 确认").arg(id).arg(step->by));
}
