#include "ostrel/codec/protocols/edge_builder.h"

namespace ostrel::protocols {

void EdgeBuilder::add(bool pulse, uint32_t microseconds) {
    if (durations_.empty() && !pulse) {
        return;  // a frame starts with its first pulse
    }
    if (!durations_.empty() && pulse == lastIsPulse()) {
        durations_.back() += microseconds;
    } else {
        durations_.push_back(microseconds);
    }
}

void EdgeBuilder::pulseDistance(const PulseDistance& timings, unsigned bits, uint64_t data) {
    if (timings.headerPulse != 0) {
        pulse(timings.headerPulse);
        space(timings.headerSpace);
    }
    for (unsigned i = 0; i < bits; ++i) {
        unsigned bit = timings.msbFirst ? bits - 1 - i : i;
        pulse(timings.bitPulse);
        space(timings.bitSpace[(data >> bit) & 1]);
    }
    pulse(timings.trailerPulse);
    space(timings.trailerSpace);
}

void EdgeBuilder::pulseLength(const PulseLength& timings, unsigned bits, uint64_t data) {
    pulse(timings.headerPulse);
    for (unsigned i = 0; i < bits; ++i) {
        unsigned bit = timings.msbFirst ? bits - 1 - i : i;
        space(timings.bitSpace);
        pulse(timings.bitPulse[(data >> bit) & 1]);
    }
    space(timings.trailerSpace);
}

void EdgeBuilder::manchester(const Manchester& timings, unsigned bits, uint64_t data) {
    if (timings.leaderPulse != 0) {
        pulse(timings.leaderPulse);
        if (timings.leaderSpace != 0) {
            space(timings.leaderSpace);
        }
    }
    for (unsigned i = bits; i > 0; --i) {
        bool one = (data >> (i - 1)) & 1;
        bool pulseFirst = one == timings.invert;
        if (pulseFirst) {
            pulse(timings.clock);
            space(timings.clock);
        } else {
            space(timings.clock);
            pulse(timings.clock);
        }
    }
    if (timings.trailerSpace != 0) {
        space(timings.trailerSpace);
    }
}

std::vector<uint32_t> EdgeBuilder::frame() && {
    if (!durations_.empty() && !lastIsPulse()) {
        durations_.pop_back();
    }
    return std::move(durations_);
}

}  // namespace ostrel::protocols
