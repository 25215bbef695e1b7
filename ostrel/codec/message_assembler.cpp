#include "ostrel/codec/message_assembler.h"

#include <cstdio>


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

namespace {

std::string neverQuiet(const std::string& what) {
    return "the receiver did not go quiet: the message " + what;
}

std::string tooManyValues() {
    return neverQuiet("has more than " + std::to_string(mostRecordedValues) + " values");
}

std::string pulseTooLong() {
    return neverQuiet("has a pulse longer than " +
                      std::to_string(longestTransmissionMicroseconds) +
                      " us, more than a LIRC device sends in one write");
}

std::string tooLongInAll() {
    return neverQuiet("is longer than " + std::to_string(longestRecordingMicroseconds / 1000000) +
                      " s");
}

}  // namespace

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
        return value == 0 ? state_ : addQuiet(value);
    case mode2::timeout:
        // Inside a message a timeout is quiet like a space of its value: a
        // receiver whose timeout is shorter than a gap (fintek-cir's is 1 ms)
        // goes idle inside the message, and the space that comes before the
        // next pulse continues it.
        if (state_ == State::inMessage) {
            return addQuiet(value);
        }
        // The carrier measured before a timeout belongs to what came before.
        carrier_.reset();
        return state_;
    case mode2::frequency:
        // Some receivers report after the message more than its carrier
        // (rc-loopback in Linux 6.1: a second report whose value is the
        // receive timeout), so the first one of the message stands.
        if (std::optional<uint32_t> carrier = measuredCarrier(sample);
            carrier && (state_ == State::waiting || !carrier_)) {
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

MessageAssembler::State MessageAssembler::tooLong() {
    return state_ == State::inMessage ? fail(tooLongInAll())
                                      : state_;
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
        // total_ stays within longestRecordingMicroseconds, so the sum is
        // below 2^32 and, when it passes longestDuration, fails just below.
        durations.back() += value;
    }
    total_ += value;
    if (durations.size() > mostRecordedValues) {
        return fail(tooManyValues());
    }
    if (total_ > longestRecordingMicroseconds) {
        return fail(tooLongInAll());
    }
    // A frame too long for one write is cut at its spaces when played; a
    // pulse cannot be.
    if (durations.back() > longestTransmissionMicroseconds) {
        return fail(pulseTooLong());
    }
    return state_;
}

MessageAssembler::State MessageAssembler::addQuiet(uint32_t value) {
    if (state_ == State::waiting) {
        return state_;  // the idle time before the message
    }
    pendingSpace_ += value;
    return pendingSpace_ > messageEndingQuiet ? complete() : state_;
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
