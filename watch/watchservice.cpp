#include "watch/watchservice.h"
#include "core/archive/anchors.h"
#include "core/archive/backup.h"
#include "core/jobs/collectdownload.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace watch {

WatchService::WatchService(Setup setup, QObject *parent)
    : QObject(parent), m_setup(std::move(setup)), m_rules(m_setup.alarms),
      m_backlog(m_setup.store, m_rules, [this](const Transition &t) { tell(t); }, m_setup.log)
{
    if (m_setup.outbox)
        connect(m_setup.outbox, &OutboxNotifier::settled, this, &WatchService::settled);
}

WatchService::~WatchService() { stop(); }

bool WatchService::restore(QString *error)
{
    const auto open = m_setup.store->alarms().steps(archive::AlarmSteps::OfOpenAlarms, {}, error);
    const auto last = open ? m_setup.store->alarms().lastId(error) : std::nullopt;
    if (!open || !last)
        return false;
    m_rules.restore(*open);
    m_rules.setNextId(std::max(m_rules.nextId(), *last + 1));
    if (!m_setup.outbox)
        return true;
    QList<Transition> raises;
    for (const Transition &t : *open)
        if (t.event == AlarmEvent::Raised)
            raises.append(t);
    if (QString why; !m_setup.outbox->restoreLevels(raises, &why) && m_setup.log)
        m_setup.log(QCoreApplication::translate("watch", "不知道报警已通知到第几级：%1").arg(why));
    QList<Transition> recent;
    const QDateTime dayAgo = QDateTime::currentDateTimeUtc().addDays(-1);
    for (const Transition &t : *open)
        if ((t.event == AlarmEvent::Raised || t.event == AlarmEvent::Acknowledged) && t.time >= dayAgo)
            recent.append(t);
    QString why;
    const auto untold = m_setup.outbox->untold(recent, &why);
    if (!untold && m_setup.log)
        m_setup.log(QCoreApplication::translate("watch", "不知道哪些报警还没有通知：%1").arg(why));
    for (const Transition &t : untold.value_or(QList<Transition>{}))
        tell(t);
    return true;
}

QString WatchService::recorderName(const WatchedLine &line, uint8_t address) const
{
    // The window's names: a COM port and an address, or a line's URL and the address.
    return line.com ? m_setup.names.name(line.com, address) : QStringLiteral("%1-%2").arg(line.port).arg(address);
}

void WatchService::add(std::unique_ptr<Link> link, const WatchedLine &line)
{
    auto w = std::make_unique<Watched>();
    w->link = std::move(link);
    LineWatch::Context context{m_setup.store, &m_setup.sensors, &m_rules,
                               [this, line](uint8_t a) { return recorderName(line, a); },
                               [this](const Transition &t) { tell(t); },
                               m_setup.log, &m_backlog};
    w->watch = std::make_unique<LineWatch>(*w->link, line, context);
    const size_t index = m_lines.size();
    w->timer.setInterval(line.pollS * 1000);
    w->timer.setTimerType(Qt::CoarseTimer);
    connect(&w->timer, &QTimer::timeout, this, [this, index] { poll(index); });
    // A poll held back by another program's exchange follows it, before that program's next one.
    connect(w->link.get(), &Link::idle, this, [this, index] {
        if (std::exchange(m_lines[index]->pollDue, false))
            QTimer::singleShot(0, this, [this, index] { poll(index); });
    });
    // The watcher's own exchanges are its sign of life; another program's are not.
    connect(w->link.get(), &Link::exchangeFinished, this, [this, index] {
        if (m_lines[index]->polling)
            m_lines[index]->progress.start();
    });
    w->relay = std::make_unique<busshare::BusRelay>(*w->link);
    w->relay->setLongest(m_setup.window.longestWaitMs(), m_setup.window.guardMs);
    connect(w->relay.get(), &busshare::BusRelay::notice, this, [this](const QString &text) {
        if (m_setup.log)
            m_setup.log(text);
    });
    w->progress.start();
    m_lines.push_back(std::move(w));
}

