#include "ostrel/codec/protocols/flipper_protocols.h"

#include <array>
#include <cstdio>

#include "ostrel/codec/protocols/edge_builder.h"
#include "ostrel/codec/protocols/kernel_timings.h"
#include "ostrel/codec/protocols/scancode.h"
#include "ostrel/codec/protocols/scancode_encoding.h"

namespace ostrel::protocols {

namespace {

enum class Layout {
    nec, necExt, nec42, nec42ext, samsung32, rc5, rc5x, rc6, sirc, sirc15, sirc20, kaseikyo, rca,
    pioneer
};

struct FlipperProtocol {
    std::string_view name;
    unsigned addressBits;  // the address_length and command_length of
    unsigned commandBits;  // Flipper's protocol variant
    Layout layout;
};

// Flipper's protocols, each as wide as Flipper's variant of it, but RC5:
// Flipper's RC5 takes 6 command bits, and its RC5X the 7th, which the second
// start bit carries inverted; the database's RC5 signals with commands of 64
// to 127 are sent as the 7-bit RC5 commands the kernel's rc5 scancodes have.
constexpr std::array<FlipperProtocol, 14> played = {{
    {"NEC", 8, 8, Layout::nec},
    {"NECext", 16, 16, Layout::necExt},
    {"NEC42", 13, 8, Layout::nec42},
    {"NEC42ext", 26, 16, Layout::nec42ext},
    {"Samsung32", 8, 8, Layout::samsung32},
    {"RC5", 5, 7, Layout::rc5},
    {"RC5X", 5, 7, Layout::rc5x},
    {"RC6", 8, 8, Layout::rc6},
    {"SIRC", 5, 7, Layout::sirc},
    {"SIRC15", 8, 7, Layout::sirc15},
    {"SIRC20", 13, 7, Layout::sirc20},
    {"Kaseikyo", 26, 10, Layout::kaseikyo},
    {"RCA", 4, 8, Layout::rca},
    {"Pioneer", 8, 8, Layout::pioneer},
}};

// INFRARED_COMMON_DUTY_CYCLE and the duty cycle of Flipper's RC5, RC6 and
// SIRC alike: 0.33.
constexpr uint32_t flipperDutyCycle = 33;
// INFRARED_COMMON_CARRIER_FREQUENCY, the carrier of Samsung32, Kaseikyo and
// RCA (whose remotes send at 56 kHz; Flipper sends it at this one).
constexpr uint32_t flipperCarrier = 38000;
// INFRARED_PIONEER_CARRIER_FREQUENCY.
constexpr uint32_t pioneerCarrier = 40000;

// infrared_protocol_samsung_i.h: a NEC-like frame with a shorter header.
constexpr PulseDistance samsung32Timings{4500, 4500, 550, {550, 1650}, 550, 0, false};
// infrared_protocol_kaseikyo_i.h: units of 432 us.
constexpr PulseDistance kaseikyoTimings{8 * 432, 4 * 432, 432, {432, 3 * 432}, 432, 0, false};
// infrared_protocol_rca_i.h: a 4000/4000 us header, 500 us pulses, spaces of
// 1000 us (0) and 2000 us (1).
constexpr PulseDistance rcaTimings{4000, 4000, 500, {1000, 2000}, 500, 0, false};

// infrared_protocol_pioneer_i.h: NEC's layout with a header of 8500/4225 us,
// 500 us pulses and spaces of 500 us (0) and 1500 us (1). Flipper sends a
// 33rd bit, 0, whose pulse ends the frame; its space and the 26000 us of
// silence before the next frame make the space between frames.
constexpr PulseDistance pioneerTimings{8500, 4225, 500, {500, 1500}, 500, 500 + 26000, false};
// INFRARED_PIONEER_REPEAT_COUNT_MIN: Flipper sends a Pioneer code at least twice.
constexpr unsigned pioneerFrameCount = 2;

std::string playedNames() {
    std::string names;
    for (const FlipperProtocol& protocol : played) {
        names += (names.empty() ? "" : ", ") + std::string(protocol.name);
    }
    return names;
}

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

// infrared_encoder_samsung32_reset: the address twice, the command and its
// complement, each byte least significant bit first.
std::vector<uint32_t> samsung32Frame(uint32_t address, uint32_t command) {
    EdgeBuilder edges;
    edges.pulseDistance(samsung32Timings, 32,
                        (~command & 0xff) << 24 | command << 16 | address << 8 | address);
    return std::move(edges).frame();
}

// infrared_encoder_kaseikyo_reset: six bytes, least significant bit first:
// the vendor's two, its parity nibble and the first genre, the second genre
// and the command's low nibble, the id and the command's high six bits, and
// the parity of the three bytes before.
std::vector<uint32_t> kaseikyoFrame(uint32_t address, uint32_t command) {
    uint32_t id = address >> 24 & 3;
    uint32_t vendor = address >> 8 & 0xffff;
    uint32_t genre1 = address >> 4 & 0xf;
    uint32_t genre2 = address & 0xf;
    uint32_t byte[6];
    byte[0] = vendor & 0xff;
    byte[1] = vendor >> 8;
    uint32_t vendorParity = byte[0] ^ byte[1];
    vendorParity = (vendorParity & 0xf) ^ (vendorParity >> 4);
    byte[2] = vendorParity | genre1 << 4;
    byte[3] = genre2 | (command & 0xf) << 4;
    byte[4] = id << 6 | command >> 4;
    byte[5] = byte[2] ^ byte[3] ^ byte[4];
    uint64_t data = 0;
    for (int i = 5; i >= 0; --i) {
        data = data << 8 | byte[i];
    }
    EdgeBuilder edges;
    edges.pulseDistance(kaseikyoTimings, 48, data);
    return std::move(edges).frame();
}

// infrared_encoder_rca_reset: 24 bits, least significant first: the 4-bit
// address, the command, then the complement of each.
std::vector<uint32_t> rcaFrame(uint32_t address, uint32_t command) {
    EdgeBuilder edges;
    edges.pulseDistance(rcaTimings, 24,
                        (~command & 0xff) << 16 | (~address & 0xf) << 12 | command << 4 | address);
    return std::move(edges).frame();
}

// infrared_encoder_pioneer_reset: the address, its complement, the command,
// its complement, each least significant bit first; the frame twice.
std::vector<uint32_t> pioneerCode(uint32_t address, uint32_t command) {
    EdgeBuilder edges;
    for (unsigned frame = 0; frame < pioneerFrameCount; ++frame) {
        edges.pulseDistance(pioneerTimings, 32,
                            (~command & 0xff) << 24 | command << 16 | (~address & 0xff) << 8 |
                                address);
    }
    return std::move(edges).frame();
}

// infrared_encoder_nec_reset for NEC42ext: the 26-bit address and the 16-bit
// command, least significant bit first, in NEC42's frame. The kernel's sanyo
// is the frame whose address and command are each a value and its
// complement; this sends any other with its timings too, so that an NEC42ext
// signal of that form is the sanyo code, edge for edge.
std::vector<uint32_t> nec42extFrame(uint32_t address, uint32_t command) {
    namespace t = timing::sanyo;
    constexpr PulseDistance timings{t::headerPulse, t::headerSpace, t::bitPulse,
                                    {t::bit0Space, t::bit1Space}, t::trailerPulse, t::trailerSpace,
                                    false};
    EdgeBuilder edges;
    edges.pulseDistance(timings, 42, uint64_t{command} << 26 | address);
    return std::move(edges).frame();
}

// The kernel's scancode of the frame Flipper's encoder sends.
Scancode scancodeOf(Layout layout, uint32_t a, uint32_t c) {
    switch (layout) {
    case Layout::nec:  // the address, its complement, the command, its complement
        return necScancode(a, ~a & 0xff, c, ~c & 0xff);
    case Layout::necExt:  // the address and the command, each low byte first
        return necScancode(a & 0xff, a >> 8, c & 0xff, c >> 8);
    case Layout::nec42:  // the 13-bit address, its complement, the command, its complement
        return {Protocol::sanyo, a << 8 | c};
    case Layout::rc5:  // the second start bit the 7th bit of the command, inverted
        return {Protocol::rc5, a << 8 | c};
    case Layout::rc5x:  // the second start bit 0, and only 6 bits of the command
        return {Protocol::rc5, a << 8 | 0x40 | (c & 0x3f)};
    case Layout::rc6:
        return {Protocol::rc6_0, a << 8 | c};
    case Layout::sirc:  // the command, then the address
        return {Protocol::sony12, a << 16 | c};
    case Layout::sirc15:
        return {Protocol::sony15, a << 16 | c};
    case Layout::sirc20:  // the address's low 5 bits are the device, the rest the extension
        return {Protocol::sony20, (a & 0x1f) << 16 | (a >> 5) << 8 | c};
    default:
        return {};
    }
}

}  // namespace

FlipperSignal encodeFlipperSignal(std::string_view name, uint32_t address, uint32_t command) {
    FlipperSignal signal;
    const FlipperProtocol* protocol = nullptr;
    for (const FlipperProtocol& candidate : played) {
        if (candidate.name == name) {
            protocol = &candidate;
        }
    }
    if (!protocol) {
        signal.reason = "no Flipper protocol is named so; the protocols played are " + playedNames();
        signal.fault = FlipperSignal::Fault::protocol;
        return signal;
    }
    auto within = [&signal, protocol](const char* what, const char* plural, uint32_t value,
                                      unsigned bits) {
        if (value >> bits != 0) {
            signal.reason = std::string(what) + " " + hex(value) + " has bits outside the " +
                            std::to_string(bits) + " of " + std::string(protocol->name) + " " +
                            plural;
            return false;
        }
        return true;
    };
    if (!within("address", "addresses", address, protocol->addressBits)) {
        signal.fault = FlipperSignal::Fault::address;
        return signal;
    }
    if (!within("command", "commands", command, protocol->commandBits)) {
        signal.fault = FlipperSignal::Fault::command;
        return signal;
    }
    signal.dutyCycle = flipperDutyCycle;
    if (protocol->layout == Layout::samsung32) {
        signal.durations = samsung32Frame(address, command);
        signal.carrier = flipperCarrier;
    } else if (protocol->layout == Layout::kaseikyo) {
        signal.durations = kaseikyoFrame(address, command);
        signal.carrier = flipperCarrier;
    } else if (protocol->layout == Layout::rca) {
        signal.durations = rcaFrame(address, command);
        signal.carrier = flipperCarrier;
    } else if (protocol->layout == Layout::pioneer) {
        signal.durations = pioneerCode(address, command);
        signal.carrier = pioneerCarrier;
    } else if (protocol->layout == Layout::nec42ext) {
        signal.durations = nec42extFrame(address, command);
        signal.carrier = flipperCarrier;
    } else {
        Scancode scancode = scancodeOf(protocol->layout, address, command);
        signal.durations = encodeScancode(scancode);
        signal.carrier = infoOf(scancode.protocol).carrier;
    }
    return signal;
}

}  // namespace ostrel::protocols
