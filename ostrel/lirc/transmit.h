// Sending a signal through a chosen blaster port of a LIRC device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ostrel/codec/transmission_plan.h"

namespace ostrel {

// Port 0 sends on every emitter the device has (on the first, on a device that
// drives one at a time); ports 1 and 2 on that emitter alone. A port the device
// lacks fails: the signal never leaves through another emitter than the one
// chosen.
constexpr int32_t allEmitters = 0;

// The carrier of a signal that names none, where the device can set one:
// 38 kHz, NEC's carrier and the one most consumer remotes use, rather than
// whatever the last program left the device at.
constexpr uint32_t defaultCarrier = 38000;

struct Transmission {
    std::vector<uint32_t> durations;  // pulse, space, ..., pulse in microseconds
    std::vector<PlannedWrite> writes;  // planTransmission's writes of durations
    uint32_t carrier = defaultCarrier;  // Hz; unmodulated (0): none
    int32_t port = allEmitters;
    std::optional<uint32_t> dutyCycle = std::nullopt;  // percent; none: the device's own
};

// Opens the device, chooses the emitters, then sets the carrier and the duty
// cycle (where the device can) and sends the writes in order: each after the
// one before it has gone out and the gap after it has passed, as the
// monotonic clock tells from the moment that write began, so that a write the
// kernel returns late from does not lengthen the gap. A port the device
// lacks, or an unmodulated signal on a device that cannot set its carrier,
// fails before anything about the device is changed. An unmodulated signal
// asks the device for carrier 0, which the kernel hands to the driver: the
// mceusb driver takes it as no modulation, others may refuse it.
bool transmit(const std::string& devicePath, const Transmission& transmission, std::string& why);

}  // namespace ostrel