void WatchService::start()
{
    noteDowntime(m_setup.clock());
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (const QString why = m_lines[i]->relay->listen(m_lines[i]->link->portName()); !why.isEmpty() && m_setup.log)
            m_setup.log(why);
        m_lines[i]->timer.start();
        QTimer::singleShot(0, this, [this, i] { poll(i); });
    }
}

void WatchService::downloadDaily(const QTime &at)
{
    m_daily = std::make_unique<DailyRun>(at);
    connect(m_daily.get(), &DailyRun::run, this, &WatchService::downloadRecords);
    m_daily->start();
}

void WatchService::checkArchiveDaily()
{
    m_archiveDaily.setInterval(24 * 3600 * 1000);
    m_archiveDaily.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_archiveDaily, &QTimer::timeout, this, &WatchService::checkArchive, Qt::UniqueConnection);
    m_archiveDaily.start();
    QTimer::singleShot(0, this, &WatchService::checkArchive);
}

void WatchService::checkArchive()
{
    QList<Transition> steps;
    QString error;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto say = [&](const QString &text) {
        if (m_setup.log)
            m_setup.log(text);
    };
    // The chains, held against the checkpoints the backup folder keeps and the last backup; the key
    // made at the first check.
    const QString &dir = m_setup.archive.backupDir;
    const auto key = archive::CheckpointKey::open(m_setup.checkpointKey, &error);
    if (!key)
        say(QCoreApplication::translate("watch", "检查点的签名钥匙不能用：%1").arg(error));
    const auto verdict = archive::verifyKept(m_setup.store->checks(), dir, m_setup.checkpointKey, {}, true, &error);
    if (!verdict)
        say(QCoreApplication::translate("watch", "存档的哈希链没有检查：%1").arg(error));
    QString changed = verdict && !verdict->ok ? verdict->text() : QString();
    if (!dir.isEmpty()) {
        const archive::BackupOutcome b = archive::makeBackup(*m_setup.store, m_setup.archive, now.toLocalTime().date());
        say(b.passed ? QCoreApplication::translate("watch", "备份 %1：%2").arg(b.path, b.verdict)
                     : QCoreApplication::translate("watch", "备份 %1 失败：%2").arg(b.path, b.verdict));
        steps << m_rules.archiveChecked(AlarmKind::BackupFailed, b.passed ? QString() : b.path + QStringLiteral(": ") + b.verdict, now);
        if (changed.isEmpty() && !b.held.isEmpty())
            changed = QCoreApplication::translate("watch", "过期的旧备份保留着存档里已不再有的行：%1").arg(b.held.first());
    }
    if (changed.isEmpty())
        changed = m_replaced;
    if (verdict)
        steps << m_rules.archiveChecked(AlarmKind::ArchiveChanged, changed, now);
    for (const Transition &t : steps)
        m_backlog.step(t);
    if (key)
        checkpoint();
}

void WatchService::checkpoint()
{
    QString error;
    const auto sendAway = [this](const archive::Checkpoint &c) {
        return m_setup.outbox ? m_setup.outbox->tellCheckpoint(c.text(), c.shortHash(), c.at) : QStringList();
    };
    const auto kept = archive::takeCheckpoint(*m_setup.store, m_setup.archive, m_setup.checkpointKey, sendAway, &error);
    if (!m_setup.log)
        return;
    if (!kept)
        m_setup.log(QCoreApplication::translate("watch", "检查点没有写成：%1").arg(error));
    else if (!kept->auditError.isEmpty())
        m_setup.log(QCoreApplication::translate("watch", "审计记录未能写入存档：%1").arg(kept->auditError));
    if (kept)
        m_setup.log(QCoreApplication::translate("watch", "检查点 %1：%2").arg(kept->checkpoint.shortHash(), kept->where.join(QStringLiteral("；"))));
}

