#pragma once
#include "core/archive/recordstore.h"
#include "core/link/busshare.h"
#include "core/records/replywindow.h"
#include "core/settings/recorders.h"
#include "core/settings/sensortable.h"
#include "core/archive/checkpoint.h"
#include "core/watch/dailyrun.h"
#include "core/watch/linewatch.h"
#include "core/watch/outboxnotifier.h"
#include "core/watch/siren.h"
#include "core/watch/smsreplies.h"
#include "core/watch/upswatch.h"
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

// The watcher at work: one link, poller and timer per watched line, the alarm rules of the site, the
// archive, and the telling of each alarm step. Acknowledgements written to the archive by the window
// or `--ack` are picked up at each poll, so they reach the rules and the people whoever wrote them.
namespace watch {

class WatchService : public QObject {
    Q_OBJECT
public:
    struct Setup {
        QString appDir;
        QString host;                         // the heartbeat's name for this watcher
        archive::RecordStore *store = nullptr;
        sensors::SensorTable sensors;
        RecorderNames names;
        AlarmSettings alarms;
        std::function<void(const Transition &, const QString &name, const QString &unit)> tell;
        std::function<void(const QString &)> log;
        // The telling's outbox (none: no channels): it says which steps no channel was ever given; a
        // notification it gives up raises "notify-failed" about its channel, one it delivers clears that.
        OutboxNotifier *outbox = nullptr;
        archive::ArchiveConfig archive;       // the archive's settings: its backups, and pg_dump's connection
        QString checkpointKey = archive::CheckpointKey::defaultFile();  // the key the daily checkpoint is signed with
        records::ReplyWindow window;          // replywin.set: the daily download's, and the bound of every exchange
        std::function<QDateTime()> clock = &QDateTime::currentDateTimeUtc;  // the time each poll is taken at
    };
    explicit WatchService(Setup setup, QObject *parent = nullptr);
    ~WatchService() override;

    // The alarms still open in the archive become the rules' own again (not raised twice). Their raises
    // and acknowledgements of the last day that nobody was told of (an acknowledgement made while no
    // watcher ran, a step the watcher wrote but was killed before it kept its notification) are told.
    bool restore(QString *error);
    // A line to watch, its link already open.
    void add(std::unique_ptr<Link> link, const WatchedLine &line);
    // Every line polled at once and then every pollS seconds. From then on the window and the collector
    // of this user reach each line through the watcher (busshare.h), between its polls.
    void start();
    // The siren's relay, on its own link or (none) on the watched line of its port: on while an alarm is
    // unacknowledged, off when none is. A switch that fails raises "siren-failed" until one takes.
    void addSiren(const SirenSettings &siren, std::unique_ptr<Link> own = {});
    // The UPS read at every poll and every periodMs: on battery raises "power", mains back clears it.
    void watchUps(const UpsName &ups, int periodMs);
    // SMS replies acknowledge alarms, looked for whenever gammu-smsd files one and at every poll.
    void takeReplies(std::unique_ptr<SmsReplies> replies);
    // The poll period of a line now: while a value of it is out of range, two minutes at most.
    static constexpr int OutOfRangePollS = 120;
    int pollPeriodS(size_t line) const { return m_lines[line]->timer.interval() / 1000; }
    // Each day at `at` (local time, see DailyRun), every recorder's records since the last one the
    // archive holds are downloaded into it, between two polls.
    void downloadDaily(const QTime &at);
    // That download now, on every line.
    void downloadRecords();
    // Now and then every day: the archive's chains walked (a break raises "archive-changed") and, when
    // archive.set names a backup folder, the day's backup made (a failure raises "backup-failed"); a
    // later check that finds all well clears the alarm.
    void checkArchiveDaily();
    // A signed checkpoint of the archive: kept in the backup folder, sent on the webhook and by mail,
    // audited with where it went. After every daily check and backup.
    void checkpoint();
    void checkArchive();
    // One poll of every line now (the timers' work, and --once's).
    void pollAll();
    void stop();
    // The watcher's own work goes on: no line's poll is overdue by more than its period and twice the
    // longest exchange (another program's exchange may go before it). What feeds the systemd watchdog.
    bool pollsAlive() const;

signals:
    void polled();  // after each line's poll

private:
    void poll(size_t index);
    void pickUpAcknowledgements();
    void acknowledgeByReply();
    void followSiren();
    void noteDowntime(const QDateTime &now);
    void followArchive(const QDateTime &now);
    void upsChanged(const UpsState &state);
    void clearAcknowledgedDowntime(const Transition &ack);
    void tell(const Transition &t);
    void settled(const QString &channel, qint64 alarmId, bool delivered, const QString &detail);
    QString recorderName(const WatchedLine &line, uint8_t address) const;

    struct Watched {
        std::unique_ptr<Link> link;
        std::unique_ptr<busshare::BusRelay> relay;  // other programs' exchanges on this line
        std::unique_ptr<LineWatch> watch;
        QTimer timer;
        bool polling = false;
        bool pollDue = false;  // a poll came due while another program's exchange held the bus
        QElapsedTimer progress;  // since the last poll ended, or the last exchange of a poll or download
    };
    Setup m_setup;
    AlarmRules m_rules;
    StoreBacklog m_backlog;  // every reading and step of every line, waiting while the archive refuses
    std::vector<std::unique_ptr<Watched>> m_lines;
    std::unique_ptr<DailyRun> m_daily;
    QTimer m_archiveDaily;
    std::unique_ptr<Link> m_sirenLink;  // the siren's own line, when it is on none of the watched ones
    std::unique_ptr<Siren> m_siren;
    std::unique_ptr<UpsWatch> m_ups;
    QString m_upsName;
    std::unique_ptr<SmsReplies> m_replies;
    QFileSystemWatcher m_inbox;
    QString m_archiveId;  // the archive's, as the watcher first found it
    QString m_replaced;   // what became of it, once it was deleted or replaced: "archive-changed" stays
};

} // namespace watch
