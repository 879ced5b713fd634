#pragma once
#include "core/link/exchange.h"
#include <cstdint>

// The three writes every configuration and memory command goes through. Each is one exchange;
// the reply is shown and classified on the status line (an exception or no reply says so there).
// Values are whole registers: callers refuse box texts that do not fit before calling.

// Function 06; keeps the 500 ms pause after the reply, which the recorder needs to store the value.
Exchange setRegister(Link &link, const Link::Hold &hold, uint8_t address, uint16_t reg, uint16_t value);

// Function 05: FF 00 switches the coil on, 00 00 off.
Exchange setCoil(Link &link, const Link::Hold &hold, uint8_t address, uint16_t coil, bool on);

// Function 16: data holds 2 × count bytes, big-endian words (1 … 123 registers). The reply text is in
// Exchange::stateText; the caller shows it in txtState (empty when the port is closed).
Exchange setRegisters(Link &link, const Link::Hold &hold, uint8_t address, uint16_t start, const QByteArray &data);
