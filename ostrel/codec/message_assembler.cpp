#include "message_assembler.h"

#include <cstdio>

#include "kernel_limits.h"

#if __has_include(<linux/lirc.h>)
#include <linux/lirc.h>
static_assert(ostrel::mode2::space == LIRC_MODE2_SPACE && ostrel::mode2::pulse == LIRC_MODE2_PULSE &&
              ostrel::mode2::frequency == LIRC_MODE2_FREQUENCY &&
              ostrel::mode2::timeout == LIRC_MODE2_TIMEOUT &&
              ostrel::mode2::overflow == LIRC_MODE2_OVERFLOW &&
              ostrel::mode2::typeMask == LIRC_MODE2_MASK &&
              ostrel::mode2::valueMask == LIRC_VALUE_MASK);
#endif

namespace ostrel {

std::optional<uint32_t> measuredCarrier(uint32_t frequencySample) {
    uint32_t value = frequencySample & mode2::valueMask;
    if (value == 0 || value > longestDuration) {
        return std::nullopt;
    }
    return value;
}

MessageAssembler::State MessageAssembler::feed(uint32_t sample) {
    if (state_ == State::complete || state_ == State::failed) {
        return state_;
    }
    uint32_t value = sample & mode2::valueMask;
    switch (sample & mode2::typeMask) {
    case mode2::pulse:
        return value == 0 ? state_ : addPulse(value);
    case mode2::space:
        return value == 0 ? state_ : addSpace(value);
    case mode2::timeout:
        // A receiver whose timeout is shorter than the space that ends a message
        // (fintek-cir's is 1 ms) goes idle inside one: its timeout sample is a
        // space as long as its value, continued by the space that comes before
        // the next pulse.
        if (state_ == State::inMessage) {
            return value <= messageEndingSpace ? addSpace(value) : complete();
        }
        // The carrier measured before a timeout belongs to what came before.
        carrier_.reset();
        return state_;
    case mode2::frequency:
        if (std::optional<uint32_t> carrier = measuredCarrier(sample)) {
            carrier_ = carrier;
        }
        return state_;
    case mode2::overflow:
        return fail("the receiver lost samples (overflow)");
    default: {
        char why[64];
        std::snprintf(why, sizeof why, "the receiver sent a sample of unknown type 0x%02X",
                      static_cast<unsigned>(sample >> 24));
        return fail(why);
    }
    }
}

MessageAssembler::State MessageAssembler::quiet() {
    return state_ == State::inMessage ? complete() : state_;
}

MessageAssembler::State MessageAssembler::addPulse(uint32_t value) {
    std::vector<uint32_t>& durations = message_.durations;
    if (state_ == State::waiting || pendingSpace_ != 0) {
        if (state_ == State::inMessage) {
            durations.push_back(static_cast<uint32_t>(pendingSpace_));
            total_ += pendingSpace_;
            pendingSpace_ = 0;
        }
        state_ = State::inMessage;
        durations.push_back(value);
    } else {
        // At most longestTransmissionMicroseconds plus one 24-bit value: no overflow.
        durations.back() += value;
    }
    total_ += value;
    if (durations.size() > mostValuesPerTransmission) {
        return fail("the message is longer than a LIRC device can send: more than " +
                    std::to_string(mostValuesPerTransmission) + " values");
    }
    if (total_ > longestTransmissionMicroseconds) {
        return fail("the message is longer than a LIRC device can send: more than " +
                    std::to_string(longestTransmissionMicroseconds) + " us");
    }
    return state_;
}

MessageAssembler::State MessageAssembler::addSpace(uint32_t value) {
    if (state_ == State::waiting) {
        return state_;  // the idle time before the message
    }
    pendingSpace_ += value;
    return pendingSpace_ > messageEndingSpace ? complete() : state_;
}

MessageAssembler::State MessageAssembler::complete() {
    pendingSpace_ = 0;
    message_.carrier = carrier_;
    state_ = State::complete;
    return state_;
}

MessageAssembler::State MessageAssembler::fail(std::string why) {
    failure_ = std::move(why);
    message_ = {};
    state_ = State::failed;
    return state_;
}

}  // namespace ostrel
