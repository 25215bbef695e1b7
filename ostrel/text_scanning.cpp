#include "text_scanning.h"

#include <cstdio>

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

namespace {

// The length of the well-formed UTF-8 sequence at the start of text, other
// than a C1 control character; 0 when it does not start with one.
size_t utf8SequenceLength(std::string_view text) {
    auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(0);
    size_t length = 0;
    unsigned char low = 0x80;  // the range of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        if (lead == 0xC2) {
            low = 0xA0;  // U+0080..U+009F are the C1 controls
        }
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong form
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;   // no overlong form
        high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

}  // namespace

std::string printable(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    while (!text.empty()) {
        auto byte = static_cast<unsigned char>(text.front());
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            shown += text.front();
            text.remove_prefix(1);
            continue;
        }
        if (size_t length = utf8SequenceLength(text); length != 0) {
            shown.append(text.substr(0, length));
            text.remove_prefix(length);
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        shown += escaped;
        text.remove_prefix(1);
    }
    return shown;
}

}  // namespace ostrel::text
