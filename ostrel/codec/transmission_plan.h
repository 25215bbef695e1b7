// Cutting a signal into the writes a LIRC device takes. One write sends at
// most 1024 values and 500 ms (kernel_limits.h); a longer signal, a frame and
// its repeats or a code in several parts, goes out as several writes, with
// the gaps between them waited out by the sender.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ostrel/codec/ir_signal.h"

namespace ostrel {

// A space this long or longer separates two frames, and a signal too long for
// one write is cut there first; no remote leaves such a gap inside a frame.
constexpr uint32_t frameEndingSpace = 19000;

// The longest signal played, all values added together, in microseconds: six
// times the longest recording, and short enough that a file of long spaces
// cannot keep a play going for hours.
constexpr uint64_t longestPlayedMicroseconds = 60'000'000;

// One write: durations [first, first + count) of the signal, pulse first and
// last, then the space gapAfter (0 after the last write) to wait out before
// the next one.
struct PlannedWrite {
    size_t first = 0;
    size_t count = 0;
    uint64_t microseconds = 0;  // the write's durations added together
    uint32_t gapAfter = 0;

    bool operator==(const PlannedWrite&) const = default;
};

struct TransmissionPlan {
    std::vector<PlannedWrite> writes;  // when ok()
    // Why the signal cannot be sent, e.g. "pulse 2 (value 3) lasts 600000 us,
    // more than the 500000 a LIRC device sends in one write"; empty when ok().
    std::string refusal;

    bool ok() const { return refusal.empty(); }
};

// The writes, in order, that send a well-formed signal, each within the
// kernel's limits and pulse first and last: the signal is cut into frames at
// its spaces of frameEndingSpace or more; a frame too long for one write is
// cut at its longest spaces, those of the greatest length L such that cutting
// at every space of L or more leaves parts that each fit a write; then
// consecutive frames and parts are packed into one write while it stays within
// the limits. A cut space is waited out between writes like the gap between
// frames. A signal within the limits is one write. Refused: a signal over
// longestPlayedMicroseconds, or with a pulse that alone is longer than a write.
TransmissionPlan planTransmission(const Signal& signal);

// The frames of a planned write, in order, each as a write of its own: the
// write cut at its spaces of frameEndingSpace or more, each such space the gap
// after the frame before it, and the last frame followed by the write's own
// gap. A write of one frame (or of parts of one) comes back as it is. For a
// device whose driver refuses a write too long for its buffer, but takes each
// frame of it alone.
std::vector<PlannedWrite> framesOf(const std::vector<uint32_t>& durations, const PlannedWrite& write);

}  // namespace ostrel
