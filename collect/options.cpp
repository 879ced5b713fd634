#include "collect/options.h"
#include "core/records/recorddecode.h"
#include "core/report/reportrequest.h"
#include "core/site/parse.h"
#include <QCommandLineParser>
#include <optional>
#include <tuple>
#include <QFileInfo>

namespace collect {

namespace {
QString quoted(const QString &text) { return QStringLiteral("“%1”").arg(text); }

// The command line's options, and the parser that knows them.
struct Arguments {
    QCommandLineParser p;
    const QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("显示帮助。")};
    const QCommandLineOption version{QStringLiteral("version"), QStringLiteral("显示版本。")};
    const QCommandLineOption port{QStringLiteral("port"),
        QStringLiteral("线路：COM 编号（4 或 COM4，经 comports.map 或默认对应关系）、设备路径，或网络线路 "
                       "rtu-over-tcp://主机:端口（透明传输的串口服务器）、tcp://主机:端口（Modbus TCP 网关）。默认：comm.set 中的端口。"),
        QStringLiteral("port")};
    const QCommandLineOption baud{QStringLiteral("baud"), QStringLiteral("波特率。默认：comm.set 中的波特率。"),
                                  QStringLiteral("rate")};
    const QCommandLineOption address{QStringLiteral("address"),
        QStringLiteral("设备地址，如 21,22 或 1-4。默认：1 到 ModSet.set 中的模块总数。"), QStringLiteral("list")};
    const QCommandLineOption appDir{QStringLiteral("appdir"),
        QStringLiteral("comm.set、ModSet.set、replywin.set、comports.map、recorders.set 和 archive.set 所在的目录。默认："
                       "安装到系统中（/usr 下或安装前缀的 bin 目录）的程序用个人数据目录 ~/.local/share/wl8806n；"
                       "单独放在一个文件夹里的程序用该文件夹，不可写时也用个人数据目录。"),
        QStringLiteral("dir")};
    const QCommandLineOption sensors{QStringLiteral("sensors"), QStringLiteral("每条记录的传感器总数。默认取记录仪自己的（寄存器 136）；给出时必须与它相同，否则不读取记录。"),
                                     QStringLiteral("n")};
    const QCommandLineOption csv{QStringLiteral("csv"), QStringLiteral("把记录写入 CSV 文件（多台设备时地址插在后缀前：data-21.csv）。"),
                                 QStringLiteral("file")};
    const QCommandLineOption xls{QStringLiteral("xls"), QStringLiteral("把记录写入 Excel (.xls) 文件（多台设备时同上）。"),
                                 QStringLiteral("file")};
    const QCommandLineOption txt{QStringLiteral("txt"), QStringLiteral("把记录写入文本文件（多台设备时同上）。"),
                                 QStringLiteral("file")};
    const QCommandLineOption noArchive{QStringLiteral("no-archive"), QStringLiteral("不存入存档（须给出 --csv、--xls 或 --txt）。")};
    const QCommandLineOption sinceLast{QStringLiteral("since-last"),
        QStringLiteral("从最新一条记录往前读，读到存档中已有的记录为止；以前的运行未读出的记录（记录仪仍存有的）也再读一次。")};
    const QCommandLineOption clearAfter{QStringLiteral("clear-after"),
        QStringLiteral("全部记录读出并保存、且再次读到的条数未变时，将记录仪的条数清零。")};
    const QCommandLineOption setClock{QStringLiteral("set-clock"), QStringLiteral("读完后用电脑时钟设置记录仪时钟。")};
    const QCommandLineOption demo{QStringLiteral("demo"), QStringLiteral("连接内置的模拟记录仪（端口须为 COM 编号）。")};
    const QCommandLineOption json{QStringLiteral("json"), QStringLiteral("在标准输出上输出 JSON 格式的结果。")};
    const QCommandLineOption failOnLimits{QStringLiteral("fail-on-limits"),
        QStringLiteral("读到的记录中有传感器超出 sensors.set 中的限值时，以状态 3 退出。")};
    const QCommandLineOption live{QStringLiteral("live"),
        QStringLiteral("不读记录，读每台设备的实时值一次（同窗口的“单次”），按窗口数值框的格式输出，每台设备一行。")};
    const QCommandLineOption function{QStringLiteral("function"), QStringLiteral("实时值的功能号：3 或 4。默认 3。"), QStringLiteral("3|4")};
    const QCommandLineOption start{QStringLiteral("start"), QStringLiteral("实时值的起始地址，从 1 起（1 到 256）。默认 1。"),
                                   QStringLiteral("n")};
    const QCommandLineOption count{QStringLiteral("count"), QStringLiteral("实时值的数据长度（1 到 125 个寄存器）。默认 20。"),
                                   QStringLiteral("n")};
    const QCommandLineOption verify{QStringLiteral("verify"),
        QStringLiteral("不读记录仪，检查存档的哈希链：全部相符时输出 verify: ok rows=行数，以状态 0 退出；"
                       "否则输出第一处不符（表、记录仪、行、哪里不符），以状态 4 退出。")};
    const QCommandLineOption backup{QStringLiteral("backup"),
        QStringLiteral("不读记录仪，把存档备份到 archive.set 的 backup-dir= 中当天的文件（archive-YYYY-MM-DD.db 或 .dump），"
                       "打开备份检查其完整性和哈希链，结果记入审计记录；通过后删除早于 backup-keep= 天的备份。"
                       "通过时输出 backup: ok 文件 及链的结论，以状态 0 退出；备份没有通过检查时以状态 4 退出，"
                       "做不成备份时以状态 2 退出。")};
    const QCommandLineOption checkpoint{QStringLiteral("checkpoint"),
        QStringLiteral("不读记录仪，写一个签名的检查点（存档的标识、时间、每条哈希链的行数和链尾哈希），"
                       "输出在标准输出上，存入 backup-dir=，记入审计记录。与 --verify 同用时后面跟一个检查点文件或检查点文字"
                       "（可给多次）：存档必须仍有其中每条链到该行数为止的行，且链尾哈希相同。")};
    // --checkpoint after --verify, as parseArguments renames it: the checkpoint it names.
    const QCommandLineOption heldCheckpoint{QStringLiteral("verify-checkpoint"), QString(), QStringLiteral("file|text")};
    const QCommandLineOption against{QStringLiteral("against"),
        QStringLiteral("与 --verify 同用：较早的备份（SQLite 的 .db，或 PostgreSQL 的 .dump），其中每一行都必须仍在存档里且未改（可给多次）。"),
        QStringLiteral("backup")};
    const QCommandLineOption report{QStringLiteral("report"),
        QStringLiteral("读完后由存档为每台记录仪制作报告（PDF，语言同窗口）：daily、weekly、monthly 为此前最近一个完整的日、"
                       "周（周一到周日）、月，YYYY-MM-DD..YYYY-MM-DD 为这些天（含首尾两天）。须与 --pdf 同用。"),
        QStringLiteral("period")};
    const QCommandLineOption pdf{QStringLiteral("pdf"), QStringLiteral("报告的 PDF 文件（多台设备时地址插在后缀前：report-21.pdf）。"),
                                 QStringLiteral("file")};
    const QCommandLineOption mktDhR{QStringLiteral("mkt-dh-r"),
        QStringLiteral("报告中平均动力学温度（MKT）的 ΔH/R，单位 K（1000 到 100000）。默认 10000。"), QStringLiteral("K")};

