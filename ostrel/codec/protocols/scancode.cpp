#include "ostrel/codec/protocols/scancode.h"

#include <cstdio>
#include <optional>

namespace ostrel::protocols {

namespace {

using enum Protocol;

std::optional<uint32_t> digitValue(char c, unsigned base) {
    unsigned digit = c >= '0' && c <= '9'   ? static_cast<unsigned>(c - '0')
                     : c >= 'a' && c <= 'z' ? static_cast<unsigned>(c - 'a' + 10)
                     : c >= 'A' && c <= 'Z' ? static_cast<unsigned>(c - 'A' + 10)
                                            : 36;
    if (digit >= base) {
        return std::nullopt;
    }
    return digit;
}

// The whole text as strtoll(text, &end, 0) reads it, when it reads all of it
// and the value lies from 0 to 0xffffffff, as ir-ctl's strtoscancode wants.
std::optional<uint32_t> scancodeValue(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        digitValue(text[2], 16)) {
        base = 16;
        text.remove_prefix(2);
    } else if (text.size() > 1 && text[0] == '0') {
        base = 8;
    }
    if (text.empty()) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (char c : text) {
        std::optional<uint32_t> digit = digitValue(c, base);
        if (!digit) {
            return std::nullopt;
        }
        value = value * base + *digit;
        if (value > 0xffffffff) {
            return std::nullopt;
        }
    }
    if (negative && value != 0) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

}  // namespace

Scancode necScancode(uint32_t address, uint32_t notAddress, uint32_t command,
                     uint32_t notCommand) {
    if ((command ^ notCommand) != 0xff) {
        return {nec32, notAddress << 24 | address << 16 | notCommand << 8 | command};
    }
    if ((address ^ notAddress) != 0xff) {
        return {necx, address << 16 | notAddress << 8 | command};
    }
    return {nec, address << 8 | command};
}

Scancode normalised(Scancode scancode) {
    uint32_t v = scancode.value;
    switch (scancode.protocol) {
    case nec:
    case necx:
    case nec32: {
        Protocol layout = scancode.protocol;
        if (layout == nec && v > 0xffff) {
            layout = v > 0xffffff ? nec32 : necx;
        }
        if ((v & ~infoOf(layout).scancodeBits) != 0) {
            return scancode;
        }
        if (layout == nec) {
            return necScancode(v >> 8, ~v >> 8 & 0xff, v & 0xff, ~v & 0xff);
        }
        if (layout == necx) {
            return necScancode(v >> 16, v >> 8 & 0xff, v & 0xff, ~v & 0xff);
        }
        return necScancode(v >> 16 & 0xff, v >> 24, v & 0xff, v >> 8 & 0xff);
    }
    case rc6_mce:
    case rc6_6a_32:
        return {(v & 0xffff0000) == 0x800f0000 ? rc6_mce : rc6_6a_32, v};
    default:
        return scancode;
    }
}

ScancodeReading readScancode(std::string_view text) {
    ScancodeReading reading;
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        reading.reason = "expected PROTOCOL:VALUE, such as nec:0x408";
        return reading;
    }
    std::string_view name = text.substr(0, colon);
    NameLookup lookup = findProtocol(name);
    if (!lookup.protocol) {
        std::string known;
        for (const ProtocolInfo& info : allProtocols()) {
            known += (known.empty() ? "" : ", ") + std::string(info.name);
        }
        reading.reason = lookup.withoutEncoder.empty()
                             ? "unknown protocol"
                             : "no encoder for " + std::string(lookup.withoutEncoder);
        reading.reason += "; the protocols are " + known;
        return reading;
    }
    std::optional<uint32_t> value = scancodeValue(text.substr(colon + 1));
    if (!value) {
        reading.reason = "the scancode is not a number from 0 to 0xffffffff (decimal, 0x hex or 0 octal)";
        return reading;
    }
    Scancode scancode = normalised({*lookup.protocol, *value});
    const ProtocolInfo& info = infoOf(scancode.protocol);
    if ((scancode.value & ~info.scancodeBits) != 0) {
        reading.reason = formatScancode(scancode) + " has bits outside " + hex(info.scancodeBits) +
                         ", the bits of " + std::string(info.name) + " scancodes";
        return reading;
    }
    reading.scancode = scancode;
    return reading;
}

std::string formatScancode(const Scancode& scancode) {
    return std::string(infoOf(scancode.protocol).name) + ":" + hex(scancode.value);
}

}  // namespace ostrel::protocols
