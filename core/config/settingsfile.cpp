#include "core/config/settingsfile.h"
#include "core/config/pollingtable.h"
#include "core/config/recordersettings.h"
#include "core/link/convert.h"
#include "core/files/safefile.h"
#include <QCoreApplication>
#include <QHash>
#include <QStringDecoder>
#include <algorithm>

namespace settingsfile {

namespace {
// The first line of every file; a reader that meets another version refuses it rather than guess.
// (Functions, not globals: a test's global may call write() before this file's globals exist.)
QString kind() { return QStringLiteral("WL8806N 记录仪设置"); }
QString version() { return QStringLiteral("1"); }
QString magic() { return kind() + QLatin1Char(' ') + version(); }

bool holds(uint16_t reg) { return polling::boxOf(reg) >= 0 || reg == recorder::IntervalRegister; }

QString named(uint16_t reg) { return QCoreApplication::translate("settingsfile", "%1（%2）").arg(QString::number(reg), describe(reg)); }

Parsed refused(qsizetype line, const QString &why)
{
    return Parsed{std::nullopt, QCoreApplication::translate("settingsfile", "第 %1 行：%2").arg(QString::number(line), why)};
}

QString quoted(const QString &text) { return QCoreApplication::translate("settingsfile", "“%1”").arg(safefile::shown(text)); }
} // namespace

const QList<uint16_t> &registers()
{
    static const QList<uint16_t> list = [] {
        QList<uint16_t> l;
        for (int i = 0; i < polling::BoxCount; ++i)
            l << polling::registerOf(i);
        return l << recorder::IntervalRegister;
    }();
    return list;
}

QString describe(uint16_t reg)
{
    if (reg == recorder::IntervalRegister)
        return QStringLiteral("记录时间间隔");
    const int box = polling::boxOf(reg);
    return box < 0 ? QString() : polling::groupOfBox(box).boxName(box);
}

QByteArray write(const Words &words, uint8_t address, const QDateTime &readAt)
{
    Q_ASSERT(std::all_of(registers().begin(), registers().end(), [&](uint16_t r) { return words.contains(r); }));
    const uint16_t sensors = recorder::SensorCountRegister;
    QString out = magic() + QLatin1Char('\n');
    out += QStringLiteral("# 读自设备地址 %1，时间 %2\n")
               .arg(QString::number(address), readAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    out += QStringLiteral("# 寄存器 %1也是记录仪的传感器总数，此文件中为 %2；载入时一并写入\n")
               .arg(QStringLiteral("%1（%2）").arg(QString::number(sensors), describe(sensors)),
                    QString::number(words.value(sensors)));
    out += QStringLiteral("# 每行：寄存器、名称、数值（0 … 65535），以制表符分隔；名称须与寄存器相符\n");
    int group = -1;
    for (uint16_t reg : registers()) {
        // A blank line before each group keeps the file readable; the reader skips it.
        const int box = polling::boxOf(reg);
        const int k = box < 0 ? -1 : polling::groupOfBox(box).k;
        if (k != group || box < 0)
            out += QLatin1Char('\n');
        group = k;
        out += QStringLiteral("%1\t%2\t%3\n").arg(QString::number(reg), describe(reg), QString::number(words.value(reg)));
    }
    return out.toUtf8();
}

Parsed parse(const QByteArray &text)
{
    // Notepad starts a UTF-8 file with a byte-order mark.
    const QByteArray body = text.startsWith("\xEF\xBB\xBF") ? text.mid(3) : text;
    const QList<QByteArray> lines = body.split('\n');
    const qsizetype count = lines.size() > 1 && lines.last().isEmpty() ? lines.size() - 1 : lines.size();
    Words words;
    QHash<uint16_t, qsizetype> lineOf;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype n = i + 1;
        // Chinese Windows saves GBK by default: say so, rather than call every name wrong.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        const QString line = utf8(lines[i]);  // a CR of a CR LF goes with the trimming below
        if (utf8.hasError())
            return refused(n, QCoreApplication::translate("settingsfile", "不是 UTF-8 编码的文字（设置文件须以 UTF-8 保存）"));
        const QString trimmed = line.trimmed();
        if (n == 1) {
            if (trimmed == magic())
                continue;
            if (trimmed.startsWith(kind() + QLatin1Char(' ')))
                return refused(n, QCoreApplication::translate("settingsfile", "记录仪设置文件的版本%1不受支持，此程序读版本 %2")
                                      .arg(quoted(trimmed.mid(kind().size() + 1)), version()));
            return refused(n, QCoreApplication::translate("settingsfile", "不是记录仪设置文件（应以“%1”开头）").arg(magic()));
        }
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        const QStringList field = line.split(QLatin1Char('\t'));
        if (field.size() != 3)
            return refused(n, QCoreApplication::translate("settingsfile", "%1不是以制表符分隔的“寄存器、名称、数值”").arg(quoted(trimmed)));
        bool isNumber = false;
        const uint r = field[0].trimmed().toUInt(&isNumber);
        if (!isNumber || r > 0xFFFF || !holds(uint16_t(r)))
            return refused(n, QCoreApplication::translate("settingsfile", "%1不是设置文件所含的寄存器（24 … 104、130 … 149、116）").arg(quoted(field[0].trimmed())));
        const uint16_t reg = uint16_t(r);
        if (field[1].simplified() != describe(reg))
            return refused(n, QCoreApplication::translate("settingsfile", "寄存器 %1 是“%2”，不是%3").arg(QString::number(reg), describe(reg), quoted(field[1])));
        if (lineOf.contains(reg))
            return refused(n, QCoreApplication::translate("settingsfile", "寄存器 %1已在第 %2 行给出").arg(named(reg), QString::number(lineOf[reg])));
        const bool table = reg != recorder::IntervalRegister;
        const long long lo = table ? polling::LowestValue : 0, hi = table ? polling::HighestValue : 0xFFFF;
        const auto v = convert::toWhole(field[2], lo, hi, convert::Rounding::WholeOnly);
        if (!v)
            return refused(n, QCoreApplication::translate("settingsfile", "“%1”的数值%2不是 %3 到 %4 之间的整数")
                                  .arg(describe(reg), quoted(field[2].trimmed()), QString::number(lo), QString::number(hi)));
        words.insert(reg, uint16_t(*v & 0xFFFF));
        lineOf.insert(reg, n);
    }
    const auto missing = std::find_if(registers().begin(), registers().end(), [&](uint16_t r) { return !words.contains(r); });
    if (missing != registers().end()) {
        const qsizetype lacking = registers().size() - words.size();
        return refused(count, QCoreApplication::translate("settingsfile", "文件到此结束，缺少寄存器 %1%2")
                                  .arg(named(*missing), lacking > 1 ? QCoreApplication::translate("settingsfile", "等 %1 个").arg(lacking) : QString()));
    }
    return Parsed{words, QString()};
}

QList<Difference> differences(const Words &device, const Words &file)
{
    QList<Difference> out;
    for (uint16_t reg : registers())
        if (device.contains(reg) && file.contains(reg) && device[reg] != file[reg])
            out.append(Difference{reg, device[reg], file[reg]});
    return out;
}

QList<int> groupsOf(const QList<uint16_t> &regs)
{
    QList<int> out;
    for (const polling::Group &g : polling::groups())
        if (std::any_of(regs.begin(), regs.end(), [&](uint16_t r) { return polling::boxOf(r) >= 0 && g.holds(polling::boxOf(r)); }))
            out.append(g.k);
    return out;
}

} // namespace settingsfile
