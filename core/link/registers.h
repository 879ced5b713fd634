#pragma once
#include <cstdint>

// The recorder's sensor count register, declared in the link layer because the bus scan probes
// with it; the recorder's settings (core/config/recordersettings.h) read it before a download.
namespace recorder {

constexpr uint16_t SensorCountRegister = 136;  // values per record (also slot 7's data length)

} // namespace recorder
