// The lexical pieces of signal files that both of their forms share: lines,
// words, comments and duration values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "ir_signal.h"

namespace ostrel::text {

// A set of bytes, looked up by value: one load a byte where the lines of a
// file are split into words.
class ByteSet {
public:
    constexpr explicit ByteSet(std::string_view members) {
        for (char c : members) {
            add(c);
        }
    }
    constexpr void add(char c) { has_[static_cast<unsigned char>(c)] = true; }
    constexpr bool contains(char c) const { return has_[static_cast<unsigned char>(c)]; }

private:
    std::array<bool, 256> has_{};
};

// Words are separated by these; a CR, which ends lines on Windows, is one of
// them wherever it stands, as it is for ir-ctl.
inline constexpr ByteSet blanks(" \t\r");
// The list form also separates values by commas, as ir-ctl does.
inline constexpr ByteSet blanksAndCommas(" \t\r,");

// The lines of a text, split at "\n", numbered from 1. A last line without
// "\n" is a line; the empty rest after a final "\n" is not.
class Lines {
public:
    explicit Lines(std::string_view text) : rest_(text) {}
    // The next line without its "\n", or nothing at the end of the text.
    std::optional<std::string_view> next();
    size_t number() const { return number_; }

private:
    std::string_view rest_;
    size_t number_ = 0;
    bool done_ = false;
};

// The words of one line.
class Words {
public:
    Words(std::string_view line, const ByteSet& separators)
        : rest_(line), separators_(separators) {}
    // The next word, or nothing at the end of the line.
    std::optional<std::string_view> next();

private:
    std::string_view rest_;
    const ByteSet& separators_;
};

// A word that starts a comment, which runs to the end of its line: "#..." or
// "//...". A "#" inside a word, as in "100#", does not.
inline bool startsComment(std::string_view word);

// The value of a word made of decimal digits only, from 1 to longestDuration.
// Nothing for any other word: empty, signed, hex, exponent, trailing
// characters, 0 or too large (however many digits: nothing overflows).
inline std::optional<uint32_t> durationValue(std::string_view word);

// The first byte of the text that no text file holds, a control character
// other than tab, CR and line end, or DEL, with the 1-based number of its line.
std::optional<std::pair<size_t, unsigned char>> firstBinaryByte(std::string_view text);

// A word as quoted in an error: in single quotes, cut short when long, any
// byte outside printable ASCII shown as "?", so that neither a 100 kB word
// nor binary junk reaches the terminal whole.
std::string quoted(std::string_view word);

// Text as it may stand in a one-line message on a terminal: printable ASCII
// and well-formed UTF-8 stay as they are; a control character (C0, DEL or
// C1), a byte outside a well-formed UTF-8 sequence and a backslash become
// "\xNN". A file or device name with a line end or junk bytes in it then
// neither breaks the line nor drives the terminal, and still tells its bytes.
std::string printable(std::string_view text);

// Inline: called for every line and word of a file, and an optional
// returned from a call goes through memory.

inline std::optional<std::string_view> Lines::next() {
    if (done_ || rest_.empty()) {
        done_ = true;
        return std::nullopt;
    }
    ++number_;
    // A plain loop: the lines of a signal file are a dozen bytes long, too
    // short for a call of memchr to pay off.
    size_t end = 0;
    while (end < rest_.size() && rest_[end] != '\n') {
        ++end;
    }
    std::string_view line = rest_.substr(0, end);
    if (end == rest_.size()) {
        done_ = true;
        rest_ = {};
    } else {
        rest_.remove_prefix(end + 1);
    }
    return line;
}

inline std::optional<std::string_view> Words::next() {
    size_t start = 0;
    while (start < rest_.size() && separators_.contains(rest_[start])) {
        ++start;
    }
    if (start == rest_.size()) {
        rest_ = {};
        return std::nullopt;
    }
    size_t end = start;
    while (end < rest_.size() && !separators_.contains(rest_[end])) {
        ++end;
    }
    std::string_view word = rest_.substr(start, end - start);
    rest_.remove_prefix(end);
    return word;
}

inline bool startsComment(std::string_view word) {
    return word.starts_with('#') || word.starts_with("//");
}

inline std::optional<uint32_t> durationValue(std::string_view word) {
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

}  // namespace ostrel::text
