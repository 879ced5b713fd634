#include "core/config/pollingtable.h"
#include "core/link/convert.h"

namespace polling {

QString Group::boxCaption(int box) const
{
    if (layout == Layout::Single)
        return caption;
    return QStringLiteral("%1 测点%2").arg(caption).arg(slotOf(box));
}

const std::array<Group, 6> &groups()
{
    static const QString readAll = QStringLiteral("读所有");
    static const QString writeAll = QStringLiteral("写所有");
    static const QString readAllP = QStringLiteral("读所有参数");
    static const QString writeAllP = QStringLiteral("写入所有参数");
    static const QString toDevice = QStringLiteral("更新到设备");
    static const QString toHardware = QStringLiteral("更新硬件");
    static const std::array<Group, 6> table{{
        {0, QStringLiteral("fraSensorType"), QStringLiteral("传感器类型"), 0, 20, Layout::TwoColumns, true,
         readAllP, writeAllP, toDevice, 0,
         QStringLiteral("以上参数值范围1-99，1为温度 2为湿度 3是气体 4是电压 5是电流"), 0, 0, -1},
        {1, QStringLiteral("Frame4"), QStringLiteral("RS485轮循设备地址"), 20, 20, Layout::Column, true,
         readAll, writeAll, toHardware, 1, QStringLiteral("以上参数值范围1-20"), 1, 1, 4},
        {2, QStringLiteral("Frame12"), QStringLiteral("RS485轮循寄存器起始地址"), 40, 20, Layout::Column, true,
         readAll, writeAll, toHardware, 2, QString(), 2, 2, -1},
        {3, QStringLiteral("Frame16"), QStringLiteral("测点数据倍率"), 60, 20, Layout::TwoColumns, true,
         readAllP, writeAllP, toDevice, 4, QString(), 3, 3, -1},
        {4, QStringLiteral("Frame3"), QStringLiteral("RS485轮循数据长度"), 81, 20, Layout::Column, true,
         readAll, writeAll, toHardware, 6, QString(), 4, 5, -1},
        {5, QStringLiteral("Frame13"), QStringLiteral("RS485 MODBUS-RTU轮循设备总数"), 80, 1, Layout::Single, false,
         QString(), QString(), toDevice, 5, QStringLiteral("值为范围1-99"), -1, -1, -1},
    }};
    return table;
}

const Group &groupOfBox(int i)
{
    for (const Group &g : groups())
        if (g.holds(i))
            return g;
    Q_ASSERT_X(false, "groupOfBox", "box index outside 0 … 100");
    return groups()[5];
}

QStringList presetTexts(bool sequential, const QString &current)
{
    QStringList out;
    out.reserve(SlotCount);
    for (int n = 1; n <= SlotCount; ++n)
        out << (sequential ? QString::number(n) : current);
    return out;
}

int tableWord(uint16_t word)
{
    if (word == 0xFFFF)
        return 0;
    return word > 40000 ? int(word) - 65536 : int(word);
}

std::optional<uint16_t> replyWord(const QByteArray &reply, int j)
{
    const qsizetype p = 3 + 2 * qsizetype(j);
    if (j < 0 || p + 1 >= reply.size() - 2)  // the last two bytes are the CRC
        return std::nullopt;
    return uint16_t((uint8_t(reply[p]) << 8) | uint8_t(reply[p + 1]));
}

QVector<uint16_t> replyWords(const QByteArray &reply, int maxLength)
{
    QVector<uint16_t> out;
    if (reply.size() < 6)
        return out;
    for (int j = 0; j < maxLength; ++j) {
        const auto w = replyWord(reply, j);
        if (!w)
            break;
        out.append(*w);
    }
    return out;
}

ReadBack readAllBox(uint16_t word) { return {QString::number(tableWord(word)), word}; }

ReadBack readOneBox(uint16_t word) { return {QString::number(word), word}; }

std::optional<BoxWrite> boxWrite(const QString &text, const std::optional<ReadBack> &read)
{
    if (read && read->text == text)
        return BoxWrite{read->word, QString()};
    const auto v = convert::toWhole(text, LowestValue, HighestValue, convert::Rounding::NearestEven);
    if (!v)
        return std::nullopt;
    return BoxWrite{uint16_t(*v & 0xFFFF), convert::roundingNote(text, *v)};
}

} // namespace polling
