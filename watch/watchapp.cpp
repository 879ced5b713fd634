#include "watch/watchapp.h"
#include "core/archive/recordstore.h"
#include "core/process/interrupt.h"
#include "core/settings/appdir.h"
#include "core/settings/archivesettings.h"
#include "core/settings/comports.h"
#include "core/settings/language.h"
#include "core/watch/message.h"
#include "core/watch/notifier.h"
#include "core/watch/outboxnotifier.h"
#include "core/watch/notifysettings.h"
#include "core/settings/settingsaudit.h"
#include "core/settings/settingsfiles.h"
#include "core/watch/acknowledge.h"
#include "core/site/parse.h"
#include "core/site/demo.h"
#include "core/site/site.h"
#include "watch/watchservice.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QHostInfo>
#include <QTimer>
#include <systemd/sd-daemon.h>

namespace watch {
namespace {

// A step as the journal and --ack say it: its id and what its mail's subject says, in the program's
// language (the mails' own may differ: notify.set chooses theirs).
QString stepLine(const Transition &t, const sensors::SensorTable &sensors, int noAnswerPolls)
{
    const QString name = t.sensor ? sensors.displayName(t.recorder, t.sensor) : QString();
    return QStringLiteral("报警 %1：%2").arg(t.id).arg(mailText(t, name, sensors.sensor(t.recorder, t.sensor).unit, false, noAnswerPolls).subject);
}

// --ack: the acknowledgement goes into the archive; the watcher, running or started later, picks it up.
int acknowledge(archive::RecordStore &store, qint64 id, const QString &by, const QString &note, const site::Site &site,
                const QString &dir, const Io &io)
{
    QString error;
    bool refused = false;
    const auto step = acknowledgeInArchive(store, id, by, note, QDateTime::currentDateTimeUtc(), &error, &refused);
    if (!step) {
        io.err(refused ? QStringLiteral("wl8806n-watch: --ack %1：%2\n").arg(id).arg(error)
                       : QStringLiteral("wl8806n-watch: %1\n").arg(error));
        return refused ? Refused : Unusable;
    }
    QString problem;
    io.out(stepLine(*step, site.sensors, loadAlarmSettings(dir, &problem).commLostPolls) + QLatin1Char('\n'));
    return Done;
}

// The command line: its options, parsed.
struct Arguments {
    QCommandLineParser p;
    const QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("显示帮助。")};
    const QCommandLineOption appDir{QStringLiteral("appdir"), QStringLiteral("应用文件夹（watch.set、alarms.set、notify.set、存档）。"), QStringLiteral("dir")};
    const QCommandLineOption port{QStringLiteral("port"), QStringLiteral("只监视这个端口：COM 编号、设备路径或线路的 URL（代替 watch.set 的线路）。"), QStringLiteral("port")};
    const QCommandLineOption address{QStringLiteral("address"), QStringLiteral("设备地址，如 21,22 或 1-4（代替 watch.set 中的）。"), QStringLiteral("list")};
    const QCommandLineOption pollS{QStringLiteral("poll-s"), QStringLiteral("两次读取相隔的秒数（代替 watch.set 中的）。"), QStringLiteral("s")};
    const QCommandLineOption baud{QStringLiteral("baud"), QStringLiteral("波特率。默认：comm.set 中的波特率。"), QStringLiteral("rate")};
    const QCommandLineOption once{QStringLiteral("once"), QStringLiteral("每条线路读取一次后退出。")};
    const QCommandLineOption recordsNow{QStringLiteral("records-now"), QStringLiteral("开始时先下载每台记录仪的新记录（如同 records-at 的时间到了）。")};
    const QCommandLineOption demo{QStringLiteral("demo"), QStringLiteral("第一条线路连接内置的模拟记录仪。")};
    const QCommandLineOption ack{QStringLiteral("ack"), QStringLiteral("确认编号为 ID 的报警（须给出 --by）。"), QStringLiteral("ID")};
    const QCommandLineOption by{QStringLiteral("by"), QStringLiteral("确认人。"), QStringLiteral("name")};
    const QCommandLineOption ackNote{QStringLiteral("note"), QStringLiteral("确认的说明。"), QStringLiteral("text")};

