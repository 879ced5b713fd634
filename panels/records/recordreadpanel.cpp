#include "panels/records/recordreadpanel.h"
#include "ui/commandstart.h"
#include "ui/desktop.h"
#include "ui/panelcontext.h"
#include "ui/recordarchive.h"
#include "core/config/recordersettings.h"
#include "core/jobs/downloadcheck.h"
#include "core/settings/settingsfiles.h"
#include "core/link/frames.h"
#include "core/records/recorddecode.h"
#include "core/site/site.h"
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <utility>

namespace {
constexpr qint64 ProgressPeriodMs = 100;
} // namespace

RecordReadPanel::RecordReadPanel(PanelContext &context, RecordsPanel &records)
    : QWidget(records.recordReadFrame), m_ctx(context), m_records(records)
{
    setObjectName(QStringLiteral("RecordReadPanel"));
    cmdReadOneRec = commandButton(QStringLiteral("cmdReadOneRec"), tr("单条"), this);
    cmdReadAll = commandButton(QStringLiteral("cmdRedall"), tr("读取所有记录"), this);
    cmdStopGet = namedButton(QStringLiteral("cmdStopGet"), tr("停止"), this);
    cmdReplyWindow = namedButton(QStringLiteral("cmdReplyWindow"), tr("应答等待设置…"), this);
    cmdReplyWindow->setToolTip(tr("记录读取的应答等待时间、请求次数和迟到应答保护时间；线路慢或长时可放宽"));
    cmdReadOneRec->setToolTip(tr("读取“记录号”中的一条记录，然后记录号加 1"));
    cmdReadAll->setToolTip(tr("读取第 1 条到“条数”条记录"));
    cmdStopGet->setToolTip(tr("立即停止读取记录"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    for (QPushButton *b : {cmdReadOneRec, cmdReadAll, cmdStopGet, cmdReplyWindow})
        row->addWidget(b);
    records.addToRecordReadFrame(this);

    connect(cmdReadOneRec, &QPushButton::clicked, this, [this] { readOneRecord(); });
    connect(cmdReadAll, &QPushButton::clicked, this, [this] { readAllRecords(); });
    connect(cmdStopGet, &QPushButton::clicked, this, [this] { stopDownload(); });
    connect(cmdReplyWindow, &QPushButton::clicked, this, [this] { chooseReplyWindow(); });
}

jobs::DownloadAndKeep &RecordReadPanel::newDownload()
{
    // Made afresh for each command, so a changed reply window takes effect at the next one.
    m_download = std::make_unique<jobs::DownloadAndKeep>(
        m_ctx.link, m_ctx.replyWindow, [this](uint8_t address, const jobs::Downloaded &d) {
            return m_ctx.archive ? m_ctx.archive->store(address, d.intervalS, d.records) : QString();
        });
    return *m_download;
}

void RecordReadPanel::readOneRecord()
{
    auto cmd = beginCommand(m_ctx, tr("单条"));
    if (!cmd)
        return;
    const auto stoppable = stopWith(cmd->hold);
    const auto k = m_records.recordNumber();
    if (!k)
        return;
    const auto box = m_records.sensorCount();
    if (!box)
        return;
    const auto sensors = checkedSensors(cmd->hold, cmd->address, *k, *box, tr("单条"), tr("第 %1 条记录").arg(*k));
    if (!sensors)
        return;
    jobs::DownloadAndKeep &download = newDownload();
    const jobs::DownloadAndKeep::Result r = download.run(cmd->hold, cmd->address, *k, 1, *sensors);
    const records::DownloadOutcome &d = r.downloaded.outcome;
    m_ctx.view.showExchange(kinds::RecordDownload, download.lastExchange());
    if (!d.notRecords.isEmpty()) {
        // The number advances: the position answered, it just holds nothing.
        m_records.setNextRecordNumber(*k + 1);
        m_ctx.view.showStatus(tr("单条：第 %1 条不是记录（存储区为空或数据无效）").arg(*k));
        return;
    }
    if (r.downloaded.records.isEmpty()) {
        // The number stays, so the next click asks for the same record again. Closing: nobody reads;
        // a lost port: the window says so.
        using End = records::DownloadOutcome::End;
        if (d.end == End::Stopped)
            m_ctx.view.showStatus(tr("单条：已停止"));
        else if (d.end != End::Closing && d.end != End::PortLost)
            m_ctx.view.showStatus(tr("单条：第 %1 条记录未能读取（%2 次请求均无可信应答）")
                                      .arg(*k).arg(m_ctx.replyWindow.attempts));
        return;
    }
    m_records.appendRecord(r.downloaded.records.first(), *sensors);
    m_records.setNextRecordNumber(*k + 1);
    const QString &note = r.keptNote;
    m_ctx.view.showStatus(tr("单条：已读取第 %1 条记录").arg(*k) + (note.isEmpty() ? QString() : tr("；") + note));
}

void RecordReadPanel::readAllRecords()
{
    auto cmd = beginCommand(m_ctx, tr("读取所有记录"));
    if (!cmd)
        return;
    const auto stoppable = stopWith(cmd->hold);
    const auto count = m_records.recordCount();
    if (!count)
        return;
    const auto box = m_records.sensorCount();
    if (!box)
        return;
    if (!m_ctx.link.isOpen()) {
        // Nothing could be read: the boxes keep what they hold.
        m_ctx.view.showStatus(tr("读取所有记录：端口未打开，命令未发送"));
        return;
    }
    const auto sensors = checkedSensors(cmd->hold, cmd->address, *count, *box, tr("读取所有记录"),
                                        tr("“条数”中的 %1 条记录").arg(*count));
    if (!sensors)
        return;
    const jobs::DownloadAndKeep::Result r = recordsTabDownload().run(cmd->hold, cmd->address, 1, *count, *sensors);
    const records::DownloadOutcome &d = r.downloaded.outcome;
    const QString &note = r.keptNote;
    m_ctx.view.showStatus(records::downloadStatus(d) + (note.isEmpty() ? QString() : tr("；") + note));
    const QString message = records::downloadMessage(d);
    if (!message.isEmpty())
        m_ctx.desktop.message(QStringLiteral("System Information"), message, Desktop::Icon::Warning);
}

std::optional<int> RecordReadPanel::checkedSensors(const Link::Hold &hold, uint8_t address, int last, int box,
                                                   const QString &command, const QString &what)
{
    using Verdict = jobs::DownloadCheck::Verdict;
    QString why;
    const auto take = [&](int recorders) {
        why = recorder::sensorCountMismatch(recorders, box);
        if (!m_ctx.desktop.confirm(QStringLiteral("System Information"),
                                   tr("%1，记录按它分条。\n改用 %2 并读取记录吗？").arg(why).arg(recorders)))
            return false;
        m_records.showSensorCount(recorders);
        return true;
    };
    const jobs::DownloadCheck check = jobs::checkDownload(m_ctx.link, hold, address, m_ctx.replyWindow.attempts, {last, box, {}, take});
    switch (check.verdict) {
    case Verdict::Ready:
        return check.sensors;
    case Verdict::NoSensors:
        if (hold.stopped())
            m_ctx.view.showStatus(tr("%1：已停止，未读取记录").arg(command));
        else if (m_ctx.link.isOpen())  // a lost port is said already
            m_ctx.view.showStatus(tr("%1：未读到记录仪的传感器总数（寄存器 136），未读取记录").arg(command));
        break;
    case Verdict::OtherSensors:
        m_ctx.view.showStatus(tr("%1：%2，未读取记录").arg(command, why));
        break;
    case Verdict::BeyondMemory:
        m_ctx.desktop.warnAndSay(tr("%1超出了记录仪的寄存器范围（每条 %2 个寄存器时最多 %3 条），命令未发送。")
                                     .arg(what).arg(records::registersPerRecord(check.sensors)).arg(check.lastAddressable));
        break;
    case Verdict::NoCount:  // the count is the box's: never read here
    case Verdict::Ended:
        break;
    }
    return std::nullopt;
}

QScopeGuard<std::function<void()>> RecordReadPanel::stopWith(const Link::Hold &hold)
{
    // The frame's stop reaches the command from its first request on: the reads before the
    // download (the sensor count, the interval) end with it too.
    m_running = hold.cancel();
    return QScopeGuard<std::function<void()>>([this] { m_running.reset(); });
}

void RecordReadPanel::stopDownload()
{
    if (m_running)
        m_running->cancel(CancelReason::Stop);
    if (m_download)
        m_download->stop();
}

void RecordReadPanel::chooseReplyWindow()
{
    const auto chosen = m_ctx.desktop.editReplyWindow(m_ctx.replyWindow);
    if (!chosen || *chosen == m_ctx.replyWindow)
        return;
    // Taken for the next read whether or not it could be kept for the next start.
    m_ctx.replyWindow = *chosen;
    site::applyReplyWindow(m_ctx.link, *chosen);
    const QString what = tr("记录应答窗口 %1 毫秒，每条最多 %2 次失败请求，迟到应答保护 %3 毫秒，串口适配器回显：%4")
                             .arg(chosen->recordWindowMs).arg(chosen->attempts).arg(chosen->guardMs)
                             .arg(echoModeName(chosen->echo));
    QString error;
    if (!settings::writeReplyWindow(m_ctx.desktop.appDir(), *chosen, &error)) {
        m_ctx.desktop.message(QStringLiteral("System Information"),
                              tr("无法保存 %1：%2\n新的设置只在本次运行中有效。")
                                  .arg(settings::replyWindowPath(m_ctx.desktop.appDir()), error),
                              Desktop::Icon::Warning);
        m_ctx.view.showStatus(tr("应答等待设置：%1（未保存）").arg(what));
        return;
    }
    m_ctx.view.showStatus(tr("应答等待设置：%1，已保存到 replywin.set").arg(what));
}

void RecordReadPanel::showProgress(int k, int done, int total, qint64 elapsedMs, const Exchange &last)
{
    m_records.showProgress(k, done, total, elapsedMs);
    m_ctx.view.showExchange(kinds::RecordDownload, last);
}

jobs::DownloadAndKeep &RecordReadPanel::recordsTabDownload()
{
    jobs::DownloadAndKeep &download = newDownload();
    connect(&download, &jobs::DownloadAndKeep::started, this, [this](int count) {
        m_records.beginDownload(count);
        m_clock.start();
        m_shownAt = -ProgressPeriodMs;
    });
    // The progress panel follows at a pace the eye can take; every repaint costs the line time.
    connect(&download, &jobs::DownloadAndKeep::progress, this, [this](int k, int done, int total, const Exchange &last) {
        if (m_clock.elapsed() - m_shownAt < ProgressPeriodMs)
            return;
        m_shownAt = m_clock.elapsed();
        showProgress(k, done, total, m_shownAt, last);
    });
    connect(&download, &jobs::DownloadAndKeep::blockReadsRefused, this, [this](const QString &why) {
        m_ctx.view.showStatus(tr("读取所有记录：记录仪不支持成块读取（%1），改为逐条读取").arg(why));
    });
    connect(&download, &jobs::DownloadAndKeep::ended, this, [this, &download](const jobs::Downloaded &done) {
        const records::DownloadOutcome &d = done.outcome;
        // lblCurrentRecord ends on the record the run stopped at, or the last one when it ran through.
        const int reached = d.notTriedFrom > 0 ? d.notTriedFrom : d.last();
        const int tried = d.read + int(d.unread.size() + d.notRecords.size());
        showProgress(reached, tried, d.total, m_clock.elapsed(), download.lastExchange());
        // The records go into the box in one insertion at the end.
        m_records.endDownload(done.records);
    });
    return download;
}
