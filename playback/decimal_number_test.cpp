#include "playback/decimal_number.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct Reading {
    const char* text;
    int32_t value;
};

// Names each case by its text, escaped, so that test names are stable and printable.
void PrintTo(const Reading& reading, std::ostream* out) {
    static const char hex[] = "0123456789abcdef";
    *out << '"';
    for (const char* c = reading.text; *c != '\0'; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        if (byte > ' ' && byte < 0x7f && byte != '"' && byte != '\\') {
            *out << *c;
        } else {
            *out << "\\x" << hex[byte >> 4] << hex[byte & 0xf];
        }
    }
    *out << '"';
}

class DecimalNumber : public ::testing::TestWithParam<Reading> {};

TEST_P(DecimalNumber, ReadsAsA32BitAtol) {
    EXPECT_EQ(readDecimalNumber(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Readings, DecimalNumber,
    ::testing::Values(
        Reading{"0", 0}, Reading{"2", 2}, Reading{"007", 7}, Reading{"-1", -1},
        Reading{"+2", 2}, Reading{" \t\n\v\f\r1", 1}, Reading{"12abc", 12}, Reading{"", 0},
        Reading{"word", 0}, Reading{"-", 0}, Reading{"+-1", 0}, Reading{"--1", 0},
        Reading{"- 1", 0}, Reading{"\xa0" "1", 0}, Reading{"1 2", 1},
        Reading{"2147483647", 2147483647}, Reading{"-2147483648", INT32_MIN},
        // Beyond 32 bits the value wraps modulo 2^32 rather than saturating.
        Reading{"2147483648", INT32_MIN}, Reading{"4294967295", -1}, Reading{"4294967296", 0},
        Reading{"4294967298", 2}, Reading{"-4294967295", 1},
        Reading{"99999999999999999999", 1661992959},
        Reading{"18446744073709551617", 1}));

}  // namespace