    Arguments()
    {
        p.setApplicationDescription(QStringLiteral("WL8806N 无人值守监视：定时读取实时值，存档，超限报警并通知。"));
        p.addOptions({help, appDir, port, address, pollS, baud, once, recordsNow, demo, ack, by, ackNote});
    }
};

int usage(const Io &io, const QString &text)
{
    io.err(QStringLiteral("wl8806n-watch: %1（用法见 --help）\n").arg(text));
    return Usage;
}

// What to watch: watch.set, with --port, --address, --poll-s and --baud over it. Nothing: a usage
// error was said.
std::optional<WatchSettings> watchSettings(const Arguments &a, const QString &dir, const Io &io)
{
    const QCommandLineParser &p = a.p;
    QString problem;
    WatchSettings settings = loadWatchSettings(dir, &problem);
    if (!problem.isEmpty())
        io.err(problem + QLatin1Char('\n'));
    // The words of a line, its devices and its rate are the collector's too (core/site/parse.h).
    QString why;
    const auto refused = [&](const QString &text) {
        usage(io, text);
        return std::nullopt;
    };
    if (p.isSet(a.port)) {
        const auto line = site::parsePort(p.value(a.port), &why);
        if (!line)
            return refused(QStringLiteral("--port：") + why);
        settings.lines = {watchedLine(*line)};
    }
    const auto addresses = p.isSet(a.address) ? site::parseAddresses(p.value(a.address), &why) : std::nullopt;
    if (p.isSet(a.address) && !addresses)
        return refused(QStringLiteral("--address：") + why);
    const auto rate = p.isSet(a.baud) ? site::parseBaud(p.value(a.baud), &why) : std::nullopt;
    if (p.isSet(a.baud) && !rate)
        return refused(QStringLiteral("--baud：") + why);
    for (WatchedLine &line : settings.lines) {
        if (addresses)
            line.addresses = *addresses;
        if (p.isSet(a.pollS)) {
            bool ok = false;
            line.pollS = p.value(a.pollS).toInt(&ok);
            if (!ok || line.pollS < 1 || line.pollS > 86400)
                return refused(QStringLiteral("--poll-s 是 1 到 86400 秒"));
        }
        if (rate)
            line.baud = rate;
    }
    if (settings.lines.isEmpty() || settings.lines.first().addresses.isEmpty())
        return refused(QStringLiteral("没有要监视的线路：请写 watch.set，或给出 --port 和 --address"));
    return settings;
}

// The service's archive, site and alarm rules; the problems of the site's files and alarms.set said,
// and a changed alarms.set in the audit trail, old and new.
WatchService::Setup serviceSetup(const QString &dir, const site::Site &site, archive::RecordStore &store,
                                 const archive::ArchiveConfig &archiveConfig, const Io &io)
{
    WatchService::Setup setup;
    setup.appDir = dir;
    setup.host = QHostInfo::localHostName();
    setup.store = &store;
    setup.archive = archiveConfig;
    setup.window = site.replyWindow.value;
    setup.sensors = site.sensors;
    setup.names = site.names;
    QStringList problems = site.portProblems + site.nameProblems + QStringList{site.sensorProblem};
    QString problem;
    setup.alarms = loadAlarmSettings(dir, &problem);
    if (QString auditError; !store.audit().change(QLatin1String(archive::kinds::AlarmSettings), settingsLine(setup.alarms), &auditError))
        problems << QStringLiteral("审计记录未能写入存档：%1").arg(auditError);
    for (const QString &text : problems + QStringList{problem})
        if (!text.isEmpty())
            io.err(text + QLatin1Char('\n'));
    setup.log = [&io](const QString &text) { io.err(text + QLatin1Char('\n')); };
    return setup;
}

// The telling of each step: on standard error, and to every channel of notify.set, in the window's
// language unless it names one. --once waits for each channel's first outcome before it ends.
struct Telling {
    std::unique_ptr<Notifier> notifier;
    std::unique_ptr<OutboxNotifier> outbox;  // every notification kept in the archive until delivered
    std::unique_ptr<SmsReplies> replies;     // for the service, which takes it
    int channels = 0;
    int outcomesDue = 0;  // one a channel for each step sent, until it is delivered or first fails
    QEventLoop told;

    // The notifier goes first: what it still holds is said while the rest is here to say it.
    ~Telling()
    {
        outbox.reset();
        notifier.reset();
    }

