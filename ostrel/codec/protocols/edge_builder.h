// Building the pulses and spaces of an IR frame, the way the kernel's
// encoders build their raw events with the modulation helpers of
// drivers/media/rc/rc-ir-raw.c (ir_raw_gen_pd, ir_raw_gen_pl and
// ir_raw_gen_manchester), all in microseconds.
#pragma once

#include <cstdint>
#include <vector>

namespace ostrel::protocols {

// Pulse-distance modulation: a pulse and a space a bit, the space's length
// the bit's value.
struct PulseDistance {
    uint32_t headerPulse;  // 0: no header
    uint32_t headerSpace;
    uint32_t bitPulse;
    uint32_t bitSpace[2];
    uint32_t trailerPulse;
    uint32_t trailerSpace;
    bool msbFirst;
};

// Pulse-length modulation: a space and a pulse a bit, the pulse's length the
// bit's value.
struct PulseLength {
    uint32_t headerPulse;
    uint32_t bitSpace;
    uint32_t bitPulse[2];
    uint32_t trailerSpace;
    bool msbFirst;
};

// Manchester (bi-phase) modulation, the most significant bit first: a bit is
// two halves of one clock each, space then pulse for a 1 (pulse then space
// when inverted).
struct Manchester {
    uint32_t leaderPulse;  // 0: the bits go on from the signal so far
    uint32_t leaderSpace;
    uint32_t clock;
    bool invert;
    uint32_t trailerSpace;
};

// The durations of a frame as it is built: pulse first, then alternating.
// A pulse after a pulse, or a space after a space, lengthens the last one,
// as the kernel's helpers extend their last event.
class EdgeBuilder {
public:
    void pulse(uint32_t microseconds) { add(true, microseconds); }
    void space(uint32_t microseconds) { add(false, microseconds); }

    void pulseDistance(const PulseDistance& timings, unsigned bits, uint64_t data);
    void pulseLength(const PulseLength& timings, unsigned bits, uint64_t data);
    void manchester(const Manchester& timings, unsigned bits, uint64_t data);

    // The frame as a LIRC device sends it: without its trailing space, which
    // the kernel drops from what its encoders make before sending.
    std::vector<uint32_t> frame() &&;

private:
    void add(bool pulse, uint32_t microseconds);
    bool lastIsPulse() const { return durations_.size() % 2 == 1; }

    std::vector<uint32_t> durations_;
};

}  // namespace ostrel::protocols
