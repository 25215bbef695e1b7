// The line recorded for each transmission write(2) accepted:
//   send carrier=36000 duty=50 mask=0x3 durations=900 450 900
// mask=none on a device without emitter selection.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace lirc_emulator {

std::string transmitLogLine(uint32_t carrier, uint32_t dutyCycle, std::optional<uint32_t> mask,
                            std::span<const uint32_t> durations);

}  // namespace lirc_emulator
