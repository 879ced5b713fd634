// wl8806n-watch in-process against the simulated recorder: an alarm raised, acknowledged from the
// command line, picked up by a watcher that was already running and not raised again after a restart;
// the alarm settings each start found changed go into the audit trail.
#include "watch/watchapp.h"
#include "watch/watchservice.h"
#include "core/settings/archivesettings.h"
#include "sim/simrecorder.h"
#include "httplistener.h"
#include "wholefile.h"
#include "core/watch/message.h"
#include "core/watch/outboxnotifier.h"
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <QDir>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class TestWatch : public QObject {
    Q_OBJECT
private slots:
    void raiseAcknowledgeRestart();
    void replyWindowOnEveryLink();
    void badNight_data();
    void badNight();
    void watchdogFedWhilePollsGoOn();
    void watchdogStarvedByAHungPoll();
    void archiveReplacedUnderIt_data();
    void archiveReplacedUnderIt();
};

void TestWatch::raiseAcknowledgeRestart()
{
    sim::SimRecorder recorder;
    QVERIFY(recorder.start());
    for (uint16_t reg = 0; reg < 20; ++reg)
        recorder.setHolding(reg, reg == 2 ? 250 : 100);
    QTemporaryDir dir;
    HttpListener hook({200});
    QVERIFY(writeFile(dir.filePath("notify.set"), QStringLiteral("webhook=%1\nlanguage=zh\n").arg(hook.url()).toUtf8())
            && writeFile(dir.filePath("sensors.set"), "COM4-21\t3\t东墙\t℃\t\t20.0\n")
            && writeFile(dir.filePath("alarms.set"), "delay=0\n")
            && writeFile(dir.filePath("comports.map"), QStringLiteral("COM4=%1\n").arg(recorder.portPath()).toUtf8()));
    QString out, err;
    const watch::Io io{[&](const QString &s) { out += s; }, [&](const QString &s) { err += s; },
                       &recorder};
    const auto watcher = [&](const QStringList &args) {
        out.clear();
        err.clear();
        return watch::run(QStringList{"wl8806n-watch", "--appdir", dir.path()} + args, io);
    };
    const QStringList once{"--port", "4", "--address", "21", "--once"};

    recorder.setRecords(sim::SimRecorder::demoRecords(5, QDateTime(QDate(2026, 12, 8), QTime(1, 0))));
    QCOMPARE(watcher(once + QStringList{"--records-now"}), watch::Done);
    QVERIFY2(err.contains("报警 1：【报警】COM4-21 东墙 25.0℃ 高于上限 20.0℃"), qPrintable(err));
    QVERIFY2(err.contains("COM4-21：下载记录 5 条，存入 5 条"), qPrintable(err));
    // Told before --once ends: the webhook has the step.
    QCOMPARE(hook.requests.size(), 1);
    const QByteArray &request = hook.requests[0];
    QJsonObject body = QJsonDocument::fromJson(request.mid(request.indexOf("\r\n\r\n") + 4)).object();
    body.remove("time");
    QCOMPARE(body, QJsonDocument::fromJson(R"({"event":"raised","kind":"high","id":1,"recorder":"COM4-21","address":21,"sensor":3,"name":"东墙","unit":"℃","value":25.0,"limit":20.0})").object());
    QCOMPARE(watcher({"--address", "21"}), watch::Usage);  // nothing names a line
    QCOMPARE(watcher({"--ack", "1"}), watch::Usage);       // nobody acknowledges

    // A watcher already running picks up the acknowledgement the command line wrote.
    {
        archive::RecordStore store;
        QString error, note;
        QVERIFY2(archive::openConfiguredArchive(store, dir.path(), &error, &note), qPrintable(error));
        QList<watch::Transition> told;
        watch::WatchService::Setup setup;
        setup.store = &store;
        setup.sensors.load(dir.path(), &error);
        setup.alarms = watch::parseAlarmSettings("delay=0\nrepeat=1\n", &error);
        setup.tell = [&](const watch::Transition &t, const QString &, const QString &) { told << t; };
        setup.archive.backupDir = dir.filePath("no-such-folder");
        watch::WatchService running(std::move(setup));
        QVERIFY(running.restore(&error));
        auto link = std::make_unique<Link>();
        link->setPeerWitness(&recorder);
        QVERIFY(link->open(recorder.portPath(), 19200, 4).isEmpty());
        running.add(std::move(link), {"COM4", 4, {21}, 60, {}});

        QCOMPARE(watcher({"--ack", "1", "--by", "王工", "--note", "门已关"}), watch::Done);
        QCOMPARE(out, "报警 1：【已确认】COM4-21 东墙 25.0℃ 高于上限 20.0℃ 由 王工\n");
        QCOMPARE(watcher({"--ack", "1", "--by", "王工"}), watch::Refused);
        running.pollAll();
        QCOMPARE(told.size(), 1);
        QCOMPARE(std::tuple(told[0].event, told[0].id, told[0].by, told[0].note),
                 std::tuple(watch::AlarmEvent::Acknowledged, qint64(1), QString("王工"), QString("门已关")));
        // The daily check: a backup that cannot be made is an alarm, raised once; a chain broken
        // behind the programs' back (a trigger dropped) is another, naming what was found.
        running.checkArchive();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "tamper");
            db.setDatabaseName(dir.filePath("archive.db"));
            QVERIFY(db.open() && QSqlQuery(db).exec("DROP TRIGGER records_no_update"));
        }
        QSqlDatabase::removeDatabase("tamper");
        running.checkArchive();
        QCOMPARE(told.size(), 3);
        QCOMPARE(std::tuple(told[1].event, told[1].kind, told[2].event, told[2].kind),
                 std::tuple(watch::AlarmEvent::Raised, watch::AlarmKind::BackupFailed, watch::AlarmEvent::Raised,
                            watch::AlarmKind::ArchiveChanged));
        QVERIFY2(told[2].note.startsWith("verify: broken table=records"), qPrintable(told[2].note));
        const QJsonObject json = QJsonDocument::fromJson(watch::webhookJson(told[2], {}, {})).object();
        QCOMPARE(QStringList({json["event"].toString(), json["kind"].toString(), json["recorder"].toString()}),
                 QStringList({"raised", "archive-changed", ""}));
        QCOMPARE(std::pair(json["id"].toInt(), json["address"].toInt()), std::pair(3, 0));
        QVERIFY2(json["what"].toString().startsWith("verify: broken"), qPrintable(json["what"].toString()));
    }

    // Restarted: the alarm is still open and not raised again (what the service above told went to no
    // channel: the restart tells it); cleared once the value is back.
    QCOMPARE(watcher(once), watch::Done);
    QVERIFY2(!err.contains("【报警】") && err.contains("报警 1：【已确认】"), qPrintable(err));
    recorder.setHolding(2, 150);
    QVERIFY(writeFile(dir.filePath("alarms.set"), "delay=0\nrepeat=600\n"));
    QCOMPARE(watcher(once), watch::Done);
    QVERIFY2(err.contains("报警 1：【报警解除】COM4-21 东墙 15.0℃ 已不高于上限 20.0℃"), qPrintable(err));
    // The alarm settings as each start found them, in the audit trail only when they changed.
    archive::RecordStore store;
    QString error;
    QVERIFY2(archive::openConfiguredArchive(store, dir.path(), &error, nullptr), qPrintable(error));
    QStringList changes;
    for (const auto &row : store.audit().trail(&error, archive::kinds::AlarmSettings).value_or(QList<archive::AuditRow>{}))
        changes << row.program + ": " + row.oldValue + " → " + row.newValue;
    QCOMPARE(changes, QStringList({"watcher:  → delay=0; deadband=0.5; repeat=1800; comm-lost-polls=3",
                                   "watcher: delay=0; deadband=0.5; repeat=1800; comm-lost-polls=3 → delay=0; deadband=0.5; repeat=600; comm-lost-polls=3"}));
}

