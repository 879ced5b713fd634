#pragma once
#include "ui/boxinput.h"
#include "core/records/replywindow.h"
#include "ui/trafficpresenter.h"
#include <cstdint>
#include <optional>

class Desktop;
class Link;
class RecordArchive;

// The Modbus settings of the window ("MODBUS-RTU设置") as the device commands take them: each value
// is checked when asked for; a box that does not give it gets a message naming the box (after
// beforeMessage) and nothing is returned, so the command sends nothing.
class ModbusSettings {
public:
    virtual ~ModbusSettings() = default;
    // "设备地址", the device of every request: 1 … 255, never the broadcast 0.
    virtual std::optional<uint8_t> deviceAddress(const BeforeMessage &beforeMessage = {}) = 0;
    // The same box read quietly (no message): nothing while it holds no device address.
    virtual std::optional<uint8_t> addressInBox() const = 0;
    // "功能号" of a live read: 3 or 4.
    virtual std::optional<uint8_t> function(const BeforeMessage &beforeMessage = {}) = 0;
    // "起始地址" counted from 1 (1 … 256), as the zero-based register of the request.
    virtual std::optional<uint16_t> startRegister(const BeforeMessage &beforeMessage = {}) = 0;
    // "起始地址" taken as the register itself (0 … 255): the module pass asks from there.
    virtual std::optional<uint16_t> startRegisterAsIs() = 0;
    // "数据长度": 1 … 125 registers.
    virtual std::optional<uint8_t> registerCount(const BeforeMessage &beforeMessage = {}) = 0;
    // What a command used, shown in the boxes: the module a pass is at, the count a read asked for.
    virtual void showDeviceAddress(int address) = 0;
    virtual void showRegisterCount(int count) = 0;
};

// The counter of the status group that commands set (the requests and replies are counted by the
// traffic presenter, and reset only by the group's "清零").
class Counters {
public:
    virtual ~Counters() = default;
    virtual void setPasses(long long n) = 0;            // lblPassCount: module passes completed
};

// What every device panel shares: the line, the desktop, the traffic display (status line, lamps,
// hex boxes), the Modbus settings and the counters.
struct PanelContext {
    Link &link;
    Desktop &desktop;
    TrafficPresenter &view;
    ModbusSettings &modbus;
    Counters &counters;
    // The record read's reply window, retries and late-reply guard (replywin.set).
    records::ReplyWindow replyWindow{};
    // The modules a module pass walks (ModSet.set).
    int moduleCount = 1;
    // Where downloaded records are kept (none: they are not archived).
    RecordArchive *archive = nullptr;
};
