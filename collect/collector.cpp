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
#include "core/archive/anchors.h"
#include "core/archive/backup.h"
#include "core/files/safefile.h"
#include "core/settings/comports.h"
#include "core/settings/language.h"
#include "core/settings/recorders.h"
#include "core/archive/writeaudit.h"
#include "core/settings/settingsaudit.h"
#include "core/settings/settingsfiles.h"
#include "core/site/site.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QScopeGuard>
#include <QTranslator>
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
         : code == OutOfRange ? QStringLiteral("out-of-range") : code == Broken ? QStringLiteral("archive-changed")
                              : QStringLiteral("unusable");
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
    if (d.partial && !d.files.isEmpty())
        notes << QStringLiteral("记录不全，文件写在 %1（要求的文件名下的文件没有改动）").arg(d.files.values().join(QStringLiteral("、")));
    if (d.interrupted)
        notes << QStringLiteral("已中断");
    return line + (d.usable && !notes.isEmpty() ? QStringLiteral("；") : QString()) + notes.join(QStringLiteral("；"));
}

// The program's texts in the report's language while it is drawn, the collector's own (Chinese)
// again afterwards.
class ReportLanguage {
public:
    explicit ReportLanguage(language::Language language)
    {
        if (language == language::Language::English && m_english.load(QStringLiteral(":/i18n/wl8806n_en.qm")))
            m_installed = QCoreApplication::installTranslator(&m_english);
    }
    ~ReportLanguage()
    {
        if (m_installed)
            QCoreApplication::removeTranslator(&m_english);
    }
    ReportLanguage(const ReportLanguage &) = delete;
    ReportLanguage &operator=(const ReportLanguage &) = delete;

private:
    QTranslator m_english;
    bool m_installed = false;
};

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
        const ReportLanguage inLanguage(language);
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

// The checkpoints --checkpoint names: a file's, or the text given. A usage error, or nothing.
std::optional<QString> namedCheckpoints(const QStringList &given, QList<archive::Checkpoint> *out)
{
    for (const QString &value : given) {
        QString text = value, reason;
        if (QFileInfo::exists(value)) {
            QByteArray bytes;
            if (safefile::readBounded(value, 1 << 20, &bytes, &reason) != safefile::Read::Ok)
                return QStringLiteral("--checkpoint：%1 读不出：%2").arg(value, reason);
            text = QString::fromUtf8(bytes);
        }
        QStringList bad;
        const QList<archive::Checkpoint> found = archive::checkpointsIn(text, &bad);
        if (!bad.isEmpty())
            return QStringLiteral("--checkpoint：这一行不是完整的检查点：%1").arg(bad.first());
        if (found.isEmpty())
            return QStringLiteral("--checkpoint：%1 里没有检查点").arg(safefile::shown(value, 48));
        *out << found;
    }
    return std::nullopt;
}

// --verify: the archive's chains walked, held against the checkpoints and backups named and those the
// backup folder keeps; the verdict is the one line on standard output.
int verifyArchive(const Options &o, const QString &appDir, const Io &io)
{
    archive::Anchors anchors;
    if (const auto why = namedCheckpoints(o.checkpoints, &anchors.checkpoints)) {
        io.err(*why + QLatin1Char('\n'));
        return Usage;
    }
    for (const QString &file : o.against)
        if (!QFileInfo(file).isFile()) {
            io.err(QStringLiteral("--against：没有备份文件 %1\n").arg(file));
            return Usage;
        }
    anchors.backups = o.against;
    archive::RecordStore store;
    archive::ArchiveConfig config;
    if (!openArchive(store, appDir, io, &config))
        return Unusable;
    QString error;
    const auto verdict = archive::verifyKept(store.checks(), config.backupDir, archive::CheckpointKey::defaultFile(), anchors, false, &error);
    if (!verdict) {
        io.err(QStringLiteral("存档无法使用：%1\n").arg(error));
        return Unusable;
    }
    io.out(verdict->text() + QLatin1Char('\n'));
    return verdict->ok ? Complete : Broken;
}

// A checkpoint of the open store kept and audited; nothing when it could not be made (that is said).
std::optional<archive::KeptCheckpoint> checkpointStore(archive::RecordStore &store, const archive::ArchiveConfig &config, const Io &io)
{
    QString error;
    const auto kept = archive::takeCheckpoint(store, config, archive::CheckpointKey::defaultFile(), {}, &error);
    if (!kept)
        io.err(QStringLiteral("检查点没有写成：%1\n").arg(error));
    else if (!kept->auditError.isEmpty())
        io.err(QStringLiteral("审计记录未能写入存档：%1\n").arg(kept->auditError));
    else if (!kept->where.isEmpty())
        io.err(QStringLiteral("检查点 %1 存入 %2\n").arg(kept->checkpoint.shortHash(), kept->where.join(QStringLiteral("；"))));
    return kept;
}

