#pragma once
#include "core/records/replywindow.h"

class Desktop;
class Link;
class ModbusPanel;
class StatusPanel;
class TrafficView;

// What every device panel shares: the line, the desktop, the traffic display (status line, lamps,
// hex boxes), the Modbus settings (txtStationID, the device address of every request) and the
// status group with its counters.
struct PanelContext {
    Link &link;
    Desktop &desktop;
    TrafficView &view;
    ModbusPanel &modbus;
    StatusPanel &status;
    // The record read's reply window, retries and late-reply guard (replywin.set).
    records::ReplyWindow replyWindow{};
};