// replywin.set's line settings reach the watcher's links: told that the adapter does not echo, the
// watcher takes an echoing line's own request for the reply and the recorder goes unanswered.
void TestWatch::replyWindowOnEveryLink()
{
    sim::SimRecorder recorder;
    QVERIFY(recorder.start());
    recorder.setEcho(true);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("alarms.set"), "comm-lost-polls=1\n")
            && writeFile(dir.filePath("comports.map"), QStringLiteral("COM4=%1\n").arg(recorder.portPath()).toUtf8()));
    QString err;
    const auto watchOnce = [&] {
        err.clear();
        return watch::run({"wl8806n-watch", "--appdir", dir.path(), "--port", "4", "--address", "21", "--once"},
                          {[](const QString &) {}, [&](const QString &s) { err += s; }, &recorder});
    };
    QCOMPARE(watchOnce(), watch::Done);  // without the file the echo is learnt and the read taken
    QVERIFY2(!err.contains("no-answer"), qPrintable(err));
    QVERIFY(writeFile(dir.filePath("replywin.set"), "300,3,20,2\n"));  // echo: 2, none
    QCOMPARE(watchOnce(), watch::Done);
    QVERIFY2(err.contains("报警 1：【无应答】COM4-21（地址 21）1 次轮询无应答"), qPrintable(err));
}

