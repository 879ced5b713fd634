#include "watch/watchapp.h"
#include "core/archive/recordstore.h"
#include "core/process/interrupt.h"
#include "core/settings/appdir.h"
#include "core/settings/archivesettings.h"
#include "core/settings/comports.h"
#include "core/settings/language.h"
#include "core/watch/notifier.h"
#include "core/watch/notifysettings.h"
#include "core/settings/settingsfiles.h"
#include "core/watch/acknowledge.h"
#include "core/site/parse.h"
#include "core/site/site.h"
#include "sim/simrecorder.h"
#include "watch/watchservice.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QHostInfo>
#include <systemd/sd-daemon.h>

namespace watch {
namespace {

QString stepLine(const Transition &t, const QString &name)
{
    QString line = QStringLiteral("报警 %1 %2 %3 %4").arg(t.id).arg(eventWord(t.event), kindWord(t.kind), t.recorder);
    if (t.sensor)
        line += QStringLiteral(" %1").arg(name.isEmpty() ? QStringLiteral("%1#传感器").arg(t.sensor) : name);
    if (t.value)
        line += QStringLiteral(" %1").arg(*t.value / 10.0, 0, 'f', 1);
    if (t.limit)
        line += QStringLiteral("（限值 %1）").arg(*t.limit / 10.0, 0, 'f', 1);
    if (!t.by.isEmpty())
        line += QStringLiteral(" 由 %1 确认%2").arg(t.by, t.note.isEmpty() ? QString() : QStringLiteral("：") + t.note);
    return line;
}

// --ack: the acknowledgement goes into the archive; the watcher, running or started later, picks it up.
int acknowledge(archive::RecordStore &store, qint64 id, const QString &by, const QString &note, const Io &io)
{
    QString error;
    bool refused = false;
    const auto step = acknowledgeInArchive(store, id, by, note, QDateTime::currentDateTimeUtc(), &error, &refused);
    if (!step) {
        io.err(refused ? QStringLiteral("wl8806n-watch: --ack %1：%2\n").arg(id).arg(error)
                       : QStringLiteral("wl8806n-watch: %1\n").arg(error));
        return refused ? Refused : Unusable;
    }
    io.out(stepLine(*step, {}) + QLatin1Char('\n'));
    return Done;
}
} // namespace

int run(const QStringList &arguments, const Io &io)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("WL8806N 无人值守监视：定时读取实时值，存档，超限报警并通知。"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("显示帮助。"));
    const QCommandLineOption appDir(QStringLiteral("appdir"), QStringLiteral("应用文件夹（watch.set、alarms.set、notify.set、存档）。"), QStringLiteral("dir"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("只监视这个端口：COM 编号、设备路径或线路的 URL（代替 watch.set 的线路）。"), QStringLiteral("port"));
    const QCommandLineOption address(QStringLiteral("address"), QStringLiteral("设备地址，如 21,22 或 1-4（代替 watch.set 中的）。"), QStringLiteral("list"));
    const QCommandLineOption pollS(QStringLiteral("poll-s"), QStringLiteral("两次读取相隔的秒数（代替 watch.set 中的）。"), QStringLiteral("s"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("波特率。默认：comm.set 中的波特率。"), QStringLiteral("rate"));
    const QCommandLineOption once(QStringLiteral("once"), QStringLiteral("每条线路读取一次后退出。"));
    const QCommandLineOption recordsNow(QStringLiteral("records-now"), QStringLiteral("开始时先下载每台记录仪的新记录（如同 records-at 的时间到了）。"));
    const QCommandLineOption demo(QStringLiteral("demo"), QStringLiteral("第一条线路连接内置的模拟记录仪。"));
    const QCommandLineOption ack(QStringLiteral("ack"), QStringLiteral("确认编号为 ID 的报警（须给出 --by）。"), QStringLiteral("ID"));
    const QCommandLineOption by(QStringLiteral("by"), QStringLiteral("确认人。"), QStringLiteral("name"));
    const QCommandLineOption ackNote(QStringLiteral("note"), QStringLiteral("确认的说明。"), QStringLiteral("text"));
    p.addOptions({help, appDir, port, address, pollS, baud, once, recordsNow, demo, ack, by, ackNote});
    if (!p.parse(arguments)) {
        io.err(QStringLiteral("wl8806n-watch: %1\n").arg(p.errorText()));
        return Usage;
    }
    if (p.isSet(help)) {
        io.out(p.helpText());
        return Done;
    }
    const auto usage = [&](const QString &text) {
        io.err(QStringLiteral("wl8806n-watch: %1（用法见 --help）\n").arg(text));
        return Usage;
    };
    const QString dir = resolveAppDir(p.value(appDir), QCoreApplication::applicationDirPath());
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
    if (p.isSet(ack)) {
        bool ok = false;
        const qint64 id = p.value(ack).toLongLong(&ok);
        if (!ok || id < 1 || p.value(by).trimmed().isEmpty())
            return usage(QStringLiteral("--ack 要一个报警编号，并用 --by 给出确认人"));
        return openArchive() ? acknowledge(store, id, p.value(by).trimmed(), p.value(ackNote), io) : Unusable;
    }

    // What to watch: watch.set, with --port, --address, --poll-s and --baud over it.
    QString problem;
    WatchSettings settings = loadWatchSettings(dir, &problem);
    if (!problem.isEmpty())
        io.err(problem + QLatin1Char('\n'));
    // The words of a line, its devices and its rate are the collector's too (core/site/parse.h).
    QString why;
    if (p.isSet(port)) {
        const auto line = site::parsePort(p.value(port), &why);
        if (!line)
            return usage(QStringLiteral("--port：") + why);
        settings.lines = {watchedLine(*line)};
    }
    const auto addresses = p.isSet(address) ? site::parseAddresses(p.value(address), &why) : std::nullopt;
    if (p.isSet(address) && !addresses)
        return usage(QStringLiteral("--address：") + why);
    const auto rate = p.isSet(baud) ? site::parseBaud(p.value(baud), &why) : std::nullopt;
    if (p.isSet(baud) && !rate)
        return usage(QStringLiteral("--baud：") + why);
    for (WatchedLine &line : settings.lines) {
        if (addresses)
            line.addresses = *addresses;
        if (p.isSet(pollS)) {
            bool ok = false;
            line.pollS = p.value(pollS).toInt(&ok);
            if (!ok || line.pollS < 1 || line.pollS > 86400)
                return usage(QStringLiteral("--poll-s 是 1 到 86400 秒"));
        }
        if (rate)
            line.baud = rate;
    }
    if (settings.lines.isEmpty() || settings.lines.first().addresses.isEmpty())
        return usage(QStringLiteral("没有要监视的线路：请写 watch.set，或给出 --port 和 --address"));

    if (!openArchive())
        return Unusable;
    store.limitCache(512);  // runs for months: a small cache, its memory flat
    if (!note.isEmpty())
        io.err(note + QLatin1Char('\n'));
    WatchService::Setup setup;
    setup.appDir = dir;
    setup.host = QHostInfo::localHostName();
    setup.store = &store;
    setup.archive = archiveConfig;
    setup.sensors = site.sensors;
    setup.names = site.names;
    QStringList problems = site.portProblems + site.nameProblems + QStringList{site.sensorProblem};
    problem.clear();
    setup.alarms = loadAlarmSettings(dir, &problem);
    // Settings changed since the watcher last ran are in the audit trail, old and new.
    if (QString auditError; !store.auditChange(QLatin1String(archive::kinds::AlarmSettings), settingsLine(setup.alarms), &auditError))
        problems << QStringLiteral("审计记录未能写入存档：%1").arg(auditError);
    for (const QString &text : problems + QStringList{problem})
        if (!text.isEmpty())
            io.err(text + QLatin1Char('\n'));
    setup.log = [&io](const QString &text) { io.err(text + QLatin1Char('\n')); };

    // Each step goes to every channel of notify.set, in the window's language unless it names one.
    problem.clear();
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
    std::unique_ptr<Notifier> notifier;
    const int channels = int(notify.hasWebhook()) + int(notify.hasMail());
    int outcomesDue = 0;  // one a channel for each step sent, until it is delivered or first fails
    QEventLoop told;
    if (channels > 0) {
        notifier = std::make_unique<Notifier>(notify, password);
        QObject::connect(notifier.get(), &Notifier::delivery, [&](const QString &channel, qint64 id, bool ok, const QString &detail) {
            if (--outcomesDue <= 0)
                told.quit();
            io.err(QStringLiteral("通知 %1 报警 %2：%3%4\n").arg(channel).arg(id)
                       .arg(ok ? QStringLiteral("已送达") : QStringLiteral("未送达"), detail.isEmpty() ? QString() : QStringLiteral("（%1）").arg(detail)));
        });
    }
    setup.tell = [&io, &notifier, &outcomesDue, channels](const Transition &t, const QString &name, const QString &unit) {
        io.err(stepLine(t, name) + QLatin1Char('\n'));
        if (notifier)
            notifier->send(t, name, unit);
        outcomesDue += channels;
    };
    WatchService service(std::move(setup));
    if (!service.restore(&error)) {
        io.err(QStringLiteral("wl8806n-watch: 存档中的报警读不出：%1\n").arg(error));
        return Unusable;
    }

    const auto comm = site.comm.value;
    ComPorts ports = site.ports;
    sim::SimRecorder simulator;
    if (p.isSet(demo)) {
        if (!simulator.start(&error))
            return usage(QStringLiteral("模拟记录仪无法启动：") + error);
        // As the window's demo: a few hundred records a minute apart up to now in every recorder.
        for (uint8_t a : settings.lines.first().addresses) {
            simulator.addDevice(a);
            simulator.setRecords(sim::SimRecorder::demoRecords(300, QDateTime::currentDateTime().addSecs(-300 * 60)), a);
        }
        ports.setOverride(settings.lines.first().com, simulator.portPath());
    }
    for (const WatchedLine &line : settings.lines) {
        auto link = std::make_unique<Link>();
        if (p.isSet(demo))
            link->setPeerWitness(&simulator);
        else if (io.peer)
            link->setPeerWitness(io.peer);
        const QString device = line.com ? ports.device(line.com) : line.port;
        // Every line with replywin.set's echo, guard and connect timeout, as the window's and the collector's.
        if (const QString why = site::openLink(*link, site, device, line.baud.value_or(comm.baudRate), line.com); !why.isEmpty()) {
            io.err(QStringLiteral("wl8806n-watch: %1：%2\n").arg(line.port, why));
            return Unusable;
        }
        io.err(QStringLiteral("监视 %1（%2）：设备 %3，每 %4 秒\n").arg(line.port, device)
                   .arg([&] { QStringList a; for (uint8_t x : line.addresses) a << QString::number(x); return a.join(QLatin1Char(',')); }())
                   .arg(line.pollS));
        service.add(std::move(link), line);
    }
    const auto replyWindow = site.replyWindow.value;
    if (p.isSet(recordsNow))
        service.downloadRecords(replyWindow);
    if (p.isSet(once)) {
        service.pollAll();
        // What the poll raised is told before the end: each channel's first outcome is waited for
        // (a server that does not answer ends in the channel's time-out).
        if (outcomesDue > 0)
            told.exec();
        return Done;
    }
    service.start();
    service.checkArchiveDaily();
    if (settings.recordsAt)
        service.downloadDaily(*settings.recordsAt, replyWindow);

    // Under systemd (Type=notify): ready once every line is open, and a sign of life after each poll
    // for the watchdog, so a watcher that hangs is restarted.
    QEventLoop loop;
    process::Interrupt interrupt([&] {
        service.stop();
        loop.quit();
    });
    uint64_t watchdogUs = 0;
    const bool watchdog = sd_watchdog_enabled(0, &watchdogUs) > 0;
    QObject::connect(&service, &WatchService::polled, &service, [watchdog] {
        if (watchdog)
            sd_notify(0, "WATCHDOG=1");
    });
    sd_notify(0, "READY=1");
    loop.exec();
    sd_notify(0, "STOPPING=1");
    return Done;
}

} // namespace watch