// --checkpoint: the archive's signed checkpoint, the one line on standard output, and in the backup folder.
int checkpointArchive(const QString &appDir, const Io &io)
{
    archive::RecordStore store;
    archive::ArchiveConfig config;
    if (!openArchive(store, appDir, io, &config))
        return Unusable;
    const auto kept = checkpointStore(store, config, io);
    if (!kept)
        return Unusable;
    io.out(QStringLiteral("checkpoint: %1\n").arg(kept->checkpoint.text()));
    return Complete;
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
    for (const QString &held : b.held)
        io.err(QStringLiteral("保留了过期的旧备份，其中有存档里已不再有的行：%1\n").arg(held));
    if (!b.passed) {
        io.out(QStringLiteral("backup: failed %1: %2\n").arg(b.path, b.verdict));
        return b.made ? Broken : Unusable;
    }
    io.out(QStringLiteral("backup: ok %1 %2\n").arg(b.path, b.verdict));
    // The state the backup holds, signed beside it.
    const bool checkpointed = checkpointStore(store, config, io).has_value();
    if (!b.held.isEmpty())
        return Broken;
    return b.auditError.isEmpty() && checkpointed ? Complete : Unusable;  // the backup stands, but the trail does not say so
}

// A collection under way: the options, the site, the port and archive chosen, the summary built.
struct Collection {
    const Options &o;
    const Io &io;
    QString appDir;
    site::Site site;
    QList<uint8_t> addresses;
    int baud = 0;
    int com = 0;
    QString device;
    QString portName;  // a recorder is a port and an address: the port half of its name
    std::unique_ptr<archive::RecordStore> store;
    bool archiveUnusable = false;
    bool archiveReplaced = false;  // not the archive the backup folder's checkpoints are of
    bool interrupted = false;
    QJsonObject summary{{"program", "wl8806n-collect"}, {"version", WL_VERSION}};

    void note(const QString &text) const { io.err(text + QLatin1Char('\n')); }
    int finish(int code)
    {
        summary.insert("status", statusName(code));
        summary.insert("exitCode", code);
        if (o.json)
            io.out(QString::fromUtf8(QJsonDocument(summary).toJson(QJsonDocument::Indented)));
        return code;
    }
    QString recorderAt(uint8_t a) const
    {
        return com ? site.names.name(com, a) : QStringLiteral("%1-%2").arg(device).arg(a);
    }
    // An entry of the audit trail; one the archive refuses is said, and the run goes on.
    void audit(const archive::AuditEntry &entry) const
    {
        QString error;
        if (store && !store->audit().append(entry, &error))
            note(QStringLiteral("审计记录未能写入存档：%1").arg(error));
    }
};

// Help, version and a usage error end the run before anything is read.
std::optional<int> answered(const Parsed &parsed, const Io &io)
{
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
    return std::nullopt;
}

// The settings files' problems said; the addresses (as the window's module pass: modules 1 … the count
// in ModSet.set, unless --address names them), the rate and the COM number chosen. False: a usage error.
bool chooseDevices(Collection &c)
{
    const auto &comm = c.site.comm;
    const auto &mod = c.site.mod;
    const auto &window = c.site.replyWindow;
    for (const auto &[status, problem] : {std::pair{comm.status, comm.problem}, std::pair{mod.status, mod.problem},
                                          std::pair{window.status, window.problem}})
        if (status == settings::Status::Malformed)
            c.note(problem);
    c.addresses = c.o.addresses;
    if (c.addresses.isEmpty()) {
        const int modules = mod.value.stationCount;
        if (modules < 1 || modules > 247) {
            c.io.err(QStringLiteral("wl8806n-collect: --address：ModSet.set 中的模块总数是 %1，请用 --address 给出设备地址\n").arg(modules));
            return false;
        }
        for (int a = 1; a <= modules; ++a)
            c.addresses << uint8_t(a);
    }
    c.baud = c.o.baud.value_or(comm.value.baudRate);
    c.com = c.o.com.value_or(c.o.port.isEmpty() ? comm.value.portNumber : 0);
    return true;
}

