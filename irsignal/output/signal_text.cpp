#include "irsignal/output/signal_text.h"

#include <cstdio>

#include "ostrel/codec/protocols/scancode_decoding.h"

namespace irsignal {

namespace {

constexpr uint32_t irplayDefaultCarrier = 38000;

}  // namespace

std::string carrierText(const ostrel::Signal& signal) {
    if (signal.carrier == ostrel::unmodulated) {
        return "unmodulated";
    }
    return std::to_string(signal.carrier.value_or(irplayDefaultCarrier)) + " Hz";
}

std::string millisecondsText(uint64_t microseconds) {
    // Tenths of a millisecond, halves up.
    uint64_t tenths = (microseconds + 50) / 100;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " ms";
}

std::optional<std::string> decodedText(std::span<const uint32_t> durations) {
    std::optional<ostrel::protocols::Decoded> decoded = ostrel::protocols::decodeSignal(durations);
    if (!decoded) {
        return std::nullopt;
    }
    std::string text = ostrel::protocols::formatScancode(decoded->scancode);
    if (decoded->toggle) {
        text += *decoded->toggle ? " toggle 1" : " toggle 0";
    }
    return text;
}

std::string framesText(size_t frames) {
    return std::to_string(frames) + (frames == 1 ? " frame" : " frames");
}

std::string valuesText(size_t values) {
    return std::to_string(values) + (values == 1 ? " value" : " values");
}

std::string oneLine(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            line += escaped;
        } else {
            line += c;
        }
    }
    return line;
}

}  // namespace irsignal
