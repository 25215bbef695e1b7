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

#include "ostrel/codec/ir_signal.h"

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

// The words of a text, line by line, in one pass over its bytes. Lines end
// at "\n" and are numbered from 1; a last line without "\n" is a line, the
// empty rest after a final "\n" is not. Words are separated by the bytes of
// a set that does not hold "\n".
class LineWords {
public:
    LineWords(std::string_view text, const ByteSet& separators)
        : text_(text), separators_(separators), wordEnds_(separators) {
        wordEnds_.add('\n');
    }
    // Moves to the start of the next line, past what is left of this one;
    // false when the text has no more lines.
    bool nextLine();
    // The next word of the current line, or nothing at its end.
    std::optional<std::string_view> nextWord();
    size_t lineNumber() const { return number_; }

private:
    std::string_view text_;
    size_t next_ = 0;  // the first byte not yet scanned
    size_t number_ = 0;
    const ByteSet& separators_;
    ByteSet wordEnds_;  // the separators and "\n"
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

inline bool LineWords::nextLine() {
    if (number_ != 0) {
        // The rest of this line: once its words were read, nothing but its
        // "\n"; a comment's text is skipped with memchr.
        size_t end = next_ < text_.size() && text_[next_] == '\n' ? next_ : text_.find('\n', next_);
        if (end == std::string_view::npos) {
            next_ = text_.size();
            return false;
        }
        next_ = end + 1;
    }
    if (next_ == text_.size()) {
        return false;
    }
    ++number_;
    return true;
}

inline std::optional<std::string_view> LineWords::nextWord() {
    while (next_ < text_.size() && separators_.contains(text_[next_])) {
        ++next_;
    }
    if (next_ == text_.size() || text_[next_] == '\n') {
        return std::nullopt;
    }
    size_t start = next_;
    while (next_ < text_.size() && !wordEnds_.contains(text_[next_])) {
        ++next_;
    }
    return text_.substr(start, next_ - start);
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
