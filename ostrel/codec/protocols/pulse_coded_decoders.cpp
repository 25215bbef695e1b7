// Decoders of the pulse-distance and pulse-length protocols. Each feed()
// follows its kernel decoder case by case: a duration that does not fit
// the state sends the decoder back to waiting for a header, and that
// duration is not looked at again.
#include "ostrel/codec/protocols/bit_order.h"
#include "ostrel/codec/protocols/frame_decoders.h"
#include "ostrel/codec/protocols/kernel_timings.h"

namespace ostrel::protocols::decoders {

namespace t = timing;

std::optional<Decoded> NecDecoder::feed(Event ev) {
    using namespace t::nec;
    switch (state_) {
    case State::inactive:
        if (!ev.pulse) {
            break;
        }
        if (eqMargin(ev.duration, headerPulse, unit * 2)) {
            isNecX_ = false;
            necxRepeat_ = false;
        } else if (eqMargin(ev.duration, necxHeaderPulse, unit / 2)) {
            isNecX_ = true;
        } else {
            break;
        }
        count_ = 0;
        state_ = State::headerSpace;
        return std::nullopt;
    case State::headerSpace:
        if (ev.pulse) {
            break;
        }
        if (eqMargin(ev.duration, headerSpace, unit)) {
            state_ = State::bitPulse;
            return std::nullopt;
        }
        if (eqMargin(ev.duration, repeatSpace, unit / 2)) {
            state_ = State::trailerPulse;
            return std::nullopt;
        }
        break;
    case State::bitPulse:
        if (!ev.pulse || !eqMargin(ev.duration, bitPulse, unit / 2)) {
            break;
        }
        state_ = State::bitSpace;
        return std::nullopt;
    case State::bitSpace:
        if (ev.pulse) {
            break;
        }
        if (necxRepeat_ && count_ == 1 && geqMargin(ev.duration, trailerSpace, unit / 2)) {
            state_ = State::inactive;  // a repeat of the last key
            return std::nullopt;
        }
        if (count_ > 1) {
            necxRepeat_ = false;
        }
        bits_ <<= 1;
        if (eqMargin(ev.duration, bit1Space, unit / 2)) {
            bits_ |= 1;
        } else if (!eqMargin(ev.duration, bit0Space, unit / 2)) {
            break;
        }
        ++count_;
        state_ = count_ == 32 ? State::trailerPulse : State::bitPulse;
        return std::nullopt;
    case State::trailerPulse:
        if (!ev.pulse || !eqMargin(ev.duration, trailerPulse, unit / 2)) {
            break;
        }
        state_ = State::trailerSpace;
        return std::nullopt;
    case State::trailerSpace:
        if (ev.pulse || !geqMargin(ev.duration, trailerSpace, unit / 2)) {
            break;
        }
        state_ = State::inactive;
        if (count_ != 32) {
            return std::nullopt;  // a repeat code
        }
        if (isNecX_) {
            necxRepeat_ = true;
        }
        return Decoded{necScancode(bitrev8(bits_ >> 24), bitrev8(bits_ >> 16 & 0xff),
                                   bitrev8(bits_ >> 8 & 0xff), bitrev8(bits_ & 0xff)),
                       std::nullopt};
    }
    state_ = State::inactive;
    return std::nullopt;
}

std::optional<Decoded> JvcDecoder::feed(Event ev) {
    using namespace t::jvc;
    if (!geqMargin(ev.duration, unit, unit / 2)) {
        state_ = State::inactive;
        return std::nullopt;
    }
    for (;;) {
        switch (state_) {
        case State::inactive:
            if (!ev.pulse || !eqMargin(ev.duration, headerPulse, unit / 2)) {
                break;
            }
            count_ = 0;
            first_ = true;
            state_ = State::headerSpace;
            return std::nullopt;
        case State::headerSpace:
            if (ev.pulse || !eqMargin(ev.duration, headerSpace, unit / 2)) {
                break;
            }
            state_ = State::bitPulse;
            return std::nullopt;
        case State::bitPulse:
            if (!ev.pulse || !eqMargin(ev.duration, bitPulse, unit / 2)) {
                break;
            }
            state_ = State::bitSpace;
            return std::nullopt;
        case State::bitSpace:
            if (ev.pulse) {
                break;
            }
            bits_ <<= 1;
            if (eqMargin(ev.duration, bit1Space, unit / 2)) {
                bits_ |= 1;
            } else if (!eqMargin(ev.duration, bit0Space, unit / 2)) {
                break;
            }
            ++count_;
            state_ = count_ == 16 ? State::trailerPulse : State::bitPulse;
            return std::nullopt;
        case State::trailerPulse:
            if (!ev.pulse || !eqMargin(ev.duration, trailerPulse, unit / 2)) {
                break;
            }
            state_ = State::trailerSpace;
            return std::nullopt;
        case State::trailerSpace: {
            if (ev.pulse || !geqMargin(ev.duration, trailerSpace, unit / 2)) {
                break;
            }
            std::optional<Decoded> decoded;
            if (first_) {
                uint32_t scancode = bitrev8(bits_ >> 8 & 0xff) << 8 | bitrev8(bits_ & 0xff);
                decoded = Decoded{{Protocol::jvc, scancode}, std::nullopt};
                first_ = false;
                oldBits_ = bits_;
            } else if (bits_ != oldBits_) {
                break;
            }
            count_ = 0;
            state_ = State::checkRepeat;
            return decoded;
        }
        case State::checkRepeat:
            // A repeat is a frame without a header; a header begins a new key.
            if (!ev.pulse) {
                break;
            }
            state_ = eqMargin(ev.duration, headerPulse, unit / 2) ? State::inactive : State::bitPulse;
            continue;
        }
        state_ = State::inactive;
        return std::nullopt;
    }
}

std::optional<Decoded> SanyoDecoder::feed(Event ev) {
    using namespace t::sanyo;
    constexpr unsigned allBits = 13 + 13 + 8 + 8;
    switch (state_) {
    case State::inactive:
        if (!ev.pulse || !eqMargin(ev.duration, headerPulse, unit / 2)) {
            break;
        }
        count_ = 0;
        state_ = State::headerSpace;
        return std::nullopt;
    case State::headerSpace:
        if (ev.pulse || !eqMargin(ev.duration, headerSpace, unit / 2)) {
            break;
        }
        state_ = State::bitPulse;
        return std::nullopt;
    case State::bitPulse:
        if (!ev.pulse || !eqMargin(ev.duration, bitPulse, unit / 2)) {
            break;
        }
        state_ = State::bitSpace;
        return std::nullopt;
    case State::bitSpace:
        if (ev.pulse) {
            break;
        }
        if (count_ == 0 && geqMargin(ev.duration, repeatSpace, unit / 2)) {
            state_ = State::inactive;  // a repeat of the last key
            return std::nullopt;
        }
        bits_ <<= 1;
        if (eqMargin(ev.duration, bit1Space, unit / 2)) {
            bits_ |= 1;
        } else if (!eqMargin(ev.duration, bit0Space, unit / 2)) {
            break;
        }
        ++count_;
        state_ = count_ == allBits ? State::trailerPulse : State::bitPulse;
        return std::nullopt;
    case State::trailerPulse:
        if (!ev.pulse || !eqMargin(ev.duration, trailerPulse, unit / 2)) {
            break;
        }
        state_ = State::trailerSpace;
        return std::nullopt;
    case State::trailerSpace: {
        if (ev.pulse || !geqMargin(ev.duration, trailerSpace, unit / 2)) {
            break;
        }
        state_ = State::inactive;
        // The address's complement goes unchecked, as in the kernel.
        uint32_t address = bitrev16(static_cast<uint32_t>(bits_ >> 29) & 0x1fff) >> 3;
        uint32_t command = bitrev8(static_cast<uint32_t>(bits_ >> 8) & 0xff);
        uint32_t notCommand = bitrev8(static_cast<uint32_t>(bits_) & 0xff);
        if ((command ^ notCommand) != 0xff) {
            return std::nullopt;
        }
        return Decoded{{Protocol::sanyo, address << 8 | command}, std::nullopt};
    }
    }
    state_ = State::inactive;
    return std::nullopt;
}

std::optional<Decoded> SharpDecoder::feed(Event ev) {
    using namespace t::sharp;
    constexpr unsigned frameBits = 15;
    switch (state_) {
    case State::inactive:
    case State::bitPulse:
        if (!ev.pulse || !eqMargin(ev.duration, bitPulse, bitPulse / 2)) {
            break;
        }
        if (state_ == State::inactive) {
            count_ = 0;
        }
        pulseLength_ = ev.duration;
        state_ = State::bitSpace;
        return std::nullopt;
    case State::bitSpace:
        // A bit is told by its period, pulse and space together.
        if (ev.pulse) {
            break;
        }
        bits_ <<= 1;
        if (eqMargin(pulseLength_ + ev.duration, bit1Period, bitPulse * 2)) {
            bits_ |= 1;
        } else if (!eqMargin(pulseLength_ + ev.duration, bit0Period, bitPulse * 2)) {
            break;
        }
        ++count_;
        state_ = count_ == frameBits || count_ == 2 * frameBits ? State::trailerPulse
                                                                : State::bitPulse;
        return std::nullopt;
    case State::trailerPulse:
        if (!ev.pulse || !eqMargin(ev.duration, bitPulse, bitPulse / 2)) {
            break;
        }
        if (count_ == frameBits) {
            // The expansion and check bits are 1 and 0, or 0 and 0 (Denon).
            if ((bits_ & 0x3) != 0x2 && (bits_ & 0x3) != 0x0) {
                break;
            }
            state_ = State::echoSpace;
        } else {
            state_ = State::trailerSpace;
        }
        return std::nullopt;
    case State::echoSpace:
        if (ev.pulse || !eqMargin(ev.duration, echoSpace, echoSpace / 4)) {
            break;
        }
        state_ = State::bitPulse;
        return std::nullopt;
    case State::trailerSpace: {
        if (ev.pulse || !geqMargin(ev.duration, trailerSpace, bitPulse / 2)) {
            break;
        }
        // The echo holds the command, expansion and check bits inverted.
        uint32_t message = bits_ >> 15 & 0x7fff;
        uint32_t echo = bits_ & 0x7fff;
        if ((message ^ echo) != 0x3ff) {
            break;
        }
        state_ = State::inactive;
        uint32_t address = bitrev8(message >> 7 & 0xf8);
        uint32_t command = bitrev8(message >> 2 & 0xff);
        return Decoded{{Protocol::sharp, address << 8 | command}, std::nullopt};
    }
    }
    state_ = State::inactive;
    return std::nullopt;
}

std::optional<Decoded> SonyDecoder::feed(Event ev) {
    using namespace t::sony;
    if (!geqMargin(ev.duration, unit, unit / 2)) {
        state_ = State::inactive;
        return std::nullopt;
    }
    switch (state_) {
    case State::inactive:
        if (!ev.pulse || !eqMargin(ev.duration, headerPulse, unit / 2)) {
            break;
        }
        count_ = 0;
        state_ = State::headerSpace;
        return std::nullopt;
    case State::headerSpace:
        if (ev.pulse || !eqMargin(ev.duration, headerSpace, unit / 2)) {
            break;
        }
        state_ = State::bitPulse;
        return std::nullopt;
    case State::bitPulse:
        if (!ev.pulse) {
            break;
        }
        bits_ <<= 1;
        if (eqMargin(ev.duration, bit1Pulse, unit / 2)) {
            bits_ |= 1;
        } else if (!eqMargin(ev.duration, bit0Pulse, unit / 2)) {
            break;
        }
        ++count_;
        state_ = State::bitSpace;
        return std::nullopt;
    case State::bitSpace:
        if (ev.pulse || !geqMargin(ev.duration, bitSpace, unit / 2)) {
            break;
        }
        decreaseDuration(ev, bitSpace);
        if (!geqMargin(ev.duration, unit, unit / 2)) {
            state_ = State::bitPulse;
            return std::nullopt;
        }
        state_ = State::finished;
        [[fallthrough]];
    case State::finished: {
        if (ev.pulse || !geqMargin(ev.duration, trailerSpace, unit / 2)) {
            break;
        }
        uint32_t device, subdevice = 0, function;
        Protocol protocol;
        switch (count_) {
        case 12:
            device = bitrev8(bits_ << 3 & 0xf8);
            function = bitrev8(bits_ >> 4 & 0xfe);
            protocol = Protocol::sony12;
            break;
        case 15:
            device = bitrev8(bits_ & 0xff);
            function = bitrev8(bits_ >> 7 & 0xfe);
            protocol = Protocol::sony15;
            break;
        case 20:
            device = bitrev8(bits_ >> 5 & 0xf8);
            subdevice = bitrev8(bits_ & 0xff);
            function = bitrev8(bits_ >> 12 & 0xfe);
            protocol = Protocol::sony20;
            break;
        default:
            state_ = State::inactive;
            return std::nullopt;
        }
        state_ = State::inactive;
        return Decoded{{protocol, device << 16 | subdevice << 8 | function}, std::nullopt};
    }
    }
    state_ = State::inactive;
    return std::nullopt;
}

std::optional<Decoded> XboxDvdDecoder::feed(Event ev) {
    // The kernel has no xbox-dvd decoder; this one takes the margins its NEC
    // decoder takes: a unit for the header, half a unit for a bit.
    using namespace t::xbox_dvd;
    constexpr uint32_t unit = bitPulse;
    switch (state_) {
    case State::inactive:
        if (!ev.pulse || !eqMargin(ev.duration, headerPulse, unit)) {
            break;
        }
        count_ = 0;
        bits_ = 0;
        state_ = State::headerSpace;
        return std::nullopt;
    case State::headerSpace:
        if (ev.pulse || !eqMargin(ev.duration, headerSpace, unit)) {
            break;
        }
        state_ = State::bitPulse;
        return std::nullopt;
    case State::bitPulse:
        if (!ev.pulse || !eqMargin(ev.duration, bitPulse, unit / 2)) {
            break;
        }
        state_ = count_ == 24 ? State::trailerSpace : State::bitSpace;
        return std::nullopt;
    case State::bitSpace:
        if (ev.pulse) {
            break;
        }
        bits_ <<= 1;
        if (eqMargin(ev.duration, bit1Space, unit / 2)) {
            bits_ |= 1;
        } else if (!eqMargin(ev.duration, bit0Space, unit / 2)) {
            break;
        }
        ++count_;
        state_ = State::bitPulse;
        return std::nullopt;
    case State::trailerSpace: {
        // Longer than any bit's space; the upper 12 bits the lower inverted.
        if (ev.pulse || !geqMargin(ev.duration, 2 * bit1Space, unit / 2)) {
            break;
        }
        state_ = State::inactive;
        uint32_t code = bits_ & 0xfff;
        if ((bits_ >> 12 ^ code) != 0xfff) {
            return std::nullopt;
        }
        return Decoded{{Protocol::xbox_dvd, code}, std::nullopt};
    }
    }
    state_ = State::inactive;
    return std::nullopt;
}

}  // namespace ostrel::protocols::decoders
