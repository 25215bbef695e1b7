#include "irsignal/keymap/keymap_numbers.h"

namespace irsignal::keymap {

namespace {

std::optional<unsigned> digitValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<unsigned>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<unsigned>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<unsigned>(c - 'A' + 10);
    }
    return std::nullopt;
}

// The digits of `text` in `base`, all of them, when their value fits `limit`.
std::optional<uint64_t> digitsValue(std::string_view text, unsigned base, uint64_t limit) {
    if (text.empty()) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (char c : text) {
        std::optional<unsigned> digit = digitValue(c);
        if (!digit || *digit >= base || value > (limit - *digit) / base) {
            return std::nullopt;
        }
        value = value * base + *digit;
    }
    return value;
}

constexpr uint32_t longestRawValue = 65535;  // USHRT_MAX, ir-ctl's limit

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == ','; }

}  // namespace

std::optional<uint64_t> keymapScancode(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        return digitsValue(text.substr(2), 16, UINT64_MAX);
    }
    if (text.size() > 1 && text[0] == '0') {
        return digitsValue(text.substr(1), 8, UINT64_MAX);
    }
    return digitsValue(text, 10, UINT64_MAX);
}

RawDurations keymapRawDurations(std::string_view text) {
    RawDurations reading;
    size_t at = 0;
    while (true) {
        while (at < text.size() && isSeparator(text[at])) {
            ++at;
        }
        if (at == text.size()) {
            break;
        }
        size_t end = at;
        while (end < text.size() && !isSeparator(text[end])) {
            ++end;
        }
        std::string_view word = text.substr(at, end - at);
        at = end;
        bool space = reading.durations.size() % 2 == 1;
        std::string_view digits = word;
        if (!digits.empty() && (digits[0] == '+' || (digits[0] == '-' && space))) {
            digits.remove_prefix(1);
        }
        std::optional<uint64_t> value = digitsValue(digits, 10, longestRawValue);
        if (!value || *value == 0) {
            reading.reason = "raw value " + std::to_string(reading.durations.size() + 1) + ", " +
                             std::string(word) + ", is not a duration from 1 to 65535 us" +
                             (space || word[0] != '-' ? "" : " (only a space may be negative)");
            reading.durations.clear();
            return reading;
        }
        reading.durations.push_back(static_cast<uint32_t>(*value));
    }
    if (reading.durations.empty()) {
        reading.reason = "raw code without durations";
    }
    return reading;
}

}  // namespace irsignal::keymap
