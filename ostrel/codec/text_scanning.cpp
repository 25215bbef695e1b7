#include "ostrel/codec/text_scanning.h"

#include <cstdio>

#include "ostrel/codec/ir_signal.h"

namespace ostrel::text {

namespace {

constexpr ByteSet binaryBytes = [] {
    ByteSet set("\x7F");
    for (int byte = 0; byte < 0x20; ++byte) {
        if (byte != '\t' && byte != '\r' && byte != '\n') {
            set.add(static_cast<char>(byte));
        }
    }
    return set;
}();

}  // namespace

std::optional<std::pair<size_t, unsigned char>> firstBinaryByte(std::string_view text) {
    size_t line = 1;
    for (char c : text) {
        if (c == '\n') {
            ++line;
        } else if (binaryBytes.contains(c)) {
            return std::pair{line, static_cast<unsigned char>(c)};
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
