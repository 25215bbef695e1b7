// What a LIRC device accepts in one transmission, and the check of a signal
// against it, so that a signal the kernel would refuse is refused with words
// saying why instead of a bare EINVAL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ostrel/codec/ir_signal.h"

namespace ostrel {

// LIRCBUF_SIZE in drivers/media/rc/lirc_dev.c: the most values one write takes.
constexpr size_t mostValuesPerTransmission = 1024;
// IR_MAX_DURATION in include/media/rc-core.h: the longest signal, all values
// added together, that one write sends.
constexpr uint64_t longestTransmissionMicroseconds = 500000;

// Empty when the kernel would send the signal; otherwise which limit it
// exceeds, with the numbers, e.g. "1030 values, more than the 1024 a LIRC
// device accepts in one transmission".
std::string kernelLimitViolation(const Signal& signal);

// All durations added together, without overflow.
uint64_t totalMicroseconds(const Signal& signal);

}  // namespace ostrel