// What each bad night leaves: what reached the webhook, what the outbox and the archive hold, and that
// polls went on. (The shared bus's nights, a client asking long waits, leaving mid-exchange, a socket
// lost, are test_busshare's; the watchdog's are the two tests after this one.)
void TestWatch::badNight_data()
{
    QTest::addColumn<QString>("night");
    for (const char *night : {"channel down across a restart", "ack while stopped", "killed with a step pending", "a channel giving up",
                              "full disk"})
        QTest::newRow(night) << QString(night);
}

void TestWatch::badNight()
{
    QFETCH(QString, night);
    sim::SimRecorder recorder;
    QVERIFY(recorder.start());
    for (uint16_t reg = 0; reg < 20; ++reg)
        recorder.setHolding(reg, reg == 2 ? 250 : 100);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("sensors.set"), "COM4-21\t3\t东墙\t℃\t\t20.0\n")
            && writeFile(dir.filePath("alarms.set"), "delay=0\n")
            && writeFile(dir.filePath("comports.map"), QStringLiteral("COM4=%1\n").arg(recorder.portPath()).toUtf8()));
    QString err;
    const auto watchOnce = [&](const HttpListener &hook) {
        err.clear();
        if (!writeFile(dir.filePath("notify.set"), QStringLiteral("webhook=%1\n").arg(hook.url()).toUtf8()))
            return -1;
        return watch::run({"wl8806n-watch", "--appdir", dir.path(), "--port", "4", "--address", "21", "--once"},
                          {[](const QString &) {}, [&](const QString &s) { err += s; }, &recorder});
    };
    const auto events = [](const HttpListener &hook) {
        QStringList got;
        for (const QByteArray &r : hook.requests)
            got << QJsonDocument::fromJson(r.mid(r.indexOf("\r\n\r\n") + 4)).object()["event"].toString();
        return got;
    };
    archive::RecordStore store;
    QString error;
    const auto outbox = [&](qint64 id = 1) {
        QStringList rows;
        for (const auto &e : store.outbox().ofAlarm(id, &error).value_or(QList<archive::OutboxEntry>{}))
            rows << QStringLiteral("%1 %2 %3").arg(e.event, e.channel).arg(int(e.state));
        return error.isEmpty() ? rows : QStringList{error};
    };
    // Straight into the archive file: a count, or the waits run out while no watcher ran.
    const auto raw = [&](const char *statement) {
        int value = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
            db.setDatabaseName(dir.filePath("archive.db"));
            QSqlQuery q(db);
            if (db.open() && q.exec(statement))
                value = q.next() ? q.value(0).toInt() : 0;
        }
        QSqlDatabase::removeDatabase("raw");
        return value;
    };
    if (night == "killed with a step pending") {
        // The notification is kept before its first attempt: a watcher gone while the server has not
        // answered yet leaves it waiting, and the next one delivers it.
        QVERIFY2(archive::openConfiguredArchive(store, dir.path(), &error, nullptr), qPrintable(error));
        HttpListener silent({});
        const watch::Transition t{watch::AlarmEvent::Raised, watch::AlarmKind::High, 1, "COM4-21", 21, 3, 250, 200,
                                  QDateTime::currentDateTimeUtc(), {}, {}};
        QVERIFY2(store.alarms().append(t, &error), qPrintable(error));
        {
            watch::NotifySettings settings;
            settings.webhook = silent.url();
            watch::Notifier notifier(settings, std::nullopt);
            watch::OutboxNotifier kept(notifier, store, {});
            kept.tell(t, "东墙", "℃");
            QTRY_COMPARE(silent.requests.size(), 1);
        }
        QCOMPARE(outbox(), QStringList{"raised webhook 0"});
        HttpListener hook({200});
        QCOMPARE(watchOnce(hook), watch::Done);
        QCOMPARE(events(hook), QStringList{"raised"});  // resumed, and the alarm not raised again
        QCOMPARE(outbox(), QStringList{"raised webhook 1"});
        return;
    }
    // A watcher in-process, its line the recorder's.
    const auto watcher = [&](std::function<void(const watch::Transition &)> tell, std::function<void(const QString &)> log,
                             watch::OutboxNotifier *kept) {
        watch::WatchService::Setup setup;
        setup.store = &store;
        setup.sensors.load(dir.path(), &error);
        setup.alarms = watch::parseAlarmSettings("delay=0\n", &error);
        setup.tell = [tell](const watch::Transition &t, const QString &, const QString &) { tell(t); };
        setup.log = std::move(log);
        setup.outbox = kept;
        auto service = std::make_unique<watch::WatchService>(std::move(setup));
        auto link = std::make_unique<Link>();
        if (link->open(recorder.portPath(), 19200, 4).isEmpty())
            service->add(std::move(link), {"COM4", 4, {21}, 60, {}});
        return service;
    };
    if (night == "a channel giving up") {
        // The mail server cannot be reached and the mail is given up (here at once, not after a day):
        // that is an alarm of its own, told on the webhook and kept for the window.
        QVERIFY2(archive::openConfiguredArchive(store, dir.path(), &error, nullptr), qPrintable(error));
        HttpListener hook({200});
        watch::NotifySettings settings{.webhook = hook.url() + "?key=secret", .smtpUrl = "smtp://127.0.0.1:1", .from = "w@e.org", .to = {"a@e.org"}};
        watch::Notifier notifier(settings, std::nullopt);
        notifier.setGiveUpAfter(0);
        watch::OutboxNotifier kept(notifier, store, {});
        const auto service = watcher([&](const watch::Transition &t) { kept.tell(t, {}, {}); }, {}, &kept);
        service->pollAll();
        QTRY_COMPARE(events(hook), QStringList({"raised", "raised"}));
        const QByteArray &last = hook.requests.last();
        const QJsonObject json = QJsonDocument::fromJson(last.mid(last.indexOf("\r\n\r\n") + 4)).object();
        QCOMPARE(QStringList({json["kind"].toString(), json["recorder"].toString()}), QStringList({"notify-failed", "mail"}));
        QVERIFY2(json["what"].toString().contains("报警 1 的通知未送达"), qPrintable(json["what"].toString()));
        QCOMPARE(outbox(), QStringList({"raised webhook 1", "raised mail 2"}));
        QTRY_COMPARE(outbox(2), QStringList{"raised webhook 1"});  // not on the channel that gave up
        const auto told = store.outbox().ofAlarm(1, &error).value_or(QList<archive::OutboxEntry>{});
        QCOMPARE(told.size() == 2 ? told[0].recipients + " " + told[1].recipients : QString(), hook.url() + " a@e.org");  // no key
        QVERIFY(std::all_of(told.begin(), told.end(), [](const archive::OutboxEntry &e) { return e.settled.isValid(); }));
        service->pollAll();
        QCOMPARE(raw("SELECT COUNT(*) FROM alarms WHERE kind = 'notify-failed' AND recorder = 'mail'"), 1);
        QCOMPARE(recorder.requests().size(), 2);
        QVERIFY(raw("SELECT COUNT(*) FROM readings") >= 20);
        return;
    }
    if (night == "full disk") {
        // The archive refuses writes (a trigger fails every insert as SQLite does on a full disk): polls
        // go on, "archive-unwritable" is told at once and logged once for many polls; once writes go in
        // again the readings and steps kept meanwhile are stored in order and the alarm clears.
        QVERIFY2(archive::openConfiguredArchive(store, dir.path(), &error, nullptr), qPrintable(error));
        for (const char *statement : {"CREATE TRIGGER full_r BEFORE INSERT ON readings BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END",
                                      "CREATE TRIGGER full_a BEFORE INSERT ON alarms BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"})
            QCOMPARE(raw(statement), 0);
        QStringList told, logged;
        const auto service = watcher([&](const watch::Transition &t) { told << watch::eventWord(t.event) + " " + watch::kindWord(t.kind); },
                                     [&](const QString &text) { logged << text; }, nullptr);
        for (int i = 0; i < 3; ++i)
            service->pollAll();
        QCOMPARE(told, QStringList({"raised archive-unwritable", "raised high"}));
        QCOMPARE(raw("SELECT COUNT(*) FROM alarms"), 0);
        QCOMPARE(logged.filter("存档无法写入").size(), 1);
        QCOMPARE(raw("DROP TRIGGER full_r") + raw("DROP TRIGGER full_a"), 0);
        service->pollAll();
        QCOMPARE(told, QStringList({"raised archive-unwritable", "raised high", "cleared archive-unwritable"}));
        QCOMPARE(logged.filter("存档又能写入了").size(), 1);
        QCOMPARE(raw("SELECT COUNT(*) FROM alarms"), 3);
        QCOMPARE(std::pair(recorder.requests().size(), raw("SELECT COUNT(DISTINCT taken) FROM readings") >= 1), std::pair(qsizetype(4), true));
        QCOMPARE(store.checks().verify(&error)->text().left(10), QString("verify: ok"));
        return;
    }
    HttpListener down({500});
    QCOMPARE(watchOnce(down), watch::Done);
    QVERIFY2(err.contains("未送达（HTTP 500）"), qPrintable(err));
    QVERIFY2(archive::openConfiguredArchive(store, dir.path(), &error, nullptr), qPrintable(error));
    QCOMPARE(outbox(), QStringList{"raised webhook 0"});
    if (night == "channel down across a restart") {
        // Its wait run out while no watcher ran: the next start sends it at once.
        QCOMPARE(raw("UPDATE outbox SET due = '2000-01-01T00:00:00Z'"), 0);
        HttpListener up({200});
        QCOMPARE(watchOnce(up), watch::Done);
        QCOMPARE(events(up), QStringList{"raised"});
        QCOMPARE(outbox(), QStringList{"raised webhook 1"});
    } else {
        HttpListener up({200});
        QCOMPARE(watch::run({"wl8806n-watch", "--appdir", dir.path(), "--ack", "1", "--by", "王工"},
                            {[](const QString &) {}, [](const QString &) {}, &recorder}), watch::Done);
        QCOMPARE(raw("UPDATE outbox SET due = '2000-01-01T00:00:00Z'"), 0);
        QCOMPARE(watchOnce(up), watch::Done);
        QCOMPARE(events(up), QStringList({"raised", "acknowledged"}));
        QCOMPARE(outbox(), QStringList({"raised webhook 1", "acknowledged webhook 1"}));
    }
    QVERIFY2(raw("SELECT COUNT(*) FROM readings") >= 20 && !err.contains("存档"), qPrintable(err));  // and the polls went on
    QCOMPARE(raw("SELECT COUNT(*) FROM alarms WHERE kind = 'notify-failed'"), 0);  // a retry gives nothing up
}

