// What a recorded signal decodes as: the first scancode that the kernel's
// decoders, all enabled, would report for it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "ostrel/codec/protocols/scancode.h"

namespace ostrel::protocols {

struct Decoded {
    Scancode scancode;  // normalised, as readScancode gives it
    // The toggle bit the frame carried, for the protocols with one (rc5,
    // rc5x_20, rc5_sz, rc6_0, rc6_mce): the scancode does not hold it, and
    // its encoder always sends 0.
    std::optional<bool> toggle;

    bool operator==(const Decoded&) const = default;
};

// The durations as a receiver reported them, pulse first, followed by the
// receiver's silence: the first scancode any protocol's decoder reports, or
// nothing when no frame in them decodes.
std::optional<Decoded> decodeSignal(std::span<const uint32_t> durations);

}  // namespace ostrel::protocols
