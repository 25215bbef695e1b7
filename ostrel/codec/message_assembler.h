// Builds one recorded message, a whole key press, out of the LIRC mode2
// samples a receiver reports. It only takes values: reading the device and
// keeping time are the caller's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "ostrel/codec/ir_signal.h"
#include "ostrel/codec/kernel_limits.h"
#include "ostrel/codec/transmission_plan.h"

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

// A message ends once no pulse has come for this long, in microseconds. A key
// press is often several frames: a frame and its repeats, or a code in two or
// three parts, with gaps of tens of milliseconds to about 125 ms between them.
constexpr uint32_t messageEndingQuiet = 150000;

// A receiver that never goes quiet (a held key, noise) stops the recording
// here: a message of more values, or longer in all, fails. 16384 values keep
// the file within what irplay reads (about 200 KB of text).
constexpr size_t mostRecordedValues = 16384;
constexpr uint64_t longestRecordingMicroseconds = 10'000'000;

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
    // - after a pulse, the quiet is what the spaces and timeouts since then
    //   add up to: a timeout sample carries the idle time up to it, and the
    //   kernel reports the rest of the gap as a space when the next pulse
    //   comes. A gap of up to messageEndingQuiet stays in the message as one
    //   space; a longer one completes it. The message ends with its last pulse;
    // - the first carrier the receiver measured for the message is its carrier
    //   (unless measuredCarrier has none for it), whatever it reports after
    //   it; one seen while waiting counts unless a timeout came after it;
    // - an overflow, or a type LIRC does not define, fails the recording:
    //   what the receiver heard cannot be told for sure;
    // - a message of more than mostRecordedValues values, or longer than
    //   longestRecordingMicroseconds, fails: the receiver never went quiet;
    //   so does a pulse longer than one write sends, so that every recording
    //   plays (planTransmission cuts any other message into writes).
    // Once complete or failed, further samples change nothing.
    State feed(uint32_t sample);

    // The caller's clock says no pulse has come for messageEndingQuiet: a
    // message that has begun is complete.
    State quiet();

    // The receiver kept on past longestRecordingMicroseconds by the caller's
    // clock: a message that has begun fails, as one that long by its samples.
    State tooLong();

    State state() const { return state_; }
    const Signal& message() const { return message_; }
    const std::string& failure() const { return failure_; }

private:
    State fail(std::string why);
    State complete();
    State addPulse(uint32_t value);
    State addQuiet(uint32_t value);

    State state_ = State::waiting;
    Signal message_;
    std::optional<uint32_t> carrier_;
    uint64_t pendingSpace_ = 0;  // after the last pulse, not yet known to be inside
    uint64_t total_ = 0;         // of message_.durations
    std::string failure_;
};

}  // namespace ostrel