// Under systemd with a watchdog of a second, a watcher that polls every 200 s is told alive on the
// event loop's timer, not once a poll: five signs come long before the second poll.
void TestWatch::watchdogFedWhilePollsGoOn()
{
    sim::SimRecorder recorder;
    QVERIFY(recorder.start());
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("comports.map"), QStringLiteral("COM4=%1\n").arg(recorder.portPath()).toUtf8()));
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = dir.filePath("notify").toLocal8Bit();
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    qputenv("NOTIFY_SOCKET", path);
    qputenv("WATCHDOG_USEC", "1000000");
    qputenv("WATCHDOG_PID", QByteArray::number(::getpid()));
    int feeds = 0;
    QSocketNotifier said(fd, QSocketNotifier::Read);
    connect(&said, &QSocketNotifier::activated, this, [&] {
        char text[256];
        const ssize_t n = ::recv(fd, text, sizeof text, 0);
        if (n > 0 && QByteArray(text, int(n)).contains("WATCHDOG=1") && ++feeds == 5)
            ::raise(SIGTERM);
    });
    QTimer::singleShot(60000, this, [] { ::raise(SIGTERM); });  // only when the signs never come
    QString err;
    const int code = watch::run({"wl8806n-watch", "--appdir", dir.path(), "--port", "4", "--address", "21", "--poll-s", "200"},
                                {[](const QString &) {}, [&](const QString &s) { err += s; }, &recorder});
    for (const char *name : {"NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID"})
        qunsetenv(name);
    ::close(fd);
    QCOMPARE(code, watch::Done);
    QCOMPARE(feeds, 5);
    QCOMPARE(recorder.requests().size(), 1);  // one poll: the signs came between polls
}

