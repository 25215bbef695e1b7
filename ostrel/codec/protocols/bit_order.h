// Bit reversal, as the kernel's bitrev8 and bitrev16 (linux/bitrev.h) do it
// for the protocols that send the least significant bit first.
#pragma once

#include <cstdint>

namespace ostrel::protocols {

constexpr uint32_t bitrev8(uint32_t value) {
    uint32_t reversed = 0;
    for (int bit = 0; bit < 8; ++bit) {
        reversed |= ((value >> bit) & 1) << (7 - bit);
    }
    return reversed;
}

constexpr uint32_t bitrev16(uint32_t value) {
    return bitrev8(value & 0xff) << 8 | bitrev8((value >> 8) & 0xff);
}

}  // namespace ostrel::protocols
