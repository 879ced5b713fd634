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
        {.k = 0, .frame = QStringLiteral("fraSensorType"), .caption = QStringLiteral("传感器类型"), .first = 0,
         .layout = Layout::TwoColumns, .readAllCaption = readAllP, .writeAllCaption = writeAllP,
         .commitCaption = toDevice, .coil = 0,
         .hint = QStringLiteral("以上参数值范围1-99，1为温度 2为湿度 3是气体 4是电压 5是电流"),
         .presets = Presets{.current = 0, .uniform = 0}},
        {.k = 1, .frame = QStringLiteral("Frame4"), .caption = QStringLiteral("RS485轮循设备地址"), .first = 20,
         .readAllCaption = readAll, .writeAllCaption = writeAll, .commitCaption = toHardware, .coil = 1,
         .hint = QStringLiteral("以上参数值范围1-20"), .presets = Presets{.current = 1, .uniform = 1, .sequential = 4}},
        {.k = 2, .frame = QStringLiteral("Frame12"), .caption = QStringLiteral("RS485轮循寄存器起始地址"), .first = 40,
         .readAllCaption = readAll, .writeAllCaption = writeAll, .commitCaption = toHardware, .coil = 2,
         .presets = Presets{.current = 2, .uniform = 2}},
        {.k = 3, .frame = QStringLiteral("Frame16"), .caption = QStringLiteral("测点数据倍率"), .first = 60,
         .layout = Layout::TwoColumns, .readAllCaption = readAllP, .writeAllCaption = writeAllP,
         .commitCaption = toDevice, .coil = 4, .presets = Presets{.current = 3, .uniform = 3}},
        {.k = 4, .frame = QStringLiteral("Frame3"), .caption = QStringLiteral("RS485轮循数据长度"), .first = 81,
         .readAllCaption = readAll, .writeAllCaption = writeAll, .commitCaption = toHardware, .coil = 6,
         .presets = Presets{.current = 4, .uniform = 5}},
        {.k = 5, .frame = QStringLiteral("Frame13"), .caption = QStringLiteral("RS485 MODBUS-RTU轮循设备总数"),
         .first = 80, .count = 1, .layout = Layout::Single, .readAll = false, .commitCaption = toDevice, .coil = 5,
         .hint = QStringLiteral("值为范围1-99")},
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

ReadBack readAllBox(uint16_t word) { return {QString::number(convert::registerValue(word)), word}; }

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