// A poll that cannot run (the bus held for good) stops the signs once it is overdue by more than its
// period and twice the longest exchange; they come back with the polls.
void TestWatch::watchdogStarvedByAHungPoll()
{
    sim::SimRecorder recorder;
    QVERIFY(recorder.start());
    QTemporaryDir dir;
    archive::RecordStore store;
    QString error;
    QVERIFY2(archive::openConfiguredArchive(store, dir.path(), &error, nullptr), qPrintable(error));
    watch::WatchService::Setup setup;
    setup.store = &store;
    setup.tell = [](const watch::Transition &, const QString &, const QString &) {};
    setup.window = {.recordWindowMs = 20, .guardMs = 20, .connectTimeoutMs = 100};
    watch::WatchService service(std::move(setup));
    auto link = std::make_unique<Link>();
    Link &bus = *link;
    QVERIFY(link->open(recorder.portPath(), 19200, 4).isEmpty());
    service.add(std::move(link), {"COM4", 4, {21}, 1, {}});
    QSignalSpy polled(&service, &watch::WatchService::polled);
    service.start();
    QVERIFY(polled.wait(10000) && service.pollsAlive());
    auto hold = bus.tryHold(Link::Visibility::Quiet);
    QTRY_VERIFY_WITH_TIMEOUT(!service.pollsAlive(), 60000);
    hold.reset();
    QVERIFY(polled.wait(10000) && service.pollsAlive());
    service.stop();
}

