// The signals the benchmarks send, read and record.
#pragma once

#include <cstdint>
#include <vector>

#include "ostrel/codec/ir_signal.h"

namespace bench {

// The largest signal a LIRC device accepts in one write: 1023 durations (the
// kernel takes at most 1024, and a signal has an odd count, ending on a pulse),
// together within the kernel's 500 ms, and a carrier. The durations are
// three-digit numbers drawn with a fixed seed, so that every run reads and
// writes the same bytes and no branch sees the same value every time.
ostrel::Signal largestSignal();

// One key press of an NEC remote, as emulator/samples/nec-key.script plays it:
// carrier 38000, the 9000/4500 leader, the 32 bits of address, inverted
// address, command and inverted command least significant first (560/560 a 0,
// 560/1690 a 1), and the final 560 pulse.
ostrel::Signal necKey(uint8_t address, uint8_t command);

// The mode2 samples a receiver reports for the signal: its carrier first (as a
// receiver measuring carriers reports it), the pulses and spaces, then the
// receiver's timeout.
std::vector<uint32_t> receivedSamples(const ostrel::Signal& signal, uint32_t timeoutMicroseconds);

}  // namespace bench
