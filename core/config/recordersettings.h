#pragma once
#include "core/link/exchange.h"
#include "core/link/registers.h"
#include <QString>
#include <cstdint>
#include <optional>

// The recorder's single-value settings and what a write's reply says about it.
namespace recorder {

constexpr uint16_t IntervalRegister = 116;     // seconds between records; 0 stops recording
constexpr uint16_t BaudRegisterBase = 2560;    // + the current baud code (link/baudrates.h), written with the new one
// SensorCountRegister (136) is in core/link/registers.h: the bus scan reads it as well.

// Why a write was not confirmed, for the status line; empty when the device echoed it (function 05
// and 06 echo the request, function 16 its first six bytes).
QString writeProblem(const Exchange &ex);
// The recording interval of the recorder at address, read inside the caller's hold: its seconds, or
// nothing when no complete answer came (an exception, silence, a stop).
// Before a download, attempts is the reply window's: one garbled answer never costs the download.
std::optional<int> readInterval(Link &link, const Link::Hold &hold, uint8_t address, int attempts = 1);
// The values per record the recorder at address keeps (holding 136), read before a download: records
// are framed by it, so a download runs only with the recorder's own number. Nothing when no complete
// answer came or it is no record layout (outside 1 … records::MaxSensors).
std::optional<int> readSensorCount(Link &link, const Link::Hold &hold, uint8_t address, int attempts = 1);
// "记录仪的传感器总数是 20，不是 33": why a download with another number was not started.
QString sensorCountMismatch(int recorders, int asked);

} // namespace recorder