void WatchService::downloadRecords()
{
    for (auto &w : m_lines) {
        const WatchedLine &line = w->watch->line();
        auto hold = w->link->tryHold(Link::Visibility::Quiet);
        if (!hold) {
            if (m_setup.log)
                m_setup.log(QCoreApplication::translate("watch", "%1 正被别的命令占用，今天的记录没有下载").arg(line.port));
            continue;
        }
        w->polling = true;  // the polls wait for the download
        for (uint8_t address : line.addresses) {
            jobs::CollectJob job;
            job.address = address;
            job.window = m_setup.window;
            job.recorder = recorderName(line, address);
            job.port = line.port;
            job.store = m_setup.store;
            job.limits = &m_setup.sensors;
            job.options.sinceLast = true;
            const jobs::Collected r = jobs::collectDownload(*w->link, *hold, job);
            if (m_setup.log)
                m_setup.log(QCoreApplication::translate("watch", "%1：下载记录 %2 条，存入 %3 条%4")
                                .arg(job.recorder).arg(r.read).arg(r.added.value_or(0))
                                .arg(r.problems.isEmpty() ? QString() : QStringLiteral("（%1）").arg(r.problems.join(QStringLiteral("；")))));
        }
        w->polling = false;
    }
}

void WatchService::pollAll()
{
    for (size_t i = 0; i < m_lines.size(); ++i)
        poll(i);
}

void WatchService::stop()
{
    for (auto &w : m_lines) {
        w->timer.stop();
        w->link->cancelCommand(CancelReason::Stop);
    }
}

void WatchService::poll(size_t index)
{
    Watched &w = *m_lines[index];
    // A poll of many devices may outlast the period: the timer's next turn waits for the next period.
    if (w.polling)
        return;
    if (w.link->busy()) {
        w.pollDue = true;
        return;
    }
    w.polling = true;
    const QDateTime now = m_setup.clock();
    pickUpAcknowledgements();
    acknowledgeByReply();
    if (m_ups)
        m_ups->readNow();
    w.watch->poll(now);
    if (m_setup.outbox)
        m_setup.outbox->escalate(m_rules.active(), now, [this](const Transition &t) {
            return std::pair{t.sensor ? m_setup.sensors.displayName(t.recorder, t.sensor) : QString(),
                             m_setup.sensors.sensor(t.recorder, t.sensor).unit};
        });
    const int pollS = w.watch->line().pollS;
    const int periodMs = 1000 * (w.watch->outOfRange() ? std::min(pollS, OutOfRangePollS) : pollS);
    if (w.timer.interval() != periodMs)
        w.timer.start(periodMs);
    QString error;
    QStringList lines;
    for (const auto &l : m_lines)
        lines << l->watch->line().port;
    if (!m_setup.store->watchers().beat({m_setup.host, now, lines.join(QLatin1Char(' '))}, &error) && m_setup.log)
        m_setup.log(error);
    followArchive(now);
    w.polling = false;
    w.progress.start();
    followSiren();
    emit polled();
}

void WatchService::addSiren(const SirenSettings &siren, std::unique_ptr<Link> own)
{
    Link *link = own.get();
    for (const auto &w : m_lines)
        if (!link && w->watch->line().port == siren.port)
            link = w->link.get();
    if (!link)
        return;
    m_sirenLink = std::move(own);
    m_siren = std::make_unique<Siren>(siren, *link);
    // A switch held back by another command goes out as soon as the bus is free.
    connect(link, &Link::idle, this, [this] {
        if (m_siren->heldBack())
            QTimer::singleShot(0, this, &WatchService::followSiren);
    });
}

void WatchService::followSiren()
{
    if (!m_siren)
        return;
    if (const auto outcome = m_siren->follow(m_rules.unacknowledged())) {
        if (!outcome->isEmpty() && m_setup.log)
            m_setup.log(*outcome);
        for (const Transition &t : m_rules.archiveChecked(AlarmKind::SirenFailed, *outcome, m_setup.clock(), m_siren->name()))
            m_backlog.step(t);
        m_backlog.flush();
        // The clear of a siren-failed alarm may leave nothing to sound for: looked at again at once. A
        // switch that failed is tried again after the next poll, not back to back.
        if (outcome->isEmpty())
            QTimer::singleShot(0, this, &WatchService::followSiren);
    }
}