    Arguments()
    {
        p.setApplicationDescription(QStringLiteral(
            "读取 WL8806N 记录仪的记录并存入存档（或写成文件）。\n"
            "记录不全时（运行被中断，或有记录未读出），--csv、--xls、--txt 的文件写在要求的文件名旁边，"
            "名字带 .partial（data.csv → data.partial.csv），以前写好的 data.csv 不会被替换。"
            "每个文件各自写入：一个写不成不影响其他的。存档不能使用时，文件照样写入，之后以状态 2 退出。\n"
            "SIGHUP、SIGINT（Ctrl-C）或 SIGTERM：当前的一次通信完成后结束读取，保存已读出的记录，以状态 1 退出。\n"
            "退出状态：0 全部读出；1 有记录未读出或未保存；2 端口、设备或存档不能使用；"
            "3 全部读出，但有记录超出限值（--fail-on-limits）；4 存档的哈希链断了，或与检查点、备份不符（--verify），"
            "或备份没有通过检查（--backup）；64 参数错误。"));
        p.addOptions({help, version, port, baud, address, appDir, sensors, csv, xls, txt, noArchive, sinceLast,
                      clearAfter, setClock, demo, json, failOnLimits, live, function, start, count, report, pdf, mktDhR, verify, backup,
                      checkpoint, against});
        QCommandLineOption hidden = heldCheckpoint;
        hidden.setFlags(QCommandLineOption::HiddenFromHelp);
        p.addOption(hidden);
    }
};

// --port, --baud, --address, --sensors and the files' names; the words of a line, its devices and
// its rate are the watcher's too (core/site/parse.h). A usage error, or nothing.
std::optional<QString> lineAndFiles(const Arguments &a, Options &o)
{
    const QCommandLineParser &p = a.p;
    QString why;
    if (p.isSet(a.port)) {
        const auto chosen = site::parsePort(p.value(a.port), &why);
        if (!chosen)
            return QStringLiteral("--port：") + why;
        o.port = chosen->name;
        if (chosen->com)
            o.com = chosen->com;
    }
    if (p.isSet(a.baud)) {
        o.baud = site::parseBaud(p.value(a.baud), &why);
        if (!o.baud)
            return QStringLiteral("--baud：") + why;
    }
    if (p.isSet(a.address)) {
        const auto list = site::parseAddresses(p.value(a.address), &why);
        if (!list)
            return QStringLiteral("--address：") + why;
        o.addresses = *list;
    }
    if (p.isSet(a.sensors)) {
        bool ok = false;
        o.sensors = p.value(a.sensors).toInt(&ok);
        if (!ok || *o.sensors < 1 || *o.sensors > records::MaxSensors)
            return QStringLiteral("--sensors：%1 不是 1 到 %2 之间的数").arg(quoted(p.value(a.sensors))).arg(records::MaxSensors);
    }
    for (const auto &[option, field] : {std::pair{&a.csv, &o.csv}, std::pair{&a.xls, &o.xls}, std::pair{&a.txt, &o.txt}}) {
        if (p.isSet(*option) && p.value(*option).trimmed().isEmpty())
            return QStringLiteral("--%1：没有给出文件名").arg(option->names().constLast());
        *field = p.value(*option);
    }
    return std::nullopt;
}

// The switches; --demo takes a COM number only.
std::optional<QString> switches(const Arguments &a, Options &o)
{
    const QCommandLineParser &p = a.p;
    o.appDir = p.value(a.appDir);
    o.archive = !p.isSet(a.noArchive);
    o.sinceLast = p.isSet(a.sinceLast);
    o.clearAfter = p.isSet(a.clearAfter);
    o.setClock = p.isSet(a.setClock);
    o.demo = p.isSet(a.demo);
    o.json = p.isSet(a.json);
    o.failOnLimits = p.isSet(a.failOnLimits);
    if (o.demo && !o.port.isEmpty() && !o.com)
        return QStringLiteral("--port：演示模式只接受 COM 编号，%1 是设备路径").arg(quoted(o.port));
    o.live = p.isSet(a.live);
    o.verify = p.isSet(a.verify);
    o.backup = p.isSet(a.backup);
    o.checkpoint = p.isSet(a.checkpoint);
    o.checkpoints = p.values(a.heldCheckpoint);
    o.against = p.values(a.against);
    if (!o.verify && p.isSet(a.against))
        return QStringLiteral("--against 只用于 --verify");
    for (const QString &value : o.checkpoints + o.against)
        if (value.trimmed().isEmpty())
            return QStringLiteral("--%1：没有给出").arg(o.against.contains(value) ? QStringLiteral("against") : QStringLiteral("checkpoint"));
    return std::nullopt;
}

// --verify and --backup: only the archive is looked at, so anything about a line or the records would
// go unused.
std::optional<QString> archiveOnly(const Arguments &a, const Options &o)
{
    const QString what = o.verify   ? QStringLiteral("--verify 只检查存档")
                         : o.backup ? QStringLiteral("--backup 只备份存档")
                                    : QStringLiteral("--checkpoint 只写检查点");
    for (const auto *option : {&a.port, &a.baud, &a.address, &a.sensors, &a.csv, &a.xls, &a.txt, &a.noArchive, &a.sinceLast,
                               &a.clearAfter, &a.setClock, &a.demo, &a.json, &a.failOnLimits, &a.live, &a.function, &a.start,
                               &a.count, &a.report, &a.pdf, &a.mktDhR, o.verify ? &a.backup : &a.verify,
                               o.backup ? &a.checkpoint : &a.backup})
        if (a.p.isSet(*option))
            return QStringLiteral("--%1：%2，不与其他选项同用（--appdir 除外）").arg(option->names().constLast(), what);
    return std::nullopt;
}

// The live read's fields, with the rules of the window's boxes.
std::optional<QString> liveFields(const Arguments &a, Options &o)
{
    const QCommandLineParser &p = a.p;
    for (const auto &[option, lo, hi] : {std::tuple{&a.function, 3, 4}, std::tuple{&a.start, 1, 256}, std::tuple{&a.count, 1, 125}}) {
        if (!p.isSet(*option))
            continue;
        const QString name = option->names().constLast();
        if (!o.live)
            return QStringLiteral("--%1 只用于 --live").arg(name);
        bool ok = false;
        const int v = p.value(*option).toInt(&ok);
        if (!ok || v < lo || v > hi)
            return QStringLiteral("--%1：%2 不是 %3 到 %4 之间的整数").arg(name, quoted(p.value(*option))).arg(lo).arg(hi);
        if (option == &a.function)
            o.function = uint8_t(v);
        else if (option == &a.start)
            o.start = uint16_t(v - 1);
        else
            o.count = uint8_t(v);
    }
    if (!o.live)
        return std::nullopt;
    // Live values go to standard output; nothing is downloaded, kept or written.
    for (const auto *option : {&a.csv, &a.xls, &a.txt, &a.noArchive, &a.sinceLast, &a.clearAfter, &a.setClock, &a.sensors,
                               &a.failOnLimits, &a.report, &a.pdf, &a.mktDhR})
        if (p.isSet(*option))
            return QStringLiteral("--%1：--live 只读实时值，不读记录").arg(option->names().constLast());
    return std::nullopt;
}

// --report, --pdf and --mkt-dh-r, which go together.
std::optional<QString> reportFields(const Arguments &a, Options &o)
{
    const QCommandLineParser &p = a.p;
    if (!p.isSet(a.report) && !p.isSet(a.pdf) && !p.isSet(a.mktDhR))
        return std::nullopt;
    QString error;
    if (p.isSet(a.report) && !report::parsePeriod(p.value(a.report), QDateTime::currentDateTime(), &error))
        return error;
    if (p.isSet(a.report) != p.isSet(a.pdf) || (p.isSet(a.pdf) && p.value(a.pdf).trimmed().isEmpty()))
        return QStringLiteral("--report 和 --pdf 须同时给出：报告的时段和文件");
    if (p.isSet(a.mktDhR) && !p.isSet(a.report))
        return QStringLiteral("--mkt-dh-r 只用于 --report");
    if (!o.archive)
        return QStringLiteral("--report：报告由存档制作，不能与 --no-archive 同时使用");
    bool ok = true;
    o.mktDhR = p.isSet(a.mktDhR) ? p.value(a.mktDhR).toDouble(&ok) : o.mktDhR;
    if (!ok || o.mktDhR < 1000 || o.mktDhR > 100000)
        return QStringLiteral("--mkt-dh-r：%1 不是 1000 到 100000 之间的数").arg(quoted(p.value(a.mktDhR)));
    o.report = p.value(a.report);
    o.pdf = p.value(a.pdf);
    return std::nullopt;
}

// Where the records go, and what goes with what.
std::optional<QString> keeping(const Options &o)
{
    if (!o.archive && o.csv.isEmpty() && o.xls.isEmpty() && o.txt.isEmpty())
        return QStringLiteral("--no-archive：没有 --csv、--xls 或 --txt，读出的记录无处保存");
    if (o.sinceLast && !o.archive)
        return QStringLiteral("--since-last：要由存档判断哪些记录是新的，不能与 --no-archive 同时使用");
    // Clearing needs every record of the memory read in this run: a backward read leaves the older
    // ones to earlier runs, whose completeness this run cannot see.
    if (o.sinceLast && o.clearAfter)
        return QStringLiteral("--clear-after：清零前须读出全部记录，不能与 --since-last 同时使用");
    return std::nullopt;
}
} // namespace

