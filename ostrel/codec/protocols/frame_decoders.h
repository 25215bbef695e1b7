// The decoders of each protocol family: state machines fed one pulse or
// space at a time, as the kernel feeds its decoders raw events. Each is a
// port of the Linux 6.1 decoder (drivers/media/rc/ir-*-decoder.c) with its
// margins, reporting what that decoder hands to rc_keydown; xbox-dvd, which
// the kernel does not decode, has one of its own in the same manner.
#pragma once

#include <cstdint>
#include <optional>

#include "ostrel/codec/protocols/scancode_decoding.h"

namespace ostrel::protocols::decoders {

struct Event {
    bool pulse;
    uint32_t duration;  // microseconds
};

// The kernel's eq_margin and geq_margin (drivers/media/rc/rc-core-priv.h).
constexpr bool eqMargin(uint32_t d1, uint32_t d2, uint32_t margin) {
    return d1 > d2 - margin && d1 < d2 + margin;
}
constexpr bool geqMargin(uint32_t d1, uint32_t d2, uint32_t margin) { return d1 > d2 - margin; }

constexpr void decreaseDuration(Event& event, uint32_t duration) {
    event.duration = duration > event.duration ? 0 : event.duration - duration;
}

class NecDecoder {
public:
    std::optional<Decoded> feed(Event event);
    // Waiting for the start of a frame, which no space is.
    bool waiting() const { return state_ == State::inactive; }

private:
    enum class State { inactive, headerSpace, bitPulse, bitSpace, trailerPulse, trailerSpace };
    State state_ = State::inactive;
    unsigned count_ = 0;
    uint32_t bits_ = 0;
    bool isNecX_ = false;
    bool necxRepeat_ = false;
};

class JvcDecoder {
public:
    std::optional<Decoded> feed(Event event);
    // Waiting for the start of a frame, which no space is.
    bool waiting() const { return state_ == State::inactive; }

private:
    enum class State { inactive, headerSpace, bitPulse, bitSpace, trailerPulse, trailerSpace, checkRepeat };
    State state_ = State::inactive;
    unsigned count_ = 0;
    uint32_t bits_ = 0;
    uint32_t oldBits_ = 0;
    bool first_ = false;
};

class SanyoDecoder {
public:
    std::optional<Decoded> feed(Event event);
    // Waiting for the start of a frame, which no space is.
    bool waiting() const { return state_ == State::inactive; }

private:
    enum class State { inactive, headerSpace, bitPulse, bitSpace, trailerPulse, trailerSpace };
    State state_ = State::inactive;
    unsigned count_ = 0;
    uint64_t bits_ = 0;
};

class SharpDecoder {
public:
    std::optional<Decoded> feed(Event event);
    // Waiting for the start of a frame, which no space is.
    bool waiting() const { return state_ == State::inactive; }

private:
    enum class State { inactive, bitPulse, bitSpace, trailerPulse, echoSpace, trailerSpace };
    State state_ = State::inactive;
    unsigned count_ = 0;
    uint32_t bits_ = 0;
    uint32_t pulseLength_ = 0;
};

class SonyDecoder {
public:
    std::optional<Decoded> feed(Event event);
    // Waiting for the start of a frame, which no space is.
    bool waiting() const { return state_ == State::inactive; }

private:
    enum class State { inactive, headerSpace, bitPulse, bitSpace, finished };
    State state_ = State::inactive;
    unsigned count_ = 0;
    uint32_t bits_ = 0;
};

class XboxDvdDecoder {
public:
    std::optional<Decoded> feed(Event event);
    // Waiting for the start of a frame, which no space is.
    bool waiting() const { return state_ == State::inactive; }

private:
    enum class State { inactive, headerSpace, bitPulse, bitSpace, trailerSpace };
    State state_ = State::inactive;
    unsigned count_ = 0;
    uint32_t bits_ = 0;
};

class Rc5Decoder {
public:
    std::optional<Decoded> feed(Event event);
    // Waiting for the start of a frame, which no space is.
    bool waiting() const { return state_ == State::inactive; }

private:
    enum class State { inactive, bitStart, bitEnd, checkRc5x, finished };
    State state_ = State::inactive;
    unsigned count_ = 0;
    uint32_t bits_ = 0;
    bool isRc5x_ = false;
};

class Rc6Decoder {
public:
    std::optional<Decoded> feed(Event event);
    // Waiting for the start of a frame, which no space is.
    bool waiting() const { return state_ == State::inactive; }

private:
    enum class State {
        inactive, prefixSpace, headerBitStart, headerBitEnd, toggleStart, toggleEnd,
        bodyBitStart, bodyBitEnd, finished
    };
    enum class Mode { zero, sixA, unknown };
    Mode mode() const;

    State state_ = State::inactive;
    unsigned count_ = 0;
    unsigned wantedBits_ = 0;
    uint32_t header_ = 0;
    uint32_t body_ = 0;
    bool toggle_ = false;
};

}  // namespace ostrel::protocols::decoders
