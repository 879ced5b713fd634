#pragma once
#include "core/config/clockfields.h"
#include "core/link/exchange.h"
#include <QStringList>
#include <functional>
// Setting the recorder's clock: the four register writes, each followed by the recorder's 500 ms,
// then coil 8, which makes the clock take the time over. The recorder starts the second the registers
// hold when coil 8's frame has reached it, so the registers hold the PC's time of that moment: a whole
// second far enough ahead for the writes, and coil 8 sent on a timer so that its last byte arrives as
// the PC's clock begins that second.
namespace clockfields {
struct ClockSet {
    // Empty when every write went out; otherwise why the set ended early (the port closed, a stop).
    QString ended;
    // The writes that went out but were not confirmed: "寄存器 129（无应答）".
    QStringList unconfirmed;
    QDateTime time;  // the time the recorder was set to (invalid when none was written)
    bool done() const { return ended.isEmpty() && unconfirmed.isEmpty(); }
};
// now: the PC's local time (read once at the start; the set measures the time its writes take itself).
ClockSet setClock(Link &link, const Link::Hold &hold, uint8_t address, const std::function<QDateTime()> &now);
// The BCD bytes of a time as the boxes would show it; nothing from the year 2100 on.
std::optional<std::array<uint8_t, BoxCount>> bcdOf(const QDateTime &time);
} // namespace clockfields