Parsed parseArguments(const QStringList &arguments)
{
    Arguments a;
    QCommandLineParser &p = a.p;
    Parsed r;
    const auto usage = [&](const QString &text) {
        r.action = Parsed::Action::Usage;
        r.text = text;
        return r;
    };
    // With --verify, --checkpoint names a checkpoint to hold the archive against.
    QStringList args = arguments;
    if (args.contains(QStringLiteral("--verify")))
        for (QString &arg : args)
            if (arg == QLatin1String("--checkpoint") || arg.startsWith(QLatin1String("--checkpoint=")))
                arg.replace(0, 12, QStringLiteral("--verify-checkpoint"));
    if (!p.parse(args))
        return usage(p.errorText());
    if (p.isSet(a.help)) {
        r.action = Parsed::Action::Help;
        r.text = p.helpText();
        return r;
    }
    if (p.isSet(a.version)) {
        r.action = Parsed::Action::Version;
        return r;
    }
    if (!p.positionalArguments().isEmpty())
        return usage(QStringLiteral("多余的参数 %1").arg(quoted(p.positionalArguments().first())));
    // An option given twice would leave the user unsure which one counted.
    for (const auto *o : {&a.port, &a.baud, &a.address, &a.appDir, &a.sensors, &a.csv, &a.xls, &a.txt, &a.function, &a.start,
                          &a.count, &a.report, &a.pdf, &a.mktDhR})
        if (p.values(*o).size() > 1)
            return usage(QStringLiteral("--%1 只能给出一次").arg(o->names().constLast()));
    Options &o = r.options;
    if (const auto why = lineAndFiles(a, o))
        return usage(*why);
    if (const auto why = switches(a, o))
        return usage(*why);
    if (o.verify || o.backup || o.checkpoint) {
        if (const auto why = archiveOnly(a, o))
            return usage(*why);
        return r;
    }
    if (const auto why = liveFields(a, o))
        return usage(*why);
    if (o.live)
        return r;
    if (const auto why = reportFields(a, o))
        return usage(*why);
    if (const auto why = keeping(o))
        return usage(*why);
    return r;
}


bool asksReport(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--report") == 0 || qstrncmp(argv[i], "--report=", 9) == 0)
            return true;
    return false;
}

QString perDevicePath(const QString &path, uint8_t address)
{
    const QFileInfo info(path);
    const QString suffix = info.completeSuffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix();
    const QString stem = path.left(path.size() - suffix.size());
    return QStringLiteral("%1-%2%3").arg(stem).arg(address).arg(suffix);
}

} // namespace collect
