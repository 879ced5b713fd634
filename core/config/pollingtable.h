#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <array>
#include <cstdint>
#include <optional>

// The recorder's polling table: for each of its twenty slots a sensor type, the polled device's
// address, the register to start reading at, the number of registers and a multiplier, plus the
// number of polled devices. The editor shows it as 101 boxes, txtChannel(0) … txtChannel(100), in
// six groups; this is the part of the editor that needs no widget.
namespace polling {

constexpr int BoxCount = 101;
constexpr int SlotCount = 20;
constexpr int DeviceCountBox = 80;

// Holding register of box i: 24 … 104 for boxes 0 … 80, 130 … 149 for boxes 81 … 100.
constexpr uint16_t registerOf(int i) { return uint16_t(i <= 80 ? i + 24 : i + 49); }
// The box whose holding register reg is; -1 for a register of no box.
constexpr int boxOf(uint16_t reg)
{
    for (int i = 0; i < BoxCount; ++i)
        if (registerOf(i) == reg)
            return i;
    return -1;
}

enum class Layout {
    Numbered,    // slots 1–10 left, 11–20 right, the rows labelled "1" … "20", the commands below
    Sensors,     // slots 1–10 left, 11–20 right, each row labelled "测点", the commands below
    Single,      // the device count: one box
};

// The preset box of a group, txtCurrent(current), with "统一预设" (cmdCurrentSet(uniform)) and, where
// the group has it, "顺序预设" (cmdCurrentSet(sequential)).
struct Presets {
    int current;
    int uniform;
    std::optional<int> sequential{};
};

// One group of boxes and the index k of its group commands (cmdReadAlarm(k), cmdSetAll(k),
// cmdWriteEEp(k)).
struct Group {
    int k;                       // cmdWriteEEp index; also cmdReadAlarm / cmdSetAll index when readAll
    QString frame;               // objectName of the frame the group fills
    QString caption;             // the frame's caption, in the window's language
    int first;                   // first box
    int count = SlotCount;       // boxes in the group
    Layout layout = Layout::Numbered;
    bool readAll = true;         // has "读所有" and "写所有" (the device count has neither)
    QString readAllCaption{};    // cmdReadAlarm(k)
    QString writeAllCaption{};   // cmdSetAll(k)
    QString commitCaption;       // cmdWriteEEp(k)
    uint16_t coil;               // switched on by the commit: the recorder takes the group's registers over
    QString hint{};              // shown in the frame; empty for none
    std::optional<Presets> presets{};  // none for the device count
    QString name{};              // the caption untranslated: settings files name the boxes by it

    uint16_t firstRegister() const { return registerOf(first); }
    int last() const { return first + count - 1; }
    bool holds(int box) const { return box >= first && box <= last(); }
    // The slot (1 … 20) a box stands for; 0 for the device count.
    int slotOf(int box) const { return layout == Layout::Single ? 0 : box - first + 1; }
    // How a box is named in messages: "RS485轮循设备地址 测点3".
    QString boxCaption(int box) const;
    // How a settings file names a box: boxCaption untranslated.
    QString boxName(int box) const;
};

// Sensor type, device address, register start, multiplier, data length, device count: k = 0 … 5.
const std::array<Group, 6> &groups();
// The group that holds box i (0 … 100).
const Group &groupOfBox(int i);

constexpr int PresetCount = 6;
constexpr int CurrentCount = 5;

// The texts a preset puts into its group's boxes: the text of the preset box verbatim for a uniform
// preset, "1" … "20" for the sequential one.
QStringList presetTexts(bool sequential, const QString &current);

// The numbers a box may hold: negative ones are what read-all shows for words above 40000.
constexpr long long LowestValue = -32768;
constexpr long long HighestValue = 65535;

// The data words of a read reply, at most maxLength of them: only words whose two bytes both lie
// before the CRC. Empty for a reply shorter than six bytes.
QVector<uint16_t> replyWords(const QByteArray &reply, int maxLength);

// Word j of a read reply's data (bytes 3 + 2j, 4 + 2j), when the reply holds it before its CRC.
std::optional<uint16_t> replyWord(const QByteArray &reply, int j);

// What a read put into a box: its text and the register word behind it. Read-all shows FFFF as 0,
// so the text alone would write 0 back over it.
struct ReadBack {
    QString text;
    uint16_t word;
};
// The box of a read-all (convert::registerValue: 65535 as 0, words above 40000 negative),
// respectively of a single read (which shows the word as it is).
ReadBack readAllBox(uint16_t word);
ReadBack readOneBox(uint16_t word);

// What writing a box sends. While the box still shows what a read put there, the word that was
// read. Otherwise the text as a decimal number, rounded to the nearest whole number (halves to even),
// LowestValue … HighestValue, negative numbers as their 16-bit two's complement; nothing for
// anything else.
struct BoxWrite {
    uint16_t word;
    QString rounding;  // "“12.5”已取整为 12" when the typed text was rounded; empty otherwise
};
std::optional<BoxWrite> boxWrite(const QString &text, const std::optional<ReadBack> &read);

} // namespace polling
