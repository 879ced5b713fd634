#include "core/config/pollingtable.h"
#include "core/link/convert.h"
#include <QCoreApplication>

namespace polling {

QString Group::boxCaption(int box) const
{
    if (layout == Layout::Single)
        return caption;
    return QCoreApplication::translate("polling", "%1 测点%2").arg(caption).arg(slotOf(box));
}

QString Group::boxName(int box) const
{
    if (layout == Layout::Single)
        return name;
    return QStringLiteral("%1 测点%2").arg(name).arg(slotOf(box));
}

namespace {
constexpr const char *Captions[6] = {
    QT_TRANSLATE_NOOP("polling", "传感器类型"),       QT_TRANSLATE_NOOP("polling", "RS485轮循设备地址"),
    QT_TRANSLATE_NOOP("polling", "RS485轮循寄存器起始地址"), QT_TRANSLATE_NOOP("polling", "测点数据倍率"),
    QT_TRANSLATE_NOOP("polling", "RS485轮循数据长度"), QT_TRANSLATE_NOOP("polling", "RS485 MODBUS-RTU轮循设备总数"),
};

QString shown(const char *text) { return QCoreApplication::translate("polling", text); }

std::array<Group, 6> build()
{
    const QString readAll = shown(QT_TRANSLATE_NOOP("polling", "读所有"));
    const QString writeAll = shown(QT_TRANSLATE_NOOP("polling", "写所有"));
    const QString readAllP = shown(QT_TRANSLATE_NOOP("polling", "读所有参数"));
    const QString writeAllP = shown(QT_TRANSLATE_NOOP("polling", "写入所有参数"));
    const QString toDevice = shown(QT_TRANSLATE_NOOP("polling", "更新到设备"));
    const QString toHardware = shown(QT_TRANSLATE_NOOP("polling", "更新硬件"));
    std::array<Group, 6> table{{
        {.k = 0, .frame = QStringLiteral("fraSensorType"), .caption = shown(Captions[0]), .first = 0,
         .layout = Layout::Sensors, .readAllCaption = readAllP, .writeAllCaption = writeAllP,
         .commitCaption = toDevice, .coil = 0,
         .hint = shown(QT_TRANSLATE_NOOP("polling", "以上参数值范围1-99，1为温度 2为湿度 3是气体 4是电压 5是电流")),
         .presets = Presets{.current = 0, .uniform = 0}},
        {.k = 1, .frame = QStringLiteral("Frame4"), .caption = shown(Captions[1]), .first = 20,
         .readAllCaption = readAll, .writeAllCaption = writeAll, .commitCaption = toHardware, .coil = 1,
         .hint = shown(QT_TRANSLATE_NOOP("polling", "以上参数值范围1-20")),
         .presets = Presets{.current = 1, .uniform = 1, .sequential = 4}},
        {.k = 2, .frame = QStringLiteral("Frame12"), .caption = shown(Captions[2]), .first = 40,
         .readAllCaption = readAll, .writeAllCaption = writeAll, .commitCaption = toHardware, .coil = 2,
         .presets = Presets{.current = 2, .uniform = 2}},
        {.k = 3, .frame = QStringLiteral("Frame16"), .caption = shown(Captions[3]), .first = 60,
         .layout = Layout::Sensors, .readAllCaption = readAllP, .writeAllCaption = writeAllP,
         .commitCaption = toDevice, .coil = 4, .presets = Presets{.current = 3, .uniform = 3}},
        {.k = 4, .frame = QStringLiteral("Frame3"), .caption = shown(Captions[4]), .first = 81,
         .readAllCaption = readAll, .writeAllCaption = writeAll, .commitCaption = toHardware, .coil = 6,
         .presets = Presets{.current = 4, .uniform = 5}},
        {.k = 5, .frame = QStringLiteral("Frame13"), .caption = shown(Captions[5]),
         .first = 80, .count = 1, .layout = Layout::Single, .readAll = false, .commitCaption = toDevice, .coil = 5,
         .hint = shown(QT_TRANSLATE_NOOP("polling", "值为范围1-99"))},
    }};
    for (size_t k = 0; k < table.size(); ++k)
        table[k].name = QString::fromUtf8(Captions[k]);
    return table;
}
} // namespace

const std::array<Group, 6> &groups()
{
    // Built again in place when the window's language has changed: references into it stay valid.
    static std::array<Group, 6> table = build();
    if (table[0].caption != shown(Captions[0]))
        table = build();
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
