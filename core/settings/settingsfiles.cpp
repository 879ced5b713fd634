#include "core/settings/settingsfiles.h"
#include "core/files/safefile.h"
#include "core/link/convert.h"
#include <QCoreApplication>

namespace settings {

bool splitFields(const QByteArray &content, QStringList &fields)
{
    fields.clear();
    const QStringList lines = QString::fromLatin1(content).split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty())
            continue;  // a blank line holds no field
        qsizetype i = 0;
        while (i <= line.size()) {
            // One field: a quoted text, or everything up to the next comma.
            while (i < line.size() && line[i].isSpace())
                ++i;
            QString field;
            if (i < line.size() && line[i] == QLatin1Char('"')) {
                const qsizetype close = line.indexOf(QLatin1Char('"'), i + 1);
                if (close < 0)
                    return false;
                field = line.mid(i + 1, close - i - 1);
                i = close + 1;
                const qsizetype comma = line.indexOf(QLatin1Char(','), i);
                i = comma < 0 ? line.size() : comma;
            } else {
                const qsizetype comma = line.indexOf(QLatin1Char(','), i);
                const qsizetype stop = comma < 0 ? line.size() : comma;
                field = line.mid(i, stop - i).trimmed();
                i = stop;
            }
            fields.append(field);
            ++i;  // past the comma (or past the end)
        }
    }
    return true;
}

QString commPath(const QString &appDir) { return appDir + QStringLiteral("/comm.set"); }
QString modPath(const QString &appDir) { return appDir + QStringLiteral("/ModSet.set"); }
QString replyWindowPath(const QString &appDir) { return appDir + QStringLiteral("/replywin.set"); }

std::optional<int> baudRate(const QString &text)
{
    const auto rate = convert::toWhole(text, kMinBaud, kMaxBaud, convert::Rounding::WholeOnly);
    return rate ? std::optional<int>(int(*rate)) : std::nullopt;
}

namespace {
// A numeric field into a variable of range [lo, hi]: a decimal number, rounded to the nearest
// whole number as the files have always been read.
bool numberField(const QString &field, int lo, int hi, int &out)
{
    const auto v = convert::toWhole(field, lo, hi);
    if (v)
        out = int(*v);
    return bool(v);
}

template <typename T>
Loaded<T> malformed(const QString &why)
{
    return Loaded<T>{T{}, Status::Malformed, why};
}

template <typename T>
Loaded<T> readFile(const QString &path, Loaded<T> (*parse)(const QByteArray &))
{
    const QString name = path.section(QLatin1Char('/'), -1);
    Loaded<T> loaded{T{}, Status::Missing, QCoreApplication::translate("settings", "未找到设置文件 %1").arg(name)};
    safefile::load(path, kMaxFileBytes, [&](const QByteArray &bytes) { loaded = parse(bytes); }, [&](const QString &reason) {
        loaded = malformed<T>(QCoreApplication::translate("settings", "设置文件 %1 %2，未读取").arg(name, reason));
    });
    return loaded;
}

// Translated where used: the language may change after start-up.
const char *const kUnclosed = QT_TRANSLATE_NOOP("settings", "设置文件 %1 格式错误：引号未闭合");
} // namespace

Loaded<Comm> parseComm(const QByteArray &content)
{
    QStringList f;
    if (!splitFields(content, f))
        return malformed<Comm>(QCoreApplication::translate("settings", kUnclosed).arg(QStringLiteral("comm.set")));
    int port = 0;
    if (f.size() < 2 || !numberField(f[0], -32768, 32767, port))
        return malformed<Comm>(QCoreApplication::translate("settings", "设置文件 comm.set 格式错误：应为“端口号,波特率”两个数字"));
    if (port < 1 || port > 25)
        return malformed<Comm>(QCoreApplication::translate("settings", "设置文件 comm.set 中的端口号 %1 不在 1–25 之内").arg(port));
    const auto baud = baudRate(f[1]);
    if (!baud)
        return malformed<Comm>(QCoreApplication::translate("settings", "设置文件 comm.set 中的波特率“%1”不是 %2 到 %3 之间的整数")
                                   .arg(safefile::shown(f[1]), QString::number(kMinBaud), QString::number(kMaxBaud)));
    return Loaded<Comm>{Comm{port, *baud}, Status::Ok, {}};
}