    void setUp(const QString &dir, WatchService::Setup &setup, archive::RecordStore &store, const Io &io)
    {
        QString problem;
        NotifySettings notify = loadNotifySettings(dir, &problem);
        if (notify.language.isEmpty())
            notify.language = language::choose({}, language::readSaved(dir, &problem), QString()).language == language::Language::English
                                  ? QStringLiteral("en") : QStringLiteral("zh");
        notify.noAnswerPolls = setup.alarms.commLostPolls;
        std::optional<QString> password;
        if (!notify.passwordFile.isEmpty())
            password = readPassword(notify.passwordFile, &problem);
        if (!problem.isEmpty())
            io.err(problem + QLatin1Char('\n'));
        channels = int(notify.hasWebhook()) + int(notify.hasMail()) + int(notify.hasSms());
        if (notify.hasSms()) {
            QString why;
            if (auto config = readSmsdConfig(notify.smsdrc, &why))
                replies = std::make_unique<SmsReplies>(std::move(*config), notify.smsTo, setup.log);
            else
                io.err(QStringLiteral("wl8806n-watch: 短信：%1\n").arg(why));
        }
        if (channels > 0) {
            notifier = std::make_unique<Notifier>(notify, password);
            outbox = std::make_unique<OutboxNotifier>(*notifier, store, setup.log);
            setup.outbox = outbox.get();
            QObject::connect(notifier.get(), &Notifier::delivery, [this, &io](const QString &channel, qint64 id, bool, const QString &detail) {
                if (--outcomesDue <= 0)
                    told.quit();
                io.err(QStringLiteral("通知 %1 报警 %2：%3\n").arg(channel).arg(id).arg(detail));
            });
        }
        setup.tell = [this, &io, sensors = setup.sensors, polls = setup.alarms.commLostPolls](const Transition &t, const QString &name,
                                                                                            const QString &unit) {
            io.err(stepLine(t, sensors, polls) + QLatin1Char('\n'));
            if (outbox)
                outcomesDue += outbox->tell(t, name, unit);
        };
    }

    // What an earlier run left waiting goes out first.
    void resume(const Io &io)
    {
        QString error;
        const auto resumed = outbox ? outbox->resume(&error) : std::optional<int>(0);
        if (!resumed)
            io.err(QStringLiteral("wl8806n-watch: 存档中等待发送的通知读不出：%1\n").arg(error));
        outcomesDue += resumed.value_or(0);
    }
};

// The siren's relay: on a watched line its link (with --demo the simulated recorder's bus holds a relay
// there), otherwise a link of its own.
bool openSiren(WatchService &service, const WatchSettings &settings, const site::Site &site, const ComPorts &ports,
               const Io &io)
{
    if (!settings.siren)
        return true;
    const SirenSettings &siren = *settings.siren;
    if (std::any_of(settings.lines.cbegin(), settings.lines.cend(), [&](const WatchedLine &l) { return l.port == siren.port; })) {
        service.addSiren(siren);
        return true;
    }
    auto link = std::make_unique<Link>();
    if (io.peer)
        link->setPeerWitness(io.peer);
    const QString device = siren.com ? ports.device(siren.com) : siren.port;
    if (const QString why = site::openLink(*link, site, device, site.comm.value.baudRate, siren.com); !why.isEmpty()) {
        io.err(QStringLiteral("wl8806n-watch: 声光报警器 %1：%2\n").arg(siren.port, why));
        return false;
    }
    service.addSiren(siren, std::move(link));
    return true;
}

// Every line opened (the first one on the simulated recorder with --demo) and given to the service.
// False: a line could not be opened, and that was said.
bool openLines(WatchService &service, const WatchSettings &settings, const site::Site &site, const site::DemoRecorder *simulator,
               const Io &io)
{
    ComPorts ports = site.ports;
    if (simulator)
        ports.setOverride(settings.lines.first().com, simulator->portPath());
    for (const WatchedLine &line : settings.lines) {
        auto link = std::make_unique<Link>();
        if (simulator)
            link->setPeerWitness(simulator->witness());
        else if (io.peer)
            link->setPeerWitness(io.peer);
        const QString device = line.com ? ports.device(line.com) : line.port;
        // Every line with replywin.set's echo, guard and connect timeout, as the window's and the collector's.
        if (const QString why = site::openLink(*link, site, device, line.baud.value_or(site.comm.value.baudRate), line.com); !why.isEmpty()) {
            io.err(QStringLiteral("wl8806n-watch: %1：%2\n").arg(line.port, why));
            return false;
        }
        QStringList addresses;
        for (uint8_t x : line.addresses)
            addresses << QString::number(x);
        io.err(QStringLiteral("监视 %1（%2）：设备 %3，每 %4 秒\n").arg(line.port, device).arg(addresses.join(QLatin1Char(','))).arg(line.pollS));
        service.add(std::move(link), line);
    }
    return openSiren(service, settings, site, ports, io);
}

// Runs until a signal ends it. Under systemd (Type=notify): ready once every line is open, and a sign
// of life for the watchdog twice in each of its periods while the polls go on, so a watcher that hangs
// is restarted and one with a long poll period is not.
constexpr int UpsPeriodMs = 10'000;  // as often as NUT's upsmon looks at a UPS (POLLFREQ 5 … 10 s)

int serve(WatchService &service, const WatchSettings &settings)
{
    service.start();
    service.checkArchiveDaily();
    if (settings.recordsAt)
        service.downloadDaily(*settings.recordsAt);
    QEventLoop loop;
    process::Interrupt interrupt([&] {
        service.stop();
        loop.quit();
    });
    uint64_t watchdogUs = 0;
    QTimer feed;
    if (sd_watchdog_enabled(0, &watchdogUs) > 0) {
        QObject::connect(&feed, &QTimer::timeout, &service, [&service] {
            if (service.pollsAlive())
                sd_notify(0, "WATCHDOG=1");
        });
        feed.start(int(std::clamp<uint64_t>(watchdogUs / 2000, 1, 24 * 3600 * 1000)));
    }
    sd_notify(0, "READY=1");
    loop.exec();
    sd_notify(0, "STOPPING=1");
    return Done;
}

// --demo: a few hundred records a minute apart up to now in every recorder of the first line, as the
// window's demo.
bool startDemo(site::DemoRecorder *demo, const WatchSettings &settings, QString *error)
{
    *error = QStringLiteral("没有内置的模拟记录仪");
    site::DemoAsk ask;
    ask.addresses = settings.lines.first().addresses;
    if (settings.siren && settings.siren->port == settings.lines.first().port)
        ask.relays.append(settings.siren->address);
    return demo && demo->start(ask, error);
}
} // namespace

