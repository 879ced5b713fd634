#pragma once
#include "core/link/exchange.h"
#include <QString>
#include <cstdint>

// The recorder's single-value settings and what a write's reply says about it.
namespace recorder {

constexpr uint16_t IntervalRegister = 116;     // seconds between records; 0 stops recording
constexpr uint16_t SensorCountRegister = 136;  // values per record (also slot 7's data length)
constexpr uint16_t BaudRegisterBase = 2560;    // + the current baud code, written with the new one

// Baud codes: 1 = 4800, 2 = 9600, 3 = 14400, 4 = 19200, 5 = 38400.
constexpr int LowestBaudCode = 1;
constexpr int HighestBaudCode = 5;
int baudOfCode(int code);  // 0 for a code outside 1 … 5
int codeOfBaud(int baud);  // 0 for a rate without a code

// Why a write was not confirmed, for the status line; empty when the device echoed it (function 05
// and 06 echo the request, function 16 its first six bytes).
QString writeProblem(const Exchange &ex);

} // namespace recorder
