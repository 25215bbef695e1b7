// The lexical pieces of signal files that both of their forms share: lines,
// words, comments and duration values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel::text {

// Words are separated by these; a CR, which ends lines on Windows, is one of
// them wherever it stands, as it is for ir-ctl.
constexpr std::string_view blanks = " \t\r";
// The list form also separates values by commas, as ir-ctl does.
constexpr std::string_view blanksAndCommas = " \t\r,";

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
    Words(std::string_view line, std::string_view separators)
        : rest_(line), separators_(separators) {}
    // The next word, or nothing at the end of the line.
    std::optional<std::string_view> next();

private:
    std::string_view rest_;
    std::string_view separators_;
};

// A word that starts a comment, which runs to the end of its line: "#..." or
// "//...". A "#" inside a word, as in "100#", does not.
bool startsComment(std::string_view word);

// The value of a word made of decimal digits only, from 1 to longestDuration.
// Nothing for any other word: empty, signed, hex, exponent, trailing
// characters, 0 or too large (however many digits: nothing overflows).
std::optional<uint32_t> durationValue(std::string_view word);

// The first byte of the line that no text file holds: a control character
// other than tab and CR, or DEL.
std::optional<unsigned char> firstBinaryByte(std::string_view line);

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

}  // namespace ostrel::text
