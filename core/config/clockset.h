#pragma once
#include "core/config/clockfields.h"
#include "core/link/exchange.h"
#include <QStringList>
// Setting the recorder's clock: the four register writes, each followed by the recorder's 500 ms,
// then coil 8, which makes the clock take the time over.
namespace clockfields {
struct ClockSet {
    // Empty when every write went out; otherwise why the set ended early (the port closed, a stop).
    QString ended;
    // The writes that went out but were not confirmed: "寄存器 129（无应答）".
    QStringList unconfirmed;
    bool done() const { return ended.isEmpty() && unconfirmed.isEmpty(); }
};
ClockSet setClock(Link &link, const Link::Hold &hold, uint8_t address, const std::array<uint8_t, BoxCount> &bcd);
// The BCD bytes of a time as the boxes would show it; nothing from the year 2100 on.
std::optional<std::array<uint8_t, BoxCount>> bcdOf(const QDateTime &time);
} // namespace clockfields
