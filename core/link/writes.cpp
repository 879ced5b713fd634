#include "core/link/writes.h"

Exchange ModbusSetReg(Link &link, const Link::Hold &hold, uint8_t address, uint16_t reg, uint16_t value)
{
    return link.exchange(hold, kinds::SetReg, modbus::writeRegister(address, reg, value));
}

Exchange ModbusSetCoil(Link &link, const Link::Hold &hold, uint8_t address, uint16_t coil, bool on)
{
    return link.exchange(hold, kinds::SetCoil, modbus::writeCoil(address, coil, on));
}

Exchange WriteRegisters(Link &link, const Link::Hold &hold, uint8_t address, uint16_t start, const QByteArray &data)
{
    Q_ASSERT(data.size() >= 2 && data.size() <= 246 && data.size() % 2 == 0);
    return link.exchange(hold, kinds::WriteRegisters, modbus::writeRegisters(address, start, data));
}
