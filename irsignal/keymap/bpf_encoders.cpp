#include "irsignal/keymap/bpf_encoders.h"

#include <cstdio>
#include <optional>

#include "ostrel/codec/ir_signal.h"
#include "ostrel/codec/protocols/edge_builder.h"

namespace irsignal::keymap {

namespace {

using ostrel::protocols::EdgeBuilder;

std::string hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

// The parameters of one protocol entry, read as ir-ctl's keymap_param reads
// them (by exact name, the decoder's default when absent), each checked
// against its range. The first problem is kept as the refusal.
class ParameterReader {
public:
    ParameterReader(std::string_view protocol, std::span<const Parameter> parameters)
        : protocol_(protocol), parameters_(parameters) {}

    int64_t number(std::string_view name, int64_t fallback, int64_t least, int64_t most) {
        const Parameter* parameter = find(name);
        if (parameter == nullptr) {
            return fallback;
        }
        if (!parameter->value) {
            refuse(std::string(name) + " is not a whole number");
            return fallback;
        }
        if (*parameter->value < least || *parameter->value > most) {
            refuse(std::string(name) + " = " + std::to_string(*parameter->value) + " is out of its range, " +
                   std::to_string(least) + " to " + std::to_string(most));
            return fallback;
        }
        return *parameter->value;
    }

    // A duration in microseconds; 0 only where `optional`, for a part the
    // frame then leaves out.
    uint32_t duration(std::string_view name, uint32_t fallback, bool optional = false) {
        return static_cast<uint32_t>(number(name, fallback, optional ? 0 : 1, ostrel::longestDuration));
    }

    bool flag(std::string_view name) { return number(name, 0, INT64_MIN, INT64_MAX) != 0; }

    void refuse(std::string reason) {
        if (refusal_.empty()) {
            refusal_ = std::string(protocol_) + " parameter " + reason;
        }
    }

    const std::string& refusal() const { return refusal_; }

private:
    const Parameter* find(std::string_view name) const {
        for (const Parameter& parameter : parameters_) {
            if (parameter.name == name) {
                return &parameter;
            }
        }
        return nullptr;
    }

