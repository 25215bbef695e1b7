// One frame of each protocol, edge for edge as the Linux 6.1 encoder of the
// protocol makes it (xbox-dvd: as ir-ctl does), without its trailing space.
// The scancode is normalised and within its protocol's bits.
#pragma once

#include <cstdint>
#include <vector>

#include "ostrel/codec/protocols/scancode.h"

namespace ostrel::protocols::encoders {

// Pulse distance and pulse length: ir_nec_encode, ir_jvc_encode,
// ir_sanyo_encode, ir_sharp_encode, ir_sony_encode; ir-ctl's xbox_dvd_encode.
std::vector<uint32_t> necFrame(Scancode scancode);
std::vector<uint32_t> jvcFrame(uint32_t scancode);
std::vector<uint32_t> sanyoFrame(uint32_t scancode);
std::vector<uint32_t> sharpFrame(uint32_t scancode);
std::vector<uint32_t> sonyFrame(Scancode scancode);
std::vector<uint32_t> xboxDvdFrame(uint32_t scancode);

// Manchester: ir_rc5_encode and ir_rc6_encode.
std::vector<uint32_t> rc5Frame(Scancode scancode);
std::vector<uint32_t> rc6Frame(Scancode scancode);

}  // namespace ostrel::protocols::encoders
