// The IR signal the library sends and records: an optional carrier and the
// pulse and space durations a LIRC device takes in LIRC_MODE_PULSE.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace ostrel {

// The longest single duration, in microseconds, a LIRC sample can carry and
// ir-ctl reads: its 24-bit value field, less the all-ones value ir-ctl refuses.
constexpr uint32_t longestDuration = 0xFFFFFE;

struct Signal {
    // Hz, when the signal names one; otherwise the device keeps its own.
    std::optional<uint32_t> carrier;
    // Microseconds, alternating pulse and space, first and last a pulse.
    std::vector<uint32_t> durations;

    bool operator==(const Signal&) const = default;
};

// True when the signal has the shape a LIRC device sends: an odd number of
// durations, each from 1 to longestDuration, and a carrier, if any, in the
// same range.
bool isWellFormed(const Signal& signal);

}  // namespace ostrel
