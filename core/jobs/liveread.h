#pragma once
#include "core/link/exchange.h"
#include <QVector>
#include <cstdint>

// The live read of one device: one exchange of the live-read kind, decoded by the one live decoder.
// The window's value boxes, its polling loops and module pass, and the collector's --live all read
// through it.
namespace jobs {

struct LiveTarget {
    uint8_t device = 0;
    uint8_t function = 3;  // 03 holding or 04 input registers
    uint16_t start = 0;    // the first register, from 0
    uint8_t count = 20;    // registers, 1 … 125
};

struct LiveReading {
    Exchange exchange;
    // The registers present, in order from the first asked: empty when the reply held nothing to take
    // (no reply, an exception, a bad CRC, another sender, replies that never agreed). Fewer than asked
    // only when the device sent a consistent but shorter frame of its own.
    QVector<uint16_t> words;
    bool complete() const { return exchange.valid() && !words.isEmpty(); }
    bool partial() const { return !words.isEmpty() && !exchange.valid(); }
};

LiveReading readLiveValues(Link &link, const Link::Hold &hold, const LiveTarget &target);

} // namespace jobs
