// The IR signal the library sends and records: an optional carrier and duty
// cycle and the pulse and space durations a LIRC device takes in
// LIRC_MODE_PULSE.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace ostrel {

// The longest single duration, in microseconds, a LIRC sample can carry and
// ir-ctl reads: its 24-bit value field, less the all-ones value ir-ctl refuses.
constexpr uint32_t longestDuration = 0xFFFFFE;

// The carrier of a signal sent without one: its pulses are the IR light
// held on, as a Pronto code of the 0100 form has them.
constexpr uint32_t unmodulated = 0;

struct Signal {
    // Hz, when the signal names one (unmodulated: none at all); without it
    // the signal is sent at the library's default carrier.
    std::optional<uint32_t> carrier;
    // Microseconds, alternating pulse and space, first and last a pulse.
    std::vector<uint32_t> durations;
    // The part of each carrier period the IR is on, in percent, when the
    // signal names it; otherwise the device keeps its own.
    std::optional<uint32_t> dutyCycle = std::nullopt;

    bool operator==(const Signal&) const = default;
};

// The duty cycles a LIRC device takes (LIRC_SET_SEND_DUTY_CYCLE), in percent.
constexpr uint32_t leastDutyCycle = 1;
constexpr uint32_t greatestDutyCycle = 99;

// True when the signal has the shape a LIRC device sends: an odd number of
// durations, each from 1 to longestDuration, a carrier, if any, unmodulated
// or in the same range, and a duty cycle, if any, that a device takes.
bool isWellFormed(const Signal& signal);

}  // namespace ostrel