// --demo: the simulated recorder with the addresses asked, the COM number attached to it.
bool startDemo(Collection &c)
{
    QString error = QStringLiteral("没有内置的模拟记录仪");
    site::DemoAsk ask;
    ask.addresses = c.addresses;
    ask.records = DemoRecords;
    ask.sensors = c.o.sensors.value_or(20);
    ask.baud = c.baud;
    ask.onlyThese = true;
    if (!c.io.demo || !c.io.demo->start(ask, &error)) {
        c.note(QStringLiteral("模拟记录仪无法启动：%1").arg(error));
        return false;
    }
    c.site.ports.setOverride(c.com, c.io.demo->portPath());
    c.note(QStringLiteral("演示模式：COM%1 连接到模拟记录仪（%2）").arg(c.com).arg(c.io.demo->portPath()));
    return true;
}

// The device of the port, and the port half of the recorders' names: a device no COM number names is
// its own port half. The site's notes about names and limits are said here too.
void namePort(Collection &c)
{
    for (const QString &p : c.site.portProblems)
        c.note(p);
    const ComPorts &ports = c.site.ports;
    c.device = c.com ? ports.device(c.com) : c.o.port;
    for (int n = ComPorts::kFirst; n <= ComPorts::kLast && c.com == 0; ++n)
        if (sameDevice(ports.device(n), c.device))
            c.com = n;
    c.portName = c.com ? QStringLiteral("COM%1").arg(c.com) : c.device;
    if (c.com == 0)
        c.note(QStringLiteral("--port：%1 不对应任何 COM 编号，记录以“%1-地址”为记录仪名存档").arg(c.device));
    c.summary.insert("port", c.portName);
    c.summary.insert("device", c.device);
    for (const QString &p : c.site.nameProblems)
        c.note(p);
    // A limits file that cannot be read is said once; the run goes on without limits.
    if (!c.site.sensorProblem.isEmpty())
        c.note(c.site.sensorProblem);
}

// The archive, unless --no-archive or --live. One that cannot be used ends the run with Unusable, but
// only after the files asked for are written: the records are not lost to it. False: nothing to do.
bool openStore(Collection &c)
{
    if (!c.o.archive || c.o.live)
        return true;
    c.store = std::make_unique<archive::RecordStore>();
    c.store->setProgram(archive::Program::Collector);
    c.store->setWaitNote([&c](const QString &text) { c.note(text); });
    QString error, archiveNote;
    if (!site::openArchive(*c.store, c.site, &error, &archiveNote)) {
        c.note(QStringLiteral("存档无法使用：%1").arg(error));
        c.summary.insert("problem", error);
        if (c.o.csv.isEmpty() && c.o.xls.isEmpty() && c.o.txt.isEmpty())
            return false;
        // Nothing to compare with: every record is read; nothing is cleared that the archive lacks.
        c.note(QStringLiteral("记录只写入文件%1%2").arg(c.o.sinceLast ? QStringLiteral("，读出全部记录") : QString(),
                                                     c.o.clearAfter ? QStringLiteral("，条数不清零") : QString()));
        c.store.reset();
        c.archiveUnusable = true;
    }
    if (!archiveNote.isEmpty())
        c.note(archiveNote);
    for (const QString &problem : c.store ? settings::auditSettingsFiles(c.store->audit(), c.site.appDir) : QStringList())
        c.note(problem);
    if (c.store && c.site.archive)
        if (const QString replaced = archive::anotherArchiveBefore(c.store->checks(), c.site.archive->backupDir); !replaced.isEmpty()) {
            c.note(replaced);
            c.summary.insert("problem", replaced);
            c.archiveReplaced = true;
        }
    return true;
}

// One device's download, its report and the audit entries of the files written.
DeviceResult collectOne(Collection &c, Link &link, uint8_t a)
{
    const Options &o = c.o;
    jobs::CollectJob job;
    job.address = a;
    job.sensors = o.sensors.value_or(0);
    job.window = c.site.replyWindow.value;
    job.recorder = c.recorderAt(a);
    job.port = c.portName;
    job.store = c.store.get();
    job.limits = &c.site.sensors;
    QMap<QString, QString> files;
    for (const auto &[kind, path] : {std::pair{"csv", o.csv}, std::pair{"xls", o.xls}, std::pair{"txt", o.txt}})
        if (!path.isEmpty())
            files.insert(kind, c.addresses.size() > 1 ? perDevicePath(path, a) : path);
    job.options = {o.sinceLast && c.store, o.clearAfter && !c.archiveUnusable, o.setClock};
    Progress progress(c.io, QStringLiteral("设备 %1").arg(a));
    job.progress = [&](int done, int total) { progress.update(done, total); };
    auto hold = link.tryHold(Link::Visibility::Quiet);
    DeviceResult res = collectDevice(link, *hold, job, files);
    progress.finish();
    if (!o.report.isEmpty() && !c.interrupted)
        reportDevice(o, c.io, c.store.get(), c.site.sensors, c.appDir, c.portName,
                     c.addresses.size() > 1 ? perDevicePath(o.pdf, a) : o.pdf, res);
    // Each file written, with its path, in the audit trail.
    for (auto it = res.files.cbegin(); it != res.files.cend(); ++it)
        c.audit({res.recorder, QLatin1String(it.key() == QLatin1String("pdf") ? archive::kinds::Report : archive::kinds::Export),
                 {}, it.value()});
    return res;
}

