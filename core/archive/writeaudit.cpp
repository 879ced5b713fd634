#include "core/archive/writeaudit.h"
#include "core/config/clockfields.h"
#include "core/config/recordersettings.h"
#include "core/config/settingsfile.h"
#include "core/link/baudrates.h"
#include "core/link/frames.h"
#include "core/records/recordcount.h"
#include <QCoreApplication>

namespace archive {

namespace {
uint16_t wordAt(const QByteArray &b, int i) { return uint16_t(uint8_t(b[i]) << 8 | uint8_t(b[i + 1])); }

// The recorder's name for a register, where it has one: the polling table's and the interval as the
// settings file names them.
QString registerName(uint16_t reg)
{
    if (const QString name = settingsfile::describe(reg); !name.isEmpty())
        return name;
    if (reg >= recorder::BaudRegisterBase && reg <= recorder::BaudRegisterBase + baud::HighestCode)
        return QCoreApplication::translate("archive", "波特率");
    if (reg >= clockfields::WriteRegister && reg < clockfields::WriteRegister + 4)
        return QCoreApplication::translate("archive", "时钟");
    if (reg == records::RecordCountRegister)
        return QCoreApplication::translate("archive", "记录条数");
    if (reg == records::RecordPointerRegister || reg == records::RecordPointerRegister + 1)
        return QCoreApplication::translate("archive", "记录指针");
    return {};
}

QString coilName(uint16_t coil)
{
    if (coil == records::ClearMemoryCoil)
        return QCoreApplication::translate("archive", "清除记录");
    if (coil == clockfields::SetCoil)
        return QCoreApplication::translate("archive", "设置时钟");
    return {};
}

QString named(const QString &what, const QString &name)
{
    return name.isEmpty() ? what : QStringLiteral("%1（%2）").arg(what, name);
}

QString joined(const QList<uint16_t> &values)
{
    QStringList parts;
    for (uint16_t v : values)
        parts << QString::number(v);
    return parts.join(QStringLiteral(", "));
}

bool inClock(uint16_t first, qsizetype count)
{
    return first >= clockfields::WriteRegister && first + count <= clockfields::WriteRegister + 4;
}

QString timeText(const QDateTime &t) { return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

// Words from first on as the trail says them: the clock's BCD words as the time they set (all four
// as one time), a clock word that sets none in hex; every other register's in decimal.
QString wordsText(uint16_t first, const QList<uint16_t> &values)
{
    if (!inClock(first, values.size()))
        return joined(values);
    if (values.size() == 4)
        if (const auto t = clockfields::writeWordsTime({values[0], values[1], values[2], values[3]}))
            return timeText(*t);
    QStringList parts;
    for (qsizetype k = 0; k < values.size(); ++k)
        parts << clockfields::writeWordText(uint16_t(first + k), values[k])
                     .value_or(QStringLiteral("0x") + QString::number(values[k], 16).toUpper().rightJustified(4, QLatin1Char('0')));
    return parts.join(QStringLiteral(", "));
}
} // namespace

std::optional<WriteWords> describeWrite(const QByteArray &request)
{
    if (request.size() < 8)
        return std::nullopt;
    WriteWords w;
    w.address = uint8_t(request[0]);
    w.first = wordAt(request, 2);
    switch (uint8_t(request[1])) {
    case modbus::WriteSingleCoil:
        w.coil = true;
        w.values = {uint16_t(wordAt(request, 4) == 0xFF00 ? 1 : 0)};
        w.text = QStringLiteral("%1 = %2").arg(named(QCoreApplication::translate("archive", "线圈 %1").arg(w.first), coilName(w.first)),
                                               w.values[0] ? QCoreApplication::translate("archive", "开") : QCoreApplication::translate("archive", "关"));
        return w;
    case modbus::WriteSingleRegister:
        w.values = {wordAt(request, 4)};
        break;
    case modbus::WriteMultipleRegisters: {
        const int count = wordAt(request, 4);
        if (count < 1 || request.size() != 9 + 2 * count)
            return std::nullopt;
        for (int k = 0; k < count; ++k)
            w.values << wordAt(request, 7 + 2 * k);
        break;
    }
    default:
        return std::nullopt;
    }
    const QString regs = w.values.size() == 1 ? QCoreApplication::translate("archive", "寄存器 %1").arg(w.first)
                                              : QCoreApplication::translate("archive", "寄存器 %1…%2").arg(w.first).arg(w.first + w.values.size() - 1);
    w.text = QStringLiteral("%1 = %2").arg(named(regs, registerName(w.first)), wordsText(w.first, w.values));
    return w;
}

WriteAudit::WriteAudit(Link &link, RecorderName name, Sink sink, QObject *parent)
    : QObject(parent), m_name(std::move(name)), m_sink(std::move(sink))
{
    connect(&link, &Link::exchangeFinished, this, [this](const ExchangeKind &, const Exchange &ex) { finished(ex); });
}

std::optional<QDateTime> WriteAudit::knownClock(uint8_t address) const
{
    std::array<uint16_t, 4> words{};
    for (uint16_t k = 0; k < 4; ++k) {
        const auto it = m_known.constFind(quint32(address) << 16 | uint16_t(clockfields::WriteRegister + k));
        if (it == m_known.cend())
            return std::nullopt;
        words[k] = *it;
    }
    return clockfields::writeWordsTime(words);
}

void WriteAudit::finished(const Exchange &ex)
{
    if (!ex.sent || ex.request.size() < 8)
        return;
    const uint8_t address = uint8_t(ex.request[0]);
    const auto key = [address](uint16_t reg) { return quint32(address) << 16 | reg; };
    if (uint8_t(ex.request[1]) == modbus::ReadHoldingRegisters) {
        // A reply taken whole: byte count, then the words of the registers asked.
        const uint16_t first = wordAt(ex.request, 2);
        const int count = wordAt(ex.request, 4);
        if (ex.info.exact() && ex.reply.size() == 5 + 2 * count)
            for (int k = 0; k < count; ++k)
                m_known.insert(key(uint16_t(first + k)), wordAt(ex.reply, 3 + 2 * k));
        return;
    }
    const auto w = describeWrite(ex.request);
    if (!w)
        return;
    QString before;
    if (!w->coil) {
        QList<uint16_t> old;
        for (int k = 0; k < w->values.size(); ++k)
            if (const auto it = m_known.constFind(key(uint16_t(w->first + k))); it != m_known.cend())
                old << *it;
        if (old.size() == w->values.size())
            before = wordsText(w->first, old);
    }
    QString after = w->text;
    if (ex.valid()) {
        for (int k = 0; k < w->values.size() && !w->coil; ++k)
            m_known.insert(key(uint16_t(w->first + k)), w->values[k]);
        // A part of the clock: the time its four registers set now, when all of them are known.
        if (!w->coil && w->values.size() < 4 && inClock(w->first, w->values.size()))
            if (const auto t = knownClock(address))
                after += QCoreApplication::translate("archive", "（时钟寄存器合为 %1）").arg(timeText(*t));
    } else if (ex.info.whole()) {
        after += QCoreApplication::translate("archive", "（记录仪拒绝：%1）").arg(modbus::describeReply(ex.info));  // an exception: nothing was taken
    } else {
        // Perhaps taken, perhaps not: what the register holds now is not known.
        for (int k = 0; k < w->values.size() && !w->coil; ++k)
            m_known.remove(key(uint16_t(w->first + k)));
        after += QCoreApplication::translate("archive", "（未确认：%1）").arg(modbus::describeReply(ex.info));
    }
    m_sink({m_name(address), QLatin1String(kinds::DeviceWrite), before, after});
}

} // namespace archive