QTEST_GUILESS_MAIN(TestWatch)
#include "test_watch.moc"

// The archive taken from under a running watcher: its file deleted, another file put in its place, or
// another archive's name written into it. Said at the next poll as "archive-changed", which the
// daily check keeps; what the watcher had open is kept beside it, and it goes on in what is there now.
void TestWatch::archiveReplacedUnderIt_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("said");
    QTest::newRow("deleted") << "deleted" << "archive.db 被删除了；值守程序写着的存档已存为";
    QTest::newRow("another file put in its place") << "renamed" << "archive.db 被换成了另一个文件；值守程序写着的存档已存为";
    QTest::newRow("another archive's name") << "id" << "不再是值守程序一直写着的那个";
}

void TestWatch::archiveReplacedUnderIt()
{
    QFETCH(QString, how);
    QFETCH(QString, said);
    sim::SimRecorder recorder;
    QVERIFY(recorder.start());
    QTemporaryDir dir;
    const QString path = dir.filePath("archive.db"), other = dir.filePath("other.db");
    archive::RecordStore store;
    QString error;
    QVERIFY(store.open({archive::ArchiveConfig::Sqlite, path}, &error) && archive::RecordStore().open({archive::ArchiveConfig::Sqlite, other}, &error));
    QList<watch::Transition> told;
    watch::WatchService::Setup setup;
    setup.store = &store;
    setup.archive = {archive::ArchiveConfig::Sqlite, path};
    setup.tell = [&](const watch::Transition &t, const QString &, const QString &) { told << t; };
    watch::WatchService running(std::move(setup));
    auto link = std::make_unique<Link>();
    QVERIFY(link->open(recorder.portPath(), 19200, 4).isEmpty());
    running.add(std::move(link), {"COM4", 4, {21}, 60, {}});
    running.pollAll();
    QVERIFY(told.isEmpty());
    if (how == "deleted")
        QVERIFY(QFile::remove(path));
    else if (how == "renamed")
        QVERIFY(::rename(qPrintable(other), qPrintable(path)) == 0);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "rename");
        db.setDatabaseName(path);
        QVERIFY(how != "id" || (db.open() && QSqlQuery(db).exec("DROP TRIGGER archive_identity_no_update")
                                && QSqlQuery(db).exec("UPDATE archive_identity SET id = 'another'")));
    }
    QSqlDatabase::removeDatabase("rename");
    running.pollAll();
    running.checkArchive();
    running.pollAll();
    QCOMPARE(told.size(), 1);
    QCOMPARE(std::pair(told[0].event, told[0].kind), std::pair(watch::AlarmEvent::Raised, watch::AlarmKind::ArchiveChanged));
    QVERIFY2(told[0].note.contains(said), qPrintable(told[0].note));
    // The rescued copy holds the readings of the first polls; the archive at the path those of the last.
    const QStringList copies = QDir(dir.path()).entryList({"archive-rescued-*.db"});
    QCOMPARE(copies.size(), how == "id" ? 0 : 1);
    for (const QString &file : copies + QStringList{"archive.db"}) {
        archive::RecordStore kept;
        QVERIFY2(kept.open({archive::ArchiveConfig::Sqlite, dir.filePath(file)}, &error), qPrintable(error));
        const auto readings = kept.readings().of("COM4-21", QDateTime(QDate(2000, 1, 1), QTime()), QDateTime(QDate(2099, 1, 1), QTime()), &error);
        QVERIFY2(readings && readings->size() >= 1, qPrintable(file + error));
    }
}
