#include "core/records/recordcount.h"
#include "core/link/frames.h"
#include "core/link/writes.h"

namespace records {

CountRead readRecordCount(Link &link, const Link::Hold &hold, uint8_t address, int attempts)
{
    CountRead r;
    r.exchange = link.exchanges(hold, kinds::RecordCount, modbus::readHolding(address, RecordCountRegister, 1), attempts,
                                [&](const Exchange &e) {
        if (e.info.exact())
            r.count = (uint8_t(e.reply[3]) << 8) | uint8_t(e.reply[4]);
        return r.count.has_value();
    });
    return r;
}

CountClear clearRecordCount(Link &link, const Link::Hold &hold, uint8_t address)
{
    CountClear c;
    c.countWrite = setRegisters(link, hold, address, RecordCountRegister, QByteArray(2, '\0'));
    if (c.countWrite.valid())
        c.coil = setCoil(link, hold, address, ClearMemoryCoil, true);
    return c;
}

} // namespace records