int run(const QStringList &arguments, const Io &io)
{
    Arguments a;
    const QCommandLineParser &p = a.p;
    if (!a.p.parse(arguments)) {
        io.err(QStringLiteral("wl8806n-watch: %1\n").arg(p.errorText()));
        return Usage;
    }
    if (p.isSet(a.help)) {
        io.out(p.helpText());
        return Done;
    }
    const QString dir = resolveAppDir(p.value(a.appDir), QCoreApplication::applicationDirPath());
    const site::Site site = site::loadSite(dir);
    archive::RecordStore store;
    archive::ArchiveConfig archiveConfig;
    store.setProgram(archive::Program::Watcher);
    QString error, note;
    const auto openArchive = [&] {
        if (site::openArchive(store, site, &error, &note, &archiveConfig))
            return true;
        io.err(QStringLiteral("wl8806n-watch: 存档无法使用：%1\n").arg(error));
        return false;
    };
    if (p.isSet(a.ack)) {
        bool ok = false;
        const qint64 id = p.value(a.ack).toLongLong(&ok);
        if (!ok || id < 1 || p.value(a.by).trimmed().isEmpty())
            return usage(io, QStringLiteral("--ack 要一个报警编号，并用 --by 给出确认人"));
        return openArchive() ? acknowledge(store, id, p.value(a.by).trimmed(), p.value(a.ackNote), site, dir, io) : Unusable;
    }
    const auto settings = watchSettings(a, dir, io);
    if (!settings)
        return Usage;
    if (!openArchive())
        return Unusable;
    for (const QString &problem : settings::auditSettingsFiles(store.audit(), dir))
        io.err(problem + QLatin1Char('\n'));
    store.limitCache(512);  // runs for months: a small cache, its memory flat
    if (!note.isEmpty())
        io.err(note + QLatin1Char('\n'));
    WatchService::Setup setup = serviceSetup(dir, site, store, archiveConfig, io);
    Telling telling;
    telling.setUp(dir, setup, store, io);
    telling.resume(io);
    WatchService service(std::move(setup));
    if (!service.restore(&error)) {
        io.err(QStringLiteral("wl8806n-watch: 存档中的报警读不出：%1\n").arg(error));
        return Unusable;
    }
    if (p.isSet(a.demo) && !startDemo(io.demo, *settings, &error))
        return usage(io, QStringLiteral("模拟记录仪无法启动：") + error);
    if (!openLines(service, *settings, site, p.isSet(a.demo) ? io.demo : nullptr, io))
        return Unusable;
    if (telling.replies)
        service.takeReplies(std::move(telling.replies));
    if (settings->ups)
        service.watchUps(*settings->ups, UpsPeriodMs);
    if (p.isSet(a.recordsNow))
        service.downloadRecords();
    if (!p.isSet(a.once))
        return serve(service, *settings);
    service.pollAll();
    // What the poll raised is told before the end: each channel's first outcome is waited for
    // (a server that does not answer ends in the channel's time-out).
    if (telling.outcomesDue > 0)
        telling.told.exec();
    return Done;
}

} // namespace watch