void WatchService::watchUps(const UpsName &ups, int periodMs)
{
    m_upsName = upsText(ups);
    m_ups = std::make_unique<UpsWatch>(ups, periodMs);
    connect(m_ups.get(), &UpsWatch::changed, this, &WatchService::upsChanged);
    m_ups->readNow();
}

void WatchService::upsChanged(const UpsState &state)
{
    if (state.power == Power::Unknown) {
        if (m_setup.log)
            m_setup.log(QCoreApplication::translate("watch", "不间断电源 %1 读不出：%2").arg(m_upsName, state.error));
        return;
    }
    const QString what = state.power != Power::Battery ? QString()
        : QCoreApplication::translate("watch", "不间断电源 %1 在用电池（%2%3）").arg(m_upsName, state.status,
              state.charge ? QCoreApplication::translate("watch", "，电量 %1%").arg(*state.charge) : QString());
    for (const Transition &t : m_rules.archiveChecked(AlarmKind::Power, what, m_setup.clock(), m_upsName))
        m_backlog.step(t);
    m_backlog.flush();
    followSiren();
}

// That the watcher was down is news, not a state: once acknowledged, it is over.
void WatchService::clearAcknowledgedDowntime(const Transition &ack)
{
    if (ack.kind == AlarmKind::WatcherDown)
        for (const Transition &t : m_rules.archiveChecked(AlarmKind::WatcherDown, {}, ack.time, ack.recorder))
            m_backlog.step(t);
}

void WatchService::takeReplies(std::unique_ptr<SmsReplies> replies)
{
    m_replies = std::move(replies);
    // A reply gammu-smsd is still writing when the folder changes is taken a second later.
    if (!m_replies->inbox().isEmpty() && m_inbox.addPath(m_replies->inbox()))
        connect(&m_inbox, &QFileSystemWatcher::directoryChanged, this, [this] {
            acknowledgeByReply();
            QTimer::singleShot(1000, this, &WatchService::acknowledgeByReply);
        });
    acknowledgeByReply();
}

// Each reply from a listed person acknowledges the alarm in that name, as the window would.
void WatchService::acknowledgeByReply()
{
    if (!m_replies)
        return;
    bool any = false;
    for (const SmsReplies::Ack &a : m_replies->take()) {
        QString error;
        const QString note = QCoreApplication::translate("watch", "短信回复（%1）").arg(a.number);
        if (const auto t = m_rules.acknowledge(a.alarmId, a.by, note, m_setup.clock(), &error)) {
            m_backlog.step(*t);
            clearAcknowledgedDowntime(*t);
            any = true;
            if (m_setup.log)
                m_setup.log(QCoreApplication::translate("watch", "%1 用短信确认了报警 %2").arg(a.by).arg(a.alarmId));
        } else if (a.fresh && m_setup.log) {
            m_setup.log(QCoreApplication::translate("watch", "%1 的短信确认 %2 未生效：%3").arg(a.by).arg(a.alarmId).arg(error));
        }
    }
    if (any) {
        m_backlog.flush();
        followSiren();
    }
}

