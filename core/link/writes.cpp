#include "core/link/writes.h"

Exchange setRegister(Link &link, const Link::Hold &hold, uint8_t address, uint16_t reg, uint16_t value)
{
    return link.exchange(hold, kinds::SetReg, modbus::writeRegister(address, reg, value));
}

Exchange setCoil(Link &link, const Link::Hold &hold, uint8_t address, uint16_t coil, bool on)
{
    return link.exchange(hold, kinds::SetCoil, modbus::writeCoil(address, coil, on));
}

Exchange setRegisters(Link &link, const Link::Hold &hold, uint8_t address, uint16_t start, const QByteArray &data)
{
    Q_ASSERT(data.size() >= 2 && data.size() <= 246 && data.size() % 2 == 0);
    return link.exchange(hold, kinds::setRegisters, modbus::writeRegisters(address, start, data));
}
