// What a catalog's signal is made of: its frames (a code and its repeats),
// and whether it is exactly what one scancode line sends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ostrel/codec/ir_signal.h"
#include "ostrel/codec/protocols/scancode.h"

namespace irsignal {

// Durations [first, first + count) of a signal: pulse first and last.
struct FrameSpan {
    size_t first = 0;
    size_t count = 0;

    bool operator==(const FrameSpan&) const = default;
};

// The frames a signal holds when its source does not say: the parts between
// its spaces of ostrel::frameEndingSpace (19 ms) or more, which no remote
// leaves inside a frame.
size_t countFrames(std::span<const uint32_t> durations);

// The signal cut into `frames` frames at its frames - 1 longest spaces (the
// earlier of two equal ones), which a source that counts its frames has
// between them; with frames 0, as countFrames cuts it. Never more frames than
// the durations have pulses.
std::vector<FrameSpan> splitFrames(std::span<const uint32_t> durations, size_t frames);

// The scancode whose line in a signal file sends exactly this signal: its
// durations decode as it, its encoder makes the same durations, and the
// carrier is the protocol's (or none). Nothing otherwise, as for an rc5 frame
// of toggle 1, which the encoder never sends.
std::optional<ostrel::protocols::Scancode> scancodeSentAs(const ostrel::Signal& signal);

// The frames of a scancode line: ostrel::protocols::infoOf(...).frames.
size_t framesOf(const ostrel::protocols::Scancode& scancode);

}  // namespace irsignal