// Every device in turn; the run's exit status.
int collectAll(Collection &c, Link &link)
{
    int code = c.archiveUnusable ? Unusable : Complete;
    bool outOfRange = false;
    QJsonArray devices;
    for (uint8_t a : c.addresses) {
        DeviceResult res;
        if (c.interrupted) {
            res.address = a;
            res.recorder = c.recorderAt(a);
            res.interrupted = true;
        } else {
            res = collectOne(c, link, a);
        }
        c.note(deviceLine(res));
        devices.append(deviceJson(res, c.site.sensors));
        outOfRange = outOfRange || !res.outOfRange.isEmpty();
        code = std::max(code, int(deviceExit(res)));
    }
    c.summary.insert("devices", devices);
    c.summary.insert("interrupted", c.interrupted);
    // An interrupted run kept what it stored; what it did not read is missing.
    if (code == Complete && outOfRange && c.o.failOnLimits)
        code = OutOfRange;  // everything was read: the only news is values outside their limits
    return c.interrupted && code != Unusable ? Missing : code;
}

// The line opened, then the live values or the records read; the run's exit status.
int readDevices(Collection &c, const PeerWitness *simulator, Link *&running)
{
    const auto note = [&c](const QString &text) { c.note(text); };
    Link link;
    if (simulator)
        link.setPeerWitness(simulator);
    else if (c.io.peer)
        link.setPeerWitness(c.io.peer);
    QObject::connect(&link, &Link::notice, note);
    // Every write to a recorder (its clock set, its count cleared) goes into the audit trail.
    const archive::WriteAudit writes(link, [&c](uint8_t a) { return c.recorderAt(a); },
                                     [&c](const archive::AuditEntry &entry) { c.audit(entry); });
    if (const QString why = openPort(link, c.site, c.device, c.com, c.baud, note); !why.isEmpty()) {
        c.note(why);
        c.summary.insert("problem", why);
        return Unusable;
    }
    running = &link;
    const auto released = qScopeGuard([&running] { running = nullptr; });
    if (link.viaWatcher())
        c.note(QStringLiteral("%1 由监视程序 wl8806n-watch 管理：经由它读取，与它的巡检轮流").arg(c.device));
    QCoreApplication::processEvents();  // a signal that came meanwhile counts before anything is sent
    if (!c.o.live)
        return collectAll(c, link);
    QJsonArray devices;
    const int code = readLive(link, c.addresses, c.o, c.interrupted, c.io, devices);
    c.summary.insert("devices", devices);
    c.summary.insert("interrupted", c.interrupted);
    return code;
}
} // namespace

int run(const QStringList &arguments, const Io &io)
{
    const Parsed parsed = parseArguments(arguments);
    if (const auto code = answered(parsed, io))
        return *code;
    const Options &o = parsed.options;
    Collection c{o, io, resolveAppDir(o.appDir, QCoreApplication::applicationDirPath())};
    // From here on a hang-up, Ctrl-C or SIGTERM ends the run the way it ends on its own: after the
    // exchange under way, with what was read stored and written, the port and its lock released.
    Link *running = nullptr;
    process::Interrupt interrupt([&] {
        c.interrupted = true;
        if (running)
            running->cancelCommand(CancelReason::Stop);
    });
    if (o.verify)
        return verifyArchive(o, c.appDir, io);
    if (o.backup)
        return backupArchive(c.appDir, io);
    if (o.checkpoint)
        return checkpointArchive(c.appDir, io);
    c.site = site::loadSite(c.appDir);
    if (!chooseDevices(c))
        return Usage;
    if (o.demo && !startDemo(c))
        return c.finish(Unusable);
    namePort(c);
    if (!openStore(c))
        return c.finish(Unusable);
    const int code = readDevices(c, o.demo ? c.io.demo->witness() : nullptr, running);
    return c.finish(c.archiveReplaced && code == Complete ? Broken : code);
}

} // namespace collect