Loaded<Mod> parseMod(const QByteArray &content)
{
    QStringList f;
    if (!splitFields(content, f))
        return malformed<Mod>(QCoreApplication::translate("settings", kUnclosed).arg(QStringLiteral("ModSet.set")));
    if (f.size() < 4)
        return malformed<Mod>(QCoreApplication::translate("settings", "设置文件 ModSet.set 格式错误：应为四个数字"));
    // Field 1 is not used. Each value is held to what its box or command accepts; a value beyond
    // that is named and replaced by its default, the others still count.
    struct Rule { int Mod::*member; const char *caption; int lo, hi; };
    static const Rule rules[] = {
        {&Mod::deviceAddress, QT_TRANSLATE_NOOP("settings", "设备地址"), 1, 255},      // txtStationID
        {&Mod::channelCount, QT_TRANSLATE_NOOP("settings", "通道数"), -32768, 32767},  // only read: start-up sets twenty
        {&Mod::stationCount, QT_TRANSLATE_NOOP("settings", "模块总数"), 0, 255},       // the module pass
    };
    Loaded<Mod> r;
    QStringList bad;
    for (int i = 0; i < 3; ++i) {
        const Rule &rule = rules[i];
        if (!numberField(f[i + 1], rule.lo, rule.hi, r.value.*rule.member))
            bad << QCoreApplication::translate("settings", "%1“%2”不是 %3 到 %4 之间的整数")
                       .arg(QCoreApplication::translate("settings", rule.caption), safefile::shown(f[i + 1]), QString::number(rule.lo),
                            QString::number(rule.hi));
    }
    if (!bad.isEmpty()) {
        r.status = Status::Malformed;
        r.problem = QCoreApplication::translate("settings", "设置文件 ModSet.set 中的%1")
                        .arg(bad.join(QCoreApplication::translate("settings", "、")));
    }
    return r;
}

Loaded<ReplyWindow> parseReplyWindow(const QByteArray &content)
{
    QStringList f;
    if (!splitFields(content, f))
        return malformed<ReplyWindow>(QCoreApplication::translate("settings", kUnclosed).arg(QStringLiteral("replywin.set")));
    ReplyWindow w;
    // Files written before the echo setting have three fields, before the block setting four, before
    // the connect timeout five.
    int echo = int(EchoMode::Auto);
    int blocks = 1;
    if (f.size() < 3 || f.size() > 6 || !numberField(f[0], w.MinWindowMs, w.MaxWindowMs, w.recordWindowMs)
        || !numberField(f[1], w.MinAttempts, w.MaxAttempts, w.attempts)
        || !numberField(f[2], w.MinGuardMs, w.MaxGuardMs, w.guardMs)
        || (f.size() >= 4 && !numberField(f[3], int(EchoMode::Auto), int(EchoMode::Off), echo))
        || (f.size() >= 5 && !numberField(f[4], 0, 1, blocks))
        || (f.size() == 6 && !numberField(f[5], w.MinConnectMs, w.MaxConnectMs, w.connectTimeoutMs)))
        return malformed<ReplyWindow>(
            QCoreApplication::translate("settings", "设置文件 replywin.set 应为“等待毫秒,次数,间隔毫秒,回显,成块读取,连接超时毫秒”六个整数（%1–%2、%3–%4、%5–%6、"
                           "0 自动识别 1 有回显 2 无回显、1 成块读取 0 逐条读取、%7–%8）")
                .arg(w.MinWindowMs).arg(w.MaxWindowMs).arg(w.MinAttempts).arg(w.MaxAttempts)
                .arg(w.MinGuardMs).arg(w.MaxGuardMs).arg(w.MinConnectMs).arg(w.MaxConnectMs));
    w.echo = EchoMode(echo);
    w.blockReads = blocks == 1;
    return Loaded<ReplyWindow>{w, Status::Ok, {}};
}

Loaded<Comm> readComm(const QString &appDir) { return readFile(commPath(appDir), parseComm); }
Loaded<Mod> readMod(const QString &appDir) { return readFile(modPath(appDir), parseMod); }
Loaded<ReplyWindow> readReplyWindow(const QString &appDir) { return readFile(replyWindowPath(appDir), parseReplyWindow); }

bool writeComm(const QString &appDir, const Comm &comm, QString *error)
{
    return safefile::writeWhole(commPath(appDir),
                                QByteArray::number(comm.portNumber) + ',' + QByteArray::number(comm.baudRate) + "\r\n",
                                error);
}

bool writeReplyWindow(const QString &appDir, const ReplyWindow &w, QString *error)
{
    const QByteArray line = QByteArray::number(w.recordWindowMs) + ',' + QByteArray::number(w.attempts) + ','
        + QByteArray::number(w.guardMs) + ',' + QByteArray::number(int(w.echo)) + ',' + QByteArray::number(int(w.blockReads))
        + ',' + QByteArray::number(w.connectTimeoutMs);
    if (parseReplyWindow(line).status != Status::Ok) {  // never a file the next start-up refuses
        if (error)
            *error = QCoreApplication::translate("settings", "数值超出允许范围");
        return false;
    }
    return safefile::writeWhole(replyWindowPath(appDir), line + "\r\n", error);
}

} // namespace settings
