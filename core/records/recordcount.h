#pragma once
#include "core/link/exchange.h"
#include <cstdint>
#include <optional>
// The recorder's count of valid records (holding register 121) and its clearing ("清条数"): the
// window's record frame and the collector both go through these.
namespace records {
constexpr uint16_t RecordCountRegister = 121;
constexpr uint16_t RecordPointerRegister = 122;  // 122 and 123
constexpr uint16_t ClearMemoryCoil = 3;

struct CountRead {
    std::optional<int> count;  // nothing unless a valid reply came
    Exchange exchange;
};
// attempts: requests until one brings a count (before a download, the reply window's attempts).
CountRead readRecordCount(Link &link, const Link::Hold &hold, uint8_t address, int attempts = 1);

// Writes 0 to the count, then switches coil 3 on, which makes the recorder take it over. Without a
// confirmed count of 0 the coil is not switched.
struct CountClear {
    Exchange countWrite;
    std::optional<Exchange> coil;  // only after a confirmed count write
    bool done() const { return coil && coil->valid(); }
};
CountClear clearRecordCount(Link &link, const Link::Hold &hold, uint8_t address);
} // namespace records
