// rc-loopback's receiving end (loop_tx_ir in drivers/media/rc/rc-loopback.c, Linux 6.1):
// what a transmission becomes for the device's readers, and the receive carrier range
// that decides whether they hear it at all. The state is the device's, kept per path for
// this process.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "emulator/src/device_config.h"
#include "emulator/src/device_settings.h"

namespace lirc_emulator {

// The samples every open file of the device gets for these durations, sent with these
// settings at time `now` (us): none when the carrier is outside the receive range or the
// mask has no emitter that feeds the receiver in use (emitter 1 the normal one, emitter
// 2 the wideband one). A pulse over 50 ms is an overflow; carrier reports, when on, come
// after the last space; a silence of the receive timeout ends the message.
std::vector<uint32_t> loopBack(const std::string& devicePath, std::span<const uint32_t> durations,
                               const DeviceSettings& settings, const Quirks& quirks, int64_t now);

// rc-loopback's s_rx_carrier_range: EINVAL (as a negative value) unless 1 <= low <= high.
int setLoopbackReceiveRange(const std::string& devicePath, uint32_t low, uint32_t high);

}  // namespace lirc_emulator
