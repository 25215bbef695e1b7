// What a scancode sends: its protocol's frames, as the kernel's encoder
// makes each, repeated where the protocol's receivers want repeats.
#pragma once

#include <cstdint>
#include <vector>

#include "ostrel/codec/protocols/scancode.h"

namespace ostrel::protocols {

// One frame, pulse first and last, edge for edge as the Linux 6.1 encoder
// makes it and a LIRC_MODE_SCANCODE write sends it (xbox-dvd, which the
// kernel cannot encode: as ir-ctl's encoder makes it). The scancode is one
// readScancode gives: normalised and within its protocol's bits.
std::vector<uint32_t> encodeFrame(const Scancode& scancode);

// Every frame the scancode sends (ProtocolInfo::frames of them), each
// starting ProtocolInfo::framePeriod after the one before, pulse first and
// last.
std::vector<uint32_t> encodeScancode(const Scancode& scancode);

}  // namespace ostrel::protocols