// The archive the watcher writes is the one it started with. A SQLite file deleted or replaced under
// it: what it still holds open is copied beside it (archive-rescued-YYYYMMDD-HHMMSS.db), so no row is
// lost with it, and the watcher goes on in the archive now at the path. An archive with another id
// under the same name (copied over, or made anew on the server) is only said. Either raises
// "archive-changed", which stays raised while the watcher runs.
void WatchService::followArchive(const QDateTime &now)
{
    const auto say = [&](const QString &text) {
        if (m_setup.log)
            m_setup.log(text);
    };
    QString error, what = m_setup.store->fileReplaced();
    if (!what.isEmpty()) {
        const QString path = m_setup.archive.sqlitePath;
        const QString rescued = QFileInfo(path).dir().filePath(
            QStringLiteral("archive-rescued-%1.db").arg(now.toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
        what += m_setup.store->checks().copyInto(rescued, &error)
                    ? QCoreApplication::translate("watch", "；值守程序写着的存档已存为 %1").arg(QDir::toNativeSeparators(rescued))
                    : QCoreApplication::translate("watch", "；值守程序写着的存档没能另存：%1").arg(error);
        if (!m_setup.store->open(m_setup.archive, &error))
            what += QCoreApplication::translate("watch", "；%1 打不开：%2").arg(QDir::toNativeSeparators(path), error);
    }
    const auto id = m_setup.store->checks().archiveId(&error);
    if (what.isEmpty() && id && !m_archiveId.isEmpty() && *id != m_archiveId)
        what = QCoreApplication::translate("watch", "存档（%1）不再是值守程序一直写着的那个（%2）：它被换掉了，或删除后重建了")
                   .arg(*id, m_archiveId);
    if (id)
        m_archiveId = *id;
    if (what.isEmpty())
        return;
    say(what);
    m_replaced = what;
    for (const Transition &t : m_rules.archiveChecked(AlarmKind::ArchiveChanged, what, now))
        m_backlog.step(t);
}

// A watcher that was not running for longer than two polls says so once: the gap in the readings is
// never silent.
void WatchService::noteDowntime(const QDateTime &now)
{
    int longest = 0;
    for (const auto &w : m_lines)
        longest = std::max(longest, w->watch->line().pollS);
    QString error;
    const auto beat = m_setup.store->watchers().of(m_setup.host, &error);
    if (!beat || longest == 0 || beat->beat.secsTo(now) <= 2 * longest)
        return;
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm");
    const QString what = QCoreApplication::translate("watch", "值守程序从 %1 到 %2 没有运行")
                             .arg(beat->beat.toLocalTime().toString(format), now.toLocalTime().toString(format));
    if (m_setup.log)
        m_setup.log(what);
    for (const Transition &t : m_rules.archiveChecked(AlarmKind::WatcherDown, what, now, m_setup.host))
        m_backlog.step(t);
    m_backlog.flush();
}

bool WatchService::pollsAlive() const
{
    const qint64 longest = m_setup.window.longestExchangeMs();
    return std::all_of(m_lines.begin(), m_lines.end(), [longest](const auto &w) {
        return w->progress.elapsed() <= w->watch->line().pollS * 1000LL + 2 * longest;
    });
}

// A step told with its sensor's name and unit (none for a no-answer alarm).
void WatchService::tell(const Transition &t)
{
    const QString name = t.sensor ? m_setup.sensors.displayName(t.recorder, t.sensor) : QString();
    m_setup.tell(t, name, m_setup.sensors.sensor(t.recorder, t.sensor).unit);
}

// A channel that gave a notification up is an alarm on the others (and in the window, from the
// archive) until it delivers one again.
void WatchService::settled(const QString &channel, qint64 alarmId, bool delivered, const QString &detail)
{
    const QString what = delivered ? QString() : QCoreApplication::translate("watch", "%1：报警 %2 的通知%3").arg(channel).arg(alarmId).arg(detail);
    for (const Transition &t : m_rules.archiveChecked(AlarmKind::NotifyFailed, what, QDateTime::currentDateTimeUtc(), channel))
        m_backlog.step(t);
}

void WatchService::pickUpAcknowledgements()
{
    QString error;
    const auto open = m_setup.store->alarms().steps(archive::AlarmSteps::OfOpenAlarms, {}, &error);
    if (!open)
        return;
    QSet<qint64> acknowledged;
    for (const Transition &t : m_rules.active())
        if (t.event == AlarmEvent::Acknowledged)
            acknowledged.insert(t.id);
    for (const Transition &step : *open) {
        if (step.event != AlarmEvent::Acknowledged || acknowledged.contains(step.id))
            continue;
        // Written by the window or --ack: the rules stop repeating it, and people are told who.
        if (const auto t = m_rules.acknowledge(step.id, step.by, step.note, step.time, &error)) {
            acknowledged.insert(step.id);
            tell(*t);
            clearAcknowledgedDowntime(*t);
        }
    }
}

} // namespace watch
