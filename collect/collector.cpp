#include "collect/collector.h"
#include "collect/devicerun.h"
#include "collect/liverun.h"
#include "collect/options.h"
#include "collect/outputs.h"
#include "collect/seriallock.h"
#include "core/process/interrupt.h"
#include "core/link/serialdevice.h"
#include "core/records/downloadreport.h"
#include "core/records/recorddecode.h"
#include "core/settings/appdir.h"
#include "core/settings/archivesettings.h"
#include "core/archive/backup.h"
#include "core/settings/comports.h"
#include "core/settings/language.h"
#include "core/settings/recorders.h"
#include "core/archive/writeaudit.h"
#include "core/settings/settingsfiles.h"
#include "core/site/site.h"
#include "sim/simrecorder.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <unistd.h>

namespace collect {

namespace {

constexpr int DemoRecords = 300;

Exit deviceExit(const DeviceResult &d)
{
    if (d.archiveFailed)
        return Unusable;
    if (d.complete() && !d.interrupted)
        return Complete;
    return d.usable || d.interrupted ? Missing : Unusable;
}

QString statusName(int code)
{
    return code == Complete ? QStringLiteral("complete") : code == Missing ? QStringLiteral("missing")
         : code == OutOfRange ? QStringLiteral("out-of-range") : QStringLiteral("unusable");
}

// At most this many values out of range are listed a device; the count says how many there were.
constexpr int MaxListed = 1000;

QJsonArray numbers(const QList<int> &list)
{
    QJsonArray a;
    for (int k : list)
        a.append(k);
    return a;
}

QJsonObject deviceJson(const DeviceResult &d, const sensors::SensorTable &table)
{
    QJsonObject o{{"address", d.address}, {"recorder", d.recorder}, {"count", d.usable ? QJsonValue(d.count) : QJsonValue()},
                  {"read", d.read}, {"added", d.added ? QJsonValue(*d.added) : QJsonValue()},
                  {"firstRead", d.firstRead}, {"missing", numbers(d.missing)}, {"notRecords", numbers(d.notRecords)},
                  {"problems", QJsonArray::fromStringList(d.problems)}, {"interrupted", d.interrupted},
                  {"status", statusName(deviceExit(d))}};
    for (const auto &[key, map] : {std::pair{"files", &d.files}, std::pair{"filesFailed", &d.filesFailed}}) {
        QJsonObject files;
        for (auto it = map->begin(); it != map->end(); ++it)
            files.insert(it.key(), it.value());
        o.insert(key, files);
    }
    // The sensors named or bounded, and the values read outside their limits.
    QJsonArray named;
    const QMap<int, sensors::Sensor> of = table.of(d.recorder);
    for (auto it = of.cbegin(); it != of.cend(); ++it) {
        QJsonObject s{{"sensor", it.key()}, {"name", table.displayName(d.recorder, it.key())}, {"unit", it->unit}};
        s.insert("low", it->low ? QJsonValue(*it->low / 10.0) : QJsonValue());
        s.insert("high", it->high ? QJsonValue(*it->high / 10.0) : QJsonValue());
        named.append(s);
    }
    o.insert("sensors", named);
    QJsonArray outside;
    for (const DeviceResult::OutOfRange &v : d.outOfRange.mid(0, MaxListed))
        outside.append(QJsonObject{{"record", v.record}, {"time", v.time}, {"sensor", v.sensor},
                                   {"name", table.displayName(d.recorder, v.sensor)}, {"value", v.tenths / 10.0}});
    o.insert("outOfRange", outside);
    o.insert("outOfRangeCount", int(d.outOfRange.size()));
    if (d.cleared)
        o.insert("cleared", *d.cleared);
    if (d.clockSet)
        o.insert("clockSet", *d.clockSet);
    return o;
}

// One line a device for standard error.
QString deviceLine(const DeviceResult &d)
{
    QString line = QStringLiteral("设备 %1（%2）：").arg(d.address).arg(d.recorder);
    if (d.usable) {
        line += QStringLiteral("条数 %1，读出 %2 条").arg(d.count).arg(d.read);
        if (d.added)
            line += QStringLiteral("，存档新增 %1 条").arg(*d.added);
        if (!d.missing.isEmpty())
            line += QStringLiteral("，未读出第 %1 条").arg(records::numberRanges(d.missing));
        if (!d.notRecords.isEmpty())
            line += QStringLiteral("，第 %1 条不是记录").arg(records::numberRanges(d.notRecords));
        if (d.cleared && *d.cleared)
            line += QStringLiteral("，条数已清零");
        if (d.clockSet && *d.clockSet)
            line += QStringLiteral("，时钟已设置");
    }
    QStringList notes = d.problems;
    if (d.partialFiles && !d.files.isEmpty())
        notes << QStringLiteral("记录不全，文件写在 %1（要求的文件名下的文件没有改动）").arg(d.files.values().join(QStringLiteral("、")));
    if (d.interrupted)
        notes << QStringLiteral("已中断");
    return line + (d.usable && !notes.isEmpty() ? QStringLiteral("；") : QString()) + notes.join(QStringLiteral("；"));
}

// --report: the recorder's period from the archive into its PDF, after its download. The path goes into
// the device's files, or what went wrong into its problems.
void reportDevice(const Options &o, const Io &io, const archive::RecordStore *store, const sensors::SensorTable &limits,
                  const QString &appDir, const QString &port, const QString &path, DeviceResult &res)
{
    QString why;
    const QDateTime now = QDateTime::currentDateTime();
    const auto period = report::parsePeriod(o.report, now, &why);  // it passed with the options
    if (!io.report) {
        why = QStringLiteral("这个程序不能制作报告");
    } else if (!store) {
        why = QStringLiteral("存档无法使用");
    } else if (period) {
        const auto language = language::choose({}, language::readSaved(appDir, nullptr), QLocale::system().name()).language;
        const report::Request request{res.recorder, res.address, port, period->from, period->to, o.mktDhR, now,
                                      report::osUser(), QStringLiteral(WL_VERSION), language};
        if (io.report(*store, limits, request, path, &why)) {
            res.files.insert(QStringLiteral("pdf"), path);
            return;
        }
        why = QStringLiteral("--pdf：") + why;  // it names the file
    }
    res.filesFailed.insert(QStringLiteral("pdf"), path);
    res.problems << (why.startsWith(QLatin1String("--pdf")) ? why : QStringLiteral("--pdf：报告未能写入 %1：%2").arg(path, why));
}

bool sameDevice(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    const QString ca = QFileInfo(a).canonicalFilePath(), cb = QFileInfo(b).canonicalFilePath();
    return !ca.isEmpty() && ca == cb;
}

// Opens the port as the window does, with replywin.set's line settings, after clearing a lock its owner
// left behind. Empty on success, else one line naming the device and the reason.
QString openPort(Link &link, const site::Site &site, const QString &device, int com, int baud,
                 const std::function<void(const QString &)> &note)
{
    const StaleLock lock = line::isNetwork(device) ? StaleLock{} : clearStaleLock(device);
    if (!lock.removed.isEmpty())
        note(lock.removed);
    QString text = site::openLink(link, site, device, baud, com);
    if (text.isEmpty())
        return text;
    if (!lock.blocking.isEmpty())
        text += QStringLiteral("（%1）").arg(lock.blocking);
    return text.replace(QLatin1Char('\n'), QLatin1Char(' '));
}
// --verify and --backup: the archive that is there, opened; nothing and a message on standard error
// when there is none or it cannot be used.
bool openArchive(archive::RecordStore &store, const QString &appDir, const Io &io, archive::ArchiveConfig *used = nullptr)
{
    QStringList problems;
    const auto config = archive::configuredArchive(appDir, &problems);
    // A check makes no archive where there was none.
    if (config && config->kind == archive::ArchiveConfig::Sqlite && !QFileInfo::exists(config->sqlitePath)) {
        io.err(QStringLiteral("存档无法使用：没有存档文件 %1\n").arg(config->sqlitePath));
        return false;
    }
    store.setProgram(archive::Program::Collector);
    store.setWaitNote([&io](const QString &text) { io.err(text + QLatin1Char('\n')); });
    QString error, note;
    const bool opened = archive::openConfiguredArchive(store, appDir, &error, &note, used);
    if (!note.isEmpty())
        io.err(note + QLatin1Char('\n'));
    if (!opened)
        io.err(QStringLiteral("存档无法使用：%1\n").arg(error));
    return opened;
}

// --verify: the archive's chains walked; the verdict is the one line on standard output.
int verifyArchive(const QString &appDir, const Io &io)
{
    archive::RecordStore store;
    if (!openArchive(store, appDir, io))
        return Unusable;
    QString error;
    const auto verdict = store.verify(&error);
    if (!verdict) {
        io.err(QStringLiteral("存档无法使用：%1\n").arg(error));
        return Unusable;
    }
    io.out(verdict->text() + QLatin1Char('\n'));
    return verdict->ok ? Complete : Broken;
}

// --backup: the day's backup made and checked; the outcome is the one line on standard output.
int backupArchive(const QString &appDir, const Io &io)
{
    archive::RecordStore store;
    archive::ArchiveConfig config;
    if (!openArchive(store, appDir, io, &config))
        return Unusable;
    if (config.backupDir.isEmpty()) {
        io.err(QStringLiteral("备份无法进行：archive.set 没有给出 backup-dir=\n"));
        return Unusable;
    }
    const archive::BackupOutcome b = archive::makeBackup(store, config, QDate::currentDate());
    if (!b.auditError.isEmpty())
        io.err(QStringLiteral("审计记录未能写入存档：%1\n").arg(b.auditError));
    for (const QString &old : b.removed)
        io.err(QStringLiteral("删除了旧备份 %1\n").arg(old));
    if (!b.passed) {
        io.out(QStringLiteral("backup: failed %1: %2\n").arg(b.path, b.verdict));
        return b.made ? Broken : Unusable;
    }
    io.out(QStringLiteral("backup: ok %1 %2\n").arg(b.path, b.verdict));
    return b.auditError.isEmpty() ? Complete : Unusable;  // the backup stands, but the trail does not say so
}
} // namespace

int run(const QStringList &arguments, const Io &io)
{
    const Parsed parsed = parseArguments(arguments);
    switch (parsed.action) {
    case Parsed::Action::Help:
        io.out(parsed.text);
        return Complete;
    case Parsed::Action::Version:
        io.out(QStringLiteral("wl8806n-collect %1\n").arg(QStringLiteral(WL_VERSION)));
        return Complete;
    case Parsed::Action::Usage:
        io.err(QStringLiteral("wl8806n-collect: %1（用法见 --help）\n").arg(parsed.text));
        return Usage;
    case Parsed::Action::Run:
        break;
    }
    const Options &o = parsed.options;
    const auto note = [&](const QString &text) { io.err(text + QLatin1Char('\n')); };
    // From here on a hang-up, Ctrl-C or SIGTERM ends the run the way it ends on its own: after the
    // exchange under way, with what was read stored and written, the port and its lock released.
    bool interrupted = false;
    Link *running = nullptr;
    process::Interrupt interrupt([&] {
        interrupted = true;
        if (running)
            running->cancelCommand(CancelReason::Stop);
    });
    QJsonObject summary{{"program", "wl8806n-collect"}, {"version", WL_VERSION}};
    const auto finish = [&](int code) {
        summary.insert("status", statusName(code));
        summary.insert("exitCode", code);
        if (o.json)
            io.out(QString::fromUtf8(QJsonDocument(summary).toJson(QJsonDocument::Indented)));
        return code;
    };

    const QString appDir = resolveAppDir(o.appDir, QCoreApplication::applicationDirPath());
    if (o.verify)
        return verifyArchive(appDir, io);
    if (o.backup)
        return backupArchive(appDir, io);
    site::Site site = site::loadSite(appDir);
    const auto &comm = site.comm;
    const auto &mod = site.mod;
    const auto &window = site.replyWindow;
    for (const auto &[status, problem] : {std::pair{comm.status, comm.problem}, std::pair{mod.status, mod.problem},
                                          std::pair{window.status, window.problem}})
        if (status == settings::Status::Malformed)
            note(problem);

    QList<uint8_t> addresses = o.addresses;
    if (addresses.isEmpty()) {
        // As the window's module pass: modules 1 … the count in ModSet.set.
        const int modules = mod.value.stationCount;
        if (modules < 1 || modules > 247) {
            io.err(QStringLiteral("wl8806n-collect: --address：ModSet.set 中的模块总数是 %1，请用 --address 给出设备地址\n").arg(modules));
            return Usage;
        }
        for (int a = 1; a <= modules; ++a)
            addresses << uint8_t(a);
    }
    const int baud = o.baud.value_or(comm.value.baudRate);

    ComPorts &ports = site.ports;
    int com = o.com.value_or(o.port.isEmpty() ? comm.value.portNumber : 0);

    sim::SimRecorder simulator;
    if (o.demo) {
        QString error;
        if (!simulator.start(&error)) {
            note(QStringLiteral("模拟记录仪无法启动：%1").arg(error));
            return finish(Unusable);
        }
        simulator.setLineBaud(baud);
        for (uint8_t a : simulator.addresses())
            if (!addresses.contains(a))
                simulator.removeDevice(a);
        const QDateTime first = QDateTime::currentDateTime().addSecs(-DemoRecords * 60);
        for (uint8_t a : addresses) {
            simulator.addDevice(a);
            simulator.setRecords(sim::SimRecorder::demoRecords(DemoRecords, first, o.sensors.value_or(20)), a);
        }
        ports.setOverride(com, simulator.portPath());
        note(QStringLiteral("演示模式：COM%1 连接到模拟记录仪（%2）").arg(com).arg(simulator.portPath()));
    }
    for (const QString &p : site.portProblems)
        note(p);

    const QString device = com ? ports.device(com) : o.port;
    for (int n = ComPorts::kFirst; n <= ComPorts::kLast && com == 0; ++n)
        if (sameDevice(ports.device(n), device))
            com = n;
    // A recorder is a port and an address. A device no COM number names is its own port half.
    const QString portName = com ? QStringLiteral("COM%1").arg(com) : device;
    if (com == 0)
        note(QStringLiteral("--port：%1 不对应任何 COM 编号，记录以“%1-地址”为记录仪名存档").arg(device));
    summary.insert("port", portName);
    summary.insert("device", device);
    const RecorderNames &names = site.names;
    for (const QString &p : site.nameProblems)
        note(p);
    // A limits file that cannot be read is said once; the run goes on without limits.
    const sensors::SensorTable &limits = site.sensors;
    if (!site.sensorProblem.isEmpty())
        note(site.sensorProblem);

    // An archive that cannot be used ends the run with Unusable, but only after the files asked for
    // are written: the records are not lost to it.
    std::unique_ptr<archive::RecordStore> store;
    bool archiveUnusable = false;
    if (o.archive && !o.live) {
        store = std::make_unique<archive::RecordStore>();
        store->setProgram(archive::Program::Collector);
        store->setWaitNote(note);
        QString error, archiveNote;
        if (!site::openArchive(*store, site, &error, &archiveNote)) {
            note(QStringLiteral("存档无法使用：%1").arg(error));
            summary.insert("problem", error);
            if (o.csv.isEmpty() && o.xls.isEmpty() && o.txt.isEmpty())
                return finish(Unusable);
            // Nothing to compare with: every record is read; nothing is cleared that the archive lacks.
            note(QStringLiteral("记录只写入文件%1%2").arg(o.sinceLast ? QStringLiteral("，读出全部记录") : QString(),
                                                     o.clearAfter ? QStringLiteral("，条数不清零") : QString()));
            store.reset();
            archiveUnusable = true;
        }
        if (!archiveNote.isEmpty())
            note(archiveNote);
    }

    Link link;
    if (o.demo)
        link.setPeerWitness(&simulator);
    else if (io.peer)
        link.setPeerWitness(io.peer);
    QObject::connect(&link, &Link::notice, [&note](const QString &text) { note(text); });
    const auto recorderAt = [&](uint8_t a) { return com ? names.name(com, a) : QStringLiteral("%1-%2").arg(device).arg(a); };
    // An entry of the audit trail; one the archive refuses is said, and the run goes on.
    const auto audit = [&store, &note](const archive::AuditEntry &entry) {
        QString error;
        if (store && !store->audit(entry, &error))
            note(QStringLiteral("审计记录未能写入存档：%1").arg(error));
    };
    // Every write to a recorder (its clock set, its count cleared) goes into the audit trail.
    const archive::WriteAudit writes(link, recorderAt, audit);
    if (const QString why = openPort(link, site, device, com, baud, note); !why.isEmpty()) {
        note(why);
        summary.insert("problem", why);
        return finish(Unusable);
    }
    running = &link;
    if (link.viaWatcher())
        note(QStringLiteral("%1 由监视程序 wl8806n-watch 管理：经由它读取，与它的巡检轮流").arg(device));

    QCoreApplication::processEvents();  // a signal that came meanwhile counts before anything is sent
    if (o.live) {
        QJsonArray devices;
        const int code = readLive(link, addresses, o, interrupted, io, devices);
        summary.insert("devices", devices);
        summary.insert("interrupted", interrupted);
        running = nullptr;
        return finish(code);
    }
    int code = archiveUnusable ? Unusable : Complete;
    bool outOfRange = false;
    QJsonArray devices;
    for (uint8_t a : addresses) {
        DeviceResult res;
        if (interrupted) {
            res.address = a;
            res.recorder = recorderAt(a);
            res.interrupted = true;
        } else {
            DeviceJob job;
            job.address = a;
            job.sensors = o.sensors.value_or(0);
            job.window = window.value;
            job.recorder = recorderAt(a);
            job.port = portName;
            job.store = store.get();
            job.limits = &limits;
            for (const auto &[kind, path] : {std::pair{"csv", o.csv}, std::pair{"xls", o.xls}, std::pair{"txt", o.txt}})
                if (!path.isEmpty())
                    job.files.insert(kind, addresses.size() > 1 ? perDevicePath(path, a) : path);
            job.sinceLast = o.sinceLast && store;
            job.clearAfter = o.clearAfter && !archiveUnusable;
            job.setClock = o.setClock;
            Progress progress(io, QStringLiteral("设备 %1").arg(a));
            job.progress = [&](int done, int total) { progress.update(done, total); };
            auto hold = link.tryHold(Link::Visibility::Quiet);
            res = collectDevice(link, *hold, job);
            progress.finish();
            if (!o.report.isEmpty() && !interrupted)
                reportDevice(o, io, store.get(), limits, appDir, portName,
                             addresses.size() > 1 ? perDevicePath(o.pdf, a) : o.pdf, res);
            // Each file written, with its path, in the audit trail.
            for (auto it = res.files.cbegin(); it != res.files.cend(); ++it)
                audit({res.recorder, QLatin1String(it.key() == QLatin1String("pdf") ? archive::kinds::Report : archive::kinds::Export),
                       {}, it.value()});
        }
        note(deviceLine(res));
        devices.append(deviceJson(res, limits));
        outOfRange = outOfRange || !res.outOfRange.isEmpty();
        code = std::max(code, int(deviceExit(res)));
    }
    summary.insert("devices", devices);
    summary.insert("interrupted", interrupted);
    running = nullptr;
    // An interrupted run kept what it stored; what it did not read is missing.
    if (code == Complete && outOfRange && o.failOnLimits)
        code = OutOfRange;  // everything was read: the only news is values outside their limits
    return finish(interrupted && code != Unusable ? Missing : code);
}

} // namespace collect