    std::string_view protocol_;
    std::span<const Parameter> parameters_;
    std::string refusal_;
};

BpfFrame refused(std::string reason) { return {{}, std::move(reason)}; }

// The refusal of a scancode wider than the protocol's bits, empty when it fits.
std::string widthRefusal(std::string_view protocol, uint64_t scancode, unsigned bits) {
    if (bits >= 64 || scancode >> bits == 0) {
        return {};
    }
    return std::string(protocol) + " scancode " + hex(scancode) + " does not fit its " + std::to_string(bits) +
           " bits";
}

// A header of a pulse and a space, left out when its pulse is 0: without
// its space the header pulse would run into the first bit's.
bool addHeader(EdgeBuilder& edges, ParameterReader& parameters, uint32_t pulse, uint32_t space) {
    if (pulse == 0) {
        return true;
    }
    if (space == 0) {
        parameters.refuse("header_space is 0 while header_pulse is set");
        return false;
    }
    edges.pulse(pulse);
    edges.space(space);
    return true;
}

// pulse_distance: the header, then a pulse and a space for each bit, the
// space's length the bit's value, most significant bit first unless
// `reverse`, then the trailer pulse that ends the last bit's space.
BpfFrame pulseDistance(std::span<const Parameter> list, uint64_t scancode) {
    ParameterReader parameters("pulse_distance", list);
    uint32_t headerPulse = parameters.duration("header_pulse", 2125, true);
    uint32_t headerSpace = parameters.duration("header_space", 1875, true);
    uint32_t bitPulse = parameters.duration("bit_pulse", 625);
    uint32_t bitSpace[2] = {parameters.duration("bit_0_space", 375), parameters.duration("bit_1_space", 1625)};
    uint32_t trailerPulse = parameters.duration("trailer_pulse", 625);
    auto bits = static_cast<unsigned>(parameters.number("bits", 4, 1, 64));
    bool reverse = parameters.flag("reverse");
    EdgeBuilder edges;
    if (!addHeader(edges, parameters, headerPulse, headerSpace) || !parameters.refusal().empty()) {
        return refused(parameters.refusal());
    }
    if (std::string wide = widthRefusal("pulse_distance", scancode, bits); !wide.empty()) {
        return refused(wide);
    }
    for (unsigned i = 0; i < bits; ++i) {
        unsigned bit = reverse ? i : bits - 1 - i;
        edges.pulse(bitPulse);
        edges.space(bitSpace[(scancode >> bit) & 1]);
    }
    edges.pulse(trailerPulse);
    return {std::move(edges).frame(), {}};
}

// pulse_length: the header, then a pulse for each bit, its length the bit's
// value, most significant bit first unless `reverse`, the bits apart by
// bit_space. The frame ends with the last bit's pulse, as the decoder
// reports the scancode there; a trailer_pulse, when set, follows it after
// bit_space.
BpfFrame pulseLength(std::span<const Parameter> list, uint64_t scancode) {
    ParameterReader parameters("pulse_length", list);
    uint32_t headerPulse = parameters.duration("header_pulse", 2125, true);
    uint32_t headerSpace = parameters.duration("header_space", 1875, true);
    uint32_t bitSpace = parameters.duration("bit_space", 625);
    uint32_t bitPulse[2] = {parameters.duration("bit_0_pulse", 375), parameters.duration("bit_1_pulse", 1625)};
    uint32_t trailerPulse = parameters.duration("trailer_pulse", 0, true);
    auto bits = static_cast<unsigned>(parameters.number("bits", 4, 1, 64));
    bool reverse = parameters.flag("reverse");
    EdgeBuilder edges;
    if (!addHeader(edges, parameters, headerPulse, headerSpace) || !parameters.refusal().empty()) {
        return refused(parameters.refusal());
    }
    if (std::string wide = widthRefusal("pulse_length", scancode, bits); !wide.empty()) {
        return refused(wide);
    }
    for (unsigned i = 0; i < bits; ++i) {
        unsigned bit = reverse ? i : bits - 1 - i;
        if (i != 0) {
            edges.space(bitSpace);
        }
        edges.pulse(bitPulse[(scancode >> bit) & 1]);
    }
    if (trailerPulse != 0) {
        edges.space(bitSpace);
        edges.pulse(trailerPulse);
    }
    return {std::move(edges).frame(), {}};
}

// manchester, as the decoder (a generalisation of the RC-5 decoder of
// clearwater.com.au/code/rc5) reads it: a 1 is a space then a pulse
// (one_space, one_pulse), a 0 a pulse then a space (zero_pulse,
// zero_space), most significant bit first; like halves of neighbouring bits
// make one pulse or space. The decoder takes the first pulse of a frame for
// the second half of a 1, so the first bit is a 1 whose space is the
// silence before the frame or the header's space. Bits that scancode_mask
// masks out and the toggle bit are not in the scancode: the toggle bit is
// sent as 0, as the kernel's encoders send it, and a masked first bit as
// the 1 it must be (the start bit of a remote converted from LIRC's plead).
BpfFrame manchester(std::span<const Parameter> list, uint64_t scancode) {
    ParameterReader parameters("manchester", list);
    uint32_t headerPulse = parameters.duration("header_pulse", 0, true);
    uint32_t headerSpace = parameters.duration("header_space", 0, true);
    uint32_t zeroPulse = parameters.duration("zero_pulse", 888);
    uint32_t zeroSpace = parameters.duration("zero_space", 888);
    uint32_t onePulse = parameters.duration("one_pulse", 888);
    uint32_t oneSpace = parameters.duration("one_space", 888);
    auto bits = static_cast<unsigned>(parameters.number("bits", 14, 1, 64));
    int64_t toggleBit = parameters.number("toggle_bit", 100, INT64_MIN, INT64_MAX);
    auto scancodeMask = static_cast<uint64_t>(parameters.number("scancode_mask", 0, INT64_MIN, INT64_MAX));
    EdgeBuilder edges;
    if (!addHeader(edges, parameters, headerPulse, headerSpace) || !parameters.refusal().empty()) {
        return refused(parameters.refusal());
    }
    if (std::string wide = widthRefusal("manchester", scancode, bits); !wide.empty()) {
        return refused(wide);
    }
    uint64_t value = scancode;
    uint64_t masked = scancodeMask;
    if (toggleBit >= 0 && toggleBit < static_cast<int64_t>(bits)) {
        value &= ~(uint64_t{1} << toggleBit);
        masked |= uint64_t{1} << toggleBit;
    }
    uint64_t firstBit = uint64_t{1} << (bits - 1);
    if ((masked & firstBit) != 0) {
        value |= firstBit;
    }
    if ((value & firstBit) == 0) {
        return refused("manchester scancode " + hex(scancode) + " begins with a 0 bit, which the decoder reads as 1");
    }
    for (unsigned i = bits; i > 0; --i) {
        if ((value >> (i - 1)) & 1) {
            if (i != bits) {
                edges.space(oneSpace);
            }
            edges.pulse(onePulse);
        } else {
            edges.pulse(zeroPulse);
            edges.space(zeroSpace);
        }
    }
    return {std::move(edges).frame(), {}};
}

// samsung36, at its decoder's timings (the decoder takes no parameter but
// margin): a 4500 us pulse and space, 16 bits, a 500 us pulse and 4450 us
// space, 20 bits, a 500 us pulse; a bit is a 500 us pulse and a space of
// 500 us (0) or 1600 us (1), most significant bit first.
BpfFrame samsung36(uint64_t scancode) {
    constexpr unsigned bits = 36;
    if (std::string wide = widthRefusal("samsung36", scancode, bits); !wide.empty()) {
        return refused(wide);
    }
    EdgeBuilder edges;
    edges.pulse(4500);
    edges.space(4500);
    for (unsigned i = bits; i > 0; --i) {
        edges.pulse(500);
        edges.space((scancode >> (i - 1)) & 1 ? 1600 : 500);
        if (i - 1 == 20) {
            edges.pulse(500);
            edges.space(4450);
        }
    }
    edges.pulse(500);
    return {std::move(edges).frame(), {}};
}

}  // namespace

bool isBpfProtocol(std::string_view protocol) {
    return protocol == "pulse_distance" || protocol == "pulse_length" || protocol == "manchester" ||
           protocol == "samsung36";
}

BpfFrame encodeBpfFrame(std::string_view protocol, std::span<const Parameter> parameters, uint64_t scancode) {
    if (protocol == "pulse_distance") {
        return pulseDistance(parameters, scancode);
    }
    if (protocol == "pulse_length") {
        return pulseLength(parameters, scancode);
    }
    if (protocol == "manchester") {
        return manchester(parameters, scancode);
    }
    if (protocol == "samsung36") {
        return samsung36(scancode);
    }
    return refused("no encoder for " + std::string(protocol));
}

}  // namespace irsignal::keymap
