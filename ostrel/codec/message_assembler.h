// Builds one recorded message out of the LIRC mode2 samples a receiver
// reports, framed the way ir-ctl --receive --mode2 --one-shot frames one. It
// only takes values: reading the device and keeping time are the caller's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ir_signal.h"

namespace ostrel {

// The parts of a mode2 sample: the top 8 bits its type, the low 24 its value.
namespace mode2 {
constexpr uint32_t typeMask = 0xFF000000;
constexpr uint32_t valueMask = 0x00FFFFFF;
constexpr uint32_t space = 0x00000000;
constexpr uint32_t pulse = 0x01000000;
constexpr uint32_t frequency = 0x02000000;  // the measured carrier, Hz
constexpr uint32_t timeout = 0x03000000;    // the receiver went idle
constexpr uint32_t overflow = 0x04000000;   // the receiver lost samples
}  // namespace mode2

// The carrier a frequency sample reports, or nothing when its value is none
// a signal can have: 0, or 0xFFFFFF, beyond longestDuration, which no signal
// file may hold and so no recording may end up with.
std::optional<uint32_t> measuredCarrier(uint32_t frequencySample);

// A space longer than this ends a message, as it ends one for ir-ctl
// --one-shot: no remote leaves such a gap inside one.
constexpr uint32_t messageEndingSpace = 19000;

class MessageAssembler {
public:
    enum class State {
        waiting,    // for the first pulse
        inMessage,  // it has begun
        complete,   // message() holds it
        failed,     // failure() says why
    };

    // Takes the next sample:
    // - spaces and timeouts before the first pulse are skipped, and so is a
    //   sample of any type but timeout whose value is 0;
    // - pulses (or spaces) in a row are added together;
    // - a timeout, or a space (all in a row) longer than messageEndingSpace,
    //   completes the message; the message ends with its last pulse; a
    //   timeout of messageEndingSpace or less is a space of its value;
    // - a frequency is the carrier of the message (unless measuredCarrier
    //   has none for it); the last one counts, and
    //   one seen while waiting counts unless a timeout came after it;
    // - an overflow, or a type LIRC does not define, fails the recording:
    //   what the receiver heard cannot be told for sure;
    // - a message longer than a LIRC device sends (kernel_limits.h) fails, so
    //   that a receiver that never goes quiet cannot make it grow for ever.
    // Once complete or failed, further samples change nothing.
    State feed(uint32_t sample);

    // The receiver has said nothing for a while: a message that has begun is
    // complete, for a receiver that never reports a timeout.
    State quiet();

    State state() const { return state_; }
    const Signal& message() const { return message_; }
    const std::string& failure() const { return failure_; }

private:
    State fail(std::string why);
    State complete();
    State addPulse(uint32_t value);
    State addSpace(uint32_t value);

    State state_ = State::waiting;
    Signal message_;
    std::optional<uint32_t> carrier_;
    uint64_t pendingSpace_ = 0;  // after the last pulse, not yet known to be inside
    uint64_t total_ = 0;         // of message_.durations
    std::string failure_;
};

}  // namespace ostrel
