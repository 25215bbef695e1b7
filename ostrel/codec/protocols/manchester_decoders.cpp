// Decoders of RC-5 and RC-6. A pulse or space of these protocols may hold
// the halves of two bits, so each takes what a state needs off the duration
// and goes on with the rest, as the kernel's decoders do.
#include "ostrel/codec/protocols/frame_decoders.h"
#include "ostrel/codec/protocols/kernel_timings.h"

namespace ostrel::protocols::decoders {

namespace t = timing;

std::optional<Decoded> Rc5Decoder::feed(Event ev) {
    using namespace t::rc5;
    constexpr unsigned rc5Bits = 14, rc5SzBits = 15, rc5xBits = 20, checkRc5xBits = 8;
    if (!geqMargin(ev.duration, unit, unit / 2)) {
        state_ = State::inactive;
        return std::nullopt;
    }
    for (;;) {
        if (!geqMargin(ev.duration, unit, unit / 2)) {
            return std::nullopt;  // the duration is used up
        }
        switch (state_) {
        case State::inactive:
            if (!ev.pulse) {
                break;
            }
            state_ = State::bitStart;
            count_ = 1;
            decreaseDuration(ev, bitStart);
            continue;
        case State::bitStart:
            if (!ev.pulse && geqMargin(ev.duration, trailer, unit / 2)) {
                state_ = State::finished;
                continue;
            }
            if (!eqMargin(ev.duration, bitStart, unit / 2)) {
                break;
            }
            bits_ <<= 1;
            if (!ev.pulse) {
                bits_ |= 1;
            }
            ++count_;
            state_ = State::bitEnd;
            return std::nullopt;
        case State::bitEnd:
            state_ = count_ == checkRc5xBits ? State::checkRc5x : State::bitStart;
            decreaseDuration(ev, bitEnd);
            continue;
        case State::checkRc5x:
            if (!ev.pulse && geqMargin(ev.duration, rc5xSpace, unit / 2)) {
                isRc5x_ = true;
                decreaseDuration(ev, rc5xSpace);
            } else {
                isRc5x_ = false;
            }
            state_ = State::bitStart;
            continue;
        case State::finished: {
            if (ev.pulse) {
                break;
            }
            state_ = State::inactive;
            if (isRc5x_ && count_ == rc5xBits) {
                uint32_t xdata = bits_ & 0x3f;
                uint32_t command = (bits_ & 0xfc0) >> 6;
                uint32_t system = (bits_ & 0x1f000) >> 12;
                bool toggle = bits_ & 0x20000;
                command += bits_ & 0x40000 ? 0 : 0x40;
                return Decoded{{Protocol::rc5x_20, system << 16 | command << 8 | xdata}, toggle};
            }
            if (!isRc5x_ && count_ == rc5Bits) {
                uint32_t command = bits_ & 0x3f;
                uint32_t system = (bits_ & 0x7c0) >> 6;
                bool toggle = bits_ & 0x800;
                command += bits_ & 0x1000 ? 0 : 0x40;
                return Decoded{{Protocol::rc5, system << 8 | command}, toggle};
            }
            if (!isRc5x_ && count_ == rc5SzBits) {
                uint32_t command = bits_ & 0x3f;
                uint32_t system = (bits_ & 0x2fc0) >> 6;
                bool toggle = bits_ & 0x1000;
                return Decoded{{Protocol::rc5_sz, system << 6 | command}, toggle};
            }
            return std::nullopt;
        }
        }
        state_ = State::inactive;
        return std::nullopt;
    }
}

Rc6Decoder::Mode Rc6Decoder::mode() const {
    switch (header_ & 0x07) {
    case 0:
        return Mode::zero;
    case 6:
        return toggle_ ? Mode::unknown : Mode::sixA;
    default:
        return Mode::unknown;
    }
}

std::optional<Decoded> Rc6Decoder::feed(Event ev) {
    using namespace t::rc6;
    constexpr unsigned headerBits = 4, mode0Bits = 16, mode6aMostBits = 128;
    constexpr uint32_t startBit = 0x08, mceToggle = 0x8000;
    if (!geqMargin(ev.duration, unit, unit / 2)) {
        state_ = State::inactive;
        return std::nullopt;
    }
    for (;;) {
        if (!geqMargin(ev.duration, unit, unit / 2)) {
            return std::nullopt;  // the duration is used up
        }
        switch (state_) {
        case State::inactive:
            // A wider margin on the first pulse, to which some receivers
            // take a while to adjust.
            if (!ev.pulse || !eqMargin(ev.duration, prefixPulse, unit)) {
                break;
            }
            state_ = State::prefixSpace;
            count_ = 0;
            return std::nullopt;
        case State::prefixSpace:
            if (ev.pulse || !eqMargin(ev.duration, prefixSpace, unit / 2)) {
                break;
            }
            state_ = State::headerBitStart;
            header_ = 0;
            return std::nullopt;
        case State::headerBitStart:
            if (!eqMargin(ev.duration, bitStart, unit / 2)) {
                break;
            }
            header_ <<= 1;
            if (ev.pulse) {
                header_ |= 1;
            }
            ++count_;
            state_ = State::headerBitEnd;
            return std::nullopt;
        case State::headerBitEnd:
            state_ = count_ == headerBits ? State::toggleStart : State::headerBitStart;
            decreaseDuration(ev, bitEnd);
            continue;
        case State::toggleStart:
            if (!eqMargin(ev.duration, toggleStart, unit / 2)) {
                break;
            }
            toggle_ = ev.pulse;
            state_ = State::toggleEnd;
            return std::nullopt;
        case State::toggleEnd:
            if (!(header_ & startBit)) {
                break;
            }
            state_ = State::bodyBitStart;
            decreaseDuration(ev, toggleEnd);
            count_ = 0;
            body_ = 0;
            if (mode() == Mode::zero) {
                wantedBits_ = mode0Bits;
            } else if (mode() == Mode::sixA) {
                wantedBits_ = mode6aMostBits;
            } else {
                break;
            }
            continue;
        case State::bodyBitStart:
            if (eqMargin(ev.duration, bitStart, unit / 2)) {
                // Bits beyond the 32 the body holds are counted, not kept.
                if (count_++ < 32) {
                    body_ <<= 1;
                    if (ev.pulse) {
                        body_ |= 1;
                    }
                }
                state_ = State::bodyBitEnd;
                return std::nullopt;
            }
            if (mode() == Mode::sixA && !ev.pulse && geqMargin(ev.duration, suffixSpace, unit / 2)) {
                state_ = State::finished;
                continue;
            }
            break;
        case State::bodyBitEnd:
            state_ = count_ == wantedBits_ ? State::finished : State::bodyBitStart;
            decreaseDuration(ev, bitEnd);
            continue;
        case State::finished: {
            if (ev.pulse) {
                break;
            }
            std::optional<Decoded> decoded;
            if (mode() == Mode::zero) {
                decoded = Decoded{{Protocol::rc6_0, body_}, toggle_};
            } else if (mode() == Mode::sixA && count_ == 20) {
                decoded = Decoded{{Protocol::rc6_6a_20, body_}, std::nullopt};
            } else if (mode() == Mode::sixA && count_ == 24) {
                decoded = Decoded{{Protocol::rc6_6a_24, body_}, std::nullopt};
            } else if (mode() == Mode::sixA && count_ == 32) {
                // The customer codes of MCE remotes (and Zotac's and
                // Kathrein's, which the kernel takes for MCE) have a
                // toggle bit in the body.
                uint32_t customer = body_ & 0xffff0000;
                if (customer == 0x800f0000 || customer == 0x80340000 || customer == 0x80460000) {
                    decoded = Decoded{{Protocol::rc6_mce, body_ & ~mceToggle}, (body_ & mceToggle) != 0};
                } else {
                    decoded = Decoded{{Protocol::rc6_6a_32, body_}, std::nullopt};
                }
            } else {
                break;
            }
            state_ = State::inactive;
            return decoded;
        }
        }
        state_ = State::inactive;
        return std::nullopt;
    }
}

}  // namespace ostrel::protocols::decoders
