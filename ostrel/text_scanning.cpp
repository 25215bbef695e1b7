#include "text_scanning.h"

#include "ir_signal.h"

namespace ostrel::text {

std::optional<std::string_view> Lines::next() {
    if (done_ || rest_.empty()) {
        done_ = true;
        return std::nullopt;
    }
    ++number_;
    size_t end = rest_.find('\n');
    std::string_view line = rest_.substr(0, end);
    if (end == std::string_view::npos) {
        done_ = true;
        rest_ = {};
    } else {
        rest_.remove_prefix(end + 1);
    }
    return line;
}

std::optional<std::string_view> Words::next() {
    size_t start = rest_.find_first_not_of(separators_);
    if (start == std::string_view::npos) {
        rest_ = {};
        return std::nullopt;
    }
    rest_.remove_prefix(start);
    size_t end = rest_.find_first_of(separators_);
    std::string_view word = rest_.substr(0, end);
    rest_.remove_prefix(word.size());
    return word;
}

bool startsComment(std::string_view word) {
    return word.starts_with('#') || word.starts_with("//");
}

std::optional<uint32_t> durationValue(std::string_view word) {
    if (word.empty()) {
        return std::nullopt;
    }
    uint32_t value = 0;
    for (char c : word) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        // Once past the largest duration the value only grows, so stop there,
        // long before 32 bits could overflow; the digits left must still be
        // digits for the word to be a number at all, but it is too large.
        if (value <= longestDuration) {
            value = value * 10 + static_cast<uint32_t>(c - '0');
        }
    }
    if (value < 1 || value > longestDuration) {
        return std::nullopt;
    }
    return value;
}

std::optional<unsigned char> firstBinaryByte(std::string_view line) {
    for (char c : line) {
        auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\t' && byte != '\r') || byte == 0x7F) {
            return byte;
        }
    }
    return std::nullopt;
}

std::string quoted(std::string_view word) {
    constexpr size_t longest = 24;
    std::string shown = "'";
    for (char c : word.substr(0, longest)) {
        shown += c > ' ' && c < 0x7F ? c : '?';
    }
    if (word.size() > longest) {
        shown += "...";
    }
    return shown + "'";
}

}  // namespace ostrel::text
