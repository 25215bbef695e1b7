// The protocols whose bits are told by the length of a space (pulse
// distance: NEC, JVC, Sanyo, Sharp, xbox-dvd) or of a pulse (pulse length:
// Sony).
#include "ostrel/codec/protocols/bit_order.h"
#include "ostrel/codec/protocols/edge_builder.h"
#include "ostrel/codec/protocols/frame_encoders.h"
#include "ostrel/codec/protocols/kernel_timings.h"

namespace ostrel::protocols::encoders {

namespace t = timing;

std::vector<uint32_t> necFrame(Scancode scancode) {
    constexpr PulseDistance timings{t::nec::headerPulse, t::nec::headerSpace, t::nec::bitPulse,
                                    {t::nec::bit0Space, t::nec::bit1Space}, t::nec::trailerPulse,
                                    t::nec::trailerSpace, false};
    // ir_nec_scancode_to_raw: the address, its complement, the command and
    // its complement, each byte least significant bit first.
    uint32_t v = scancode.value;
    uint32_t address, notAddress, notCommand, command = v & 0xff;
    if (scancode.protocol == Protocol::nec32) {
        notAddress = v >> 24;
        address = v >> 16 & 0xff;
        notCommand = v >> 8 & 0xff;
    } else if (scancode.protocol == Protocol::necx) {
        address = v >> 16 & 0xff;
        notAddress = v >> 8 & 0xff;
        notCommand = command ^ 0xff;
    } else {
        address = v >> 8 & 0xff;
        notAddress = address ^ 0xff;
        notCommand = command ^ 0xff;
    }
    EdgeBuilder edges;
    edges.pulseDistance(timings, 32, notCommand << 24 | command << 16 | notAddress << 8 | address);
    return std::move(edges).frame();
}

std::vector<uint32_t> jvcFrame(uint32_t scancode) {
    constexpr PulseDistance timings{t::jvc::headerPulse, t::jvc::headerSpace, t::jvc::bitPulse,
                                    {t::jvc::bit0Space, t::jvc::bit1Space}, t::jvc::trailerPulse,
                                    t::jvc::trailerSpace, true};
    uint32_t raw = bitrev8(scancode >> 8 & 0xff) << 8 | bitrev8(scancode & 0xff);
    EdgeBuilder edges;
    edges.pulseDistance(timings, 16, raw);
    return std::move(edges).frame();
}

std::vector<uint32_t> sanyoFrame(uint32_t scancode) {
    constexpr PulseDistance timings{t::sanyo::headerPulse, t::sanyo::headerSpace,
                                    t::sanyo::bitPulse, {t::sanyo::bit0Space, t::sanyo::bit1Space},
                                    t::sanyo::trailerPulse, t::sanyo::trailerSpace, true};
    // The 13-bit address, its complement, the command and its complement,
    // each least significant bit first.
    uint64_t raw = uint64_t{bitrev16(scancode >> 8) & 0xfff8} << (8 + 8 + 13 - 3) |
                   uint64_t{bitrev16(~scancode >> 8) & 0xfff8} << (8 + 8 + 0 - 3) |
                   bitrev8(scancode & 0xff) << 8 | bitrev8(~scancode & 0xff);
    EdgeBuilder edges;
    edges.pulseDistance(timings, 13 + 13 + 8 + 8, raw);
    return std::move(edges).frame();
}

std::vector<uint32_t> sharpFrame(uint32_t scancode) {
    constexpr PulseDistance timings{0, 0, t::sharp::bitPulse,
                                    {t::sharp::bit0Space, t::sharp::bit1Space}, t::sharp::bitPulse,
                                    t::sharp::echoSpace, true};
    // The 5-bit address and the command, then the expansion and check bits
    // 1 and 0; 40 ms later the same with the command inverted and the two
    // bits 0 and 1.
    uint32_t address = (bitrev8(scancode >> 8 & 0xff) >> 3) << 8 & 0x1f00;
    EdgeBuilder edges;
    edges.pulseDistance(timings, 15, (address | bitrev8(scancode & 0xff)) << 2 | 2);
    edges.pulseDistance(timings, 15, (address | bitrev8(~scancode & 0xff)) << 2 | 1);
    return std::move(edges).frame();
}

std::vector<uint32_t> sonyFrame(Scancode scancode) {
    constexpr PulseLength timings{t::sony::headerPulse, t::sony::bitSpace,
                                  {t::sony::bit0Pulse, t::sony::bit1Pulse},
                                  t::sony::trailerSpace + t::sony::bitSpace, false};
    // The 7-bit command, the device (5 bits, 8 for sony15), and for sony20
    // the 8-bit extension, least significant bit first.
    uint32_t v = scancode.value;
    uint32_t raw;
    unsigned bits;
    if (scancode.protocol == Protocol::sony12) {
        raw = (v & 0x7f) | (v & 0x1f0000) >> 9;
        bits = 12;
    } else if (scancode.protocol == Protocol::sony15) {
        raw = (v & 0x7f) | (v & 0xff0000) >> 9;
        bits = 15;
    } else {
        raw = (v & 0x7f) | (v & 0x1f0000) >> 9 | (v & 0xff00) << 4;
        bits = 20;
    }
    EdgeBuilder edges;
    edges.pulseLength(timings, bits, raw);
    return std::move(edges).frame();
}

std::vector<uint32_t> xboxDvdFrame(uint32_t scancode) {
    // The 12-bit code's complement, then the code, most significant bit
    // first, with a header and a final pulse.
    uint32_t code = scancode & 0xfff;
    uint32_t raw = (~code & 0xfff) << 12 | code;
    EdgeBuilder edges;
    edges.pulse(t::xbox_dvd::headerPulse);
    edges.space(t::xbox_dvd::headerSpace);
    for (int bit = 23; bit >= 0; --bit) {
        edges.pulse(t::xbox_dvd::bitPulse);
        edges.space((raw >> bit) & 1 ? t::xbox_dvd::bit1Space : t::xbox_dvd::bit0Space);
    }
    edges.pulse(t::xbox_dvd::trailerPulse);
    return std::move(edges).frame();
}

}  // namespace ostrel::protocols::encoders
