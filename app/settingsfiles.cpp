#include "app/settingsfiles.h"
#include <QFile>
#include <QSaveFile>
#include <cmath>
#include <limits>

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

bool isListedBaud(int rate)
{
    return rate == 4800 || rate == 9600 || rate == 14400 || rate == 19200 || rate == 38400;
}

namespace {
// A numeric field into a 16- or 32-bit signed variable: a decimal number, rounded to the nearest
// whole number as the file has always been read.
bool numberField(const QString &field, qint64 lo, qint64 hi, int &out)
{
    bool ok = false;
    // Rounded before the range check (32767.5 is 32768, too big); "nan" fails both comparisons.
    const double d = std::nearbyint(field.trimmed().toDouble(&ok));
    if (!ok || !(d >= double(lo) && d <= double(hi)))
        return false;
    out = int(d);
    return true;
}

template <typename T>
bool readFile(const QString &path, const QString &name, Loaded<T> &result, QStringList &fields)
{
    QFile f(path);
    if (!f.exists()) {
        result.status = Status::Missing;
        result.problem = QStringLiteral("未找到设置文件 %1").arg(name);
        return false;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        result.status = Status::Malformed;
        result.problem = QStringLiteral("设置文件 %1 无法读取：%2").arg(name, f.errorString());
        return false;
    }
    if (!splitFields(f.readAll(), fields)) {
        result.status = Status::Malformed;
        result.problem = QStringLiteral("设置文件 %1 格式错误：引号未闭合").arg(name);
        return false;
    }
    return true;
}

template <typename T>
void malformed(Loaded<T> &result, const QString &why)
{
    result.value = T{};
    result.status = Status::Malformed;
    result.problem = why;
}
} // namespace

Loaded<Comm> readComm(const QString &appDir)
{
    Loaded<Comm> r;
    QStringList f;
    if (!readFile(commPath(appDir), QStringLiteral("comm.set"), r, f))
        return r;
    int port = 0, baud = 0;
    if (f.size() < 2 || !numberField(f[0], -32768, 32767, port) || !numberField(f[1], INT32_MIN, INT32_MAX, baud)) {
        malformed(r, QStringLiteral("设置文件 comm.set 格式错误：应为“端口号,波特率”两个数字"));
    } else if (port < 1 || port > 25) {
        malformed(r, QStringLiteral("设置文件 comm.set 中的端口号 %1 不在 1–25 之内").arg(port));
    } else if (!isListedBaud(baud)) {
        malformed(r, QStringLiteral("设置文件 comm.set 中的波特率 %1 不是 4800、9600、14400、19200 或 38400").arg(baud));
    } else {
        r.value = Comm{port, baud};
    }
    return r;
}

Loaded<Mod> readMod(const QString &appDir)
{
    Loaded<Mod> r;
    QStringList f;
    if (!readFile(modPath(appDir), QStringLiteral("ModSet.set"), r, f))
        return r;
    int v[4] = {};
    bool ok = f.size() >= 4;
    for (int i = 0; ok && i < 4; ++i)
        ok = numberField(f[i], -32768, 32767, v[i]);
    if (!ok)
        malformed(r, QStringLiteral("设置文件 ModSet.set 格式错误：应为四个数字"));
    else
        r.value = Mod{v[1], v[2], v[3]};
    return r;
}

bool writeComm(const QString &appDir, const Comm &comm, QString *error)
{
    QSaveFile f(commPath(appDir));
    if (!f.open(QIODevice::WriteOnly)) {
        if (error) *error = f.errorString();
        return false;
    }
    f.write(QByteArray::number(comm.portNumber) + ',' + QByteArray::number(comm.baudRate) + "\r\n");
    if (!f.commit()) {
        if (error) *error = f.errorString();
        return false;
    }
    return true;
}

} // namespace settings
