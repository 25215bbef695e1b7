// Sending a signal through a chosen blaster port of a LIRC device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel {

// Port 0 sends on every emitter the device has (on the first, on a device that
// drives one at a time); ports 1 and 2 on that emitter alone. A port the device
// lacks fails: the signal never leaves through another emitter than the one
// chosen.
constexpr int32_t allEmitters = 0;

struct Transmission {
    std::vector<uint32_t> durations;  // pulse, space, ..., pulse in microseconds
    uint32_t carrier = 0;             // Hz; 0 leaves the device's carrier as it is
    int32_t port = allEmitters;
};

// Opens the device, sets it up for the transmission and sends it whole. The
// emitters are chosen before the carrier is set, so a port the device lacks or
// a mask it refuses fails before anything about the device has changed.
bool transmit(const std::string& devicePath, const Transmission& transmission, std::string& why);

}  // namespace ostrel
