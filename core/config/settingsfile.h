#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <cstdint>
#include <optional>

// A recorder settings file: the polling table and the recording interval as read from one recorder,
// saved as text so that a technician can load them into another one, read them and compare two.
//
//   WL8806N 记录仪设置 1
//   # 读自设备地址 21，时间 2025-03-14 09:26:53
//   # 寄存器 136（RS485轮循数据长度 测点7）也是记录仪的传感器总数，此文件中为 20；载入时一并写入
//   # 每行：寄存器、名称、数值（0 … 65535），以制表符分隔；名称须与寄存器相符
//
//   24	传感器类型 测点1	1
//   …
//   116	记录时间间隔	59
//
// UTF-8, LF line ends. The name on each line is checked when the file is read, so a value that a hand
// edit moved to another line is refused instead of going to the wrong register.
namespace settingsfile {

// register → word, for the registers a settings file holds
using Words = QMap<uint16_t, uint16_t>;

// The registers a settings file holds, in file order: the 101 polling-table registers in box order
// (box 0 … 100: 24 … 104, then 130 … 149), then the recording interval 116.
const QList<uint16_t> &registers();

// How a register is named to a person: "传感器类型 测点3", "RS485 MODBUS-RTU轮循设备总数", "记录时间间隔";
// empty for a register a settings file does not hold.
QString describe(uint16_t reg);

// The file text (UTF-8) for words read from the device at address at time readAt; words must hold
// every register of registers().
QByteArray write(const Words &words, uint8_t address, const QDateTime &readAt);

// What a file gives: every register of registers(), or nothing and one line naming the line that is
// wrong ("第 7 行：……"). Values are whole decimal numbers: a fraction is refused, not rounded (a file
// holds words, and 12.5 there is a mistake). A polling-table value may be what its box accepts,
// -32768 … 65535 with a negative number taken as its 16-bit two's complement; the interval 0 … 65535.
struct Parsed {
    std::optional<Words> words;
    QString error;
};
Parsed parse(const QByteArray &text);

struct Difference {
    uint16_t reg;
    uint16_t device;
    uint16_t file;
};
// Registers whose word in the file differs from the device's, in file order; a register either side
// lacks is left out.
QList<Difference> differences(const Words &device, const Words &file);

// The groups (polling::Group k) that hold at least one of regs, in commit order k = 0 … 5 (the
// interval belongs to none).
QList<int> groupsOf(const QList<uint16_t> &regs);

} // namespace settingsfile
