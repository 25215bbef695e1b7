#include <gtest/gtest.h>

#include "ostrel/codec/text_scanning.h"

namespace ostrel::text {
namespace {

struct Shown {
    const char* name;
    std::string text;
    std::string printable;
};

class PrintableText : public ::testing::TestWithParam<Shown> {};

TEST_P(PrintableText, KeepsTextAndEscapesTheRest) {
    EXPECT_EQ(printable(GetParam().text), GetParam().printable);
}

INSTANTIATE_TEST_SUITE_P(Diagnostics, PrintableText, ::testing::Values(
    Shown{"Ascii", "key.ir:3: pulse 'x' ~", "key.ir:3: pulse 'x' ~"},
    Shown{"Utf8", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xA1 \xC2\xA0", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xA1 \xC2\xA0"},
    Shown{"LineEndsAndTab", "a\nb\r\tc", "a\\x0Ab\\x0D\\x09c"},
    Shown{"NulEscDel", std::string("\0\x1B[2J\x7F", 6), "\\x00\\x1B[2J\\x7F"},
    Shown{"C1Control", "\xC2\x9B" "31m", "\\xC2\\x9B31m"},
    Shown{"Backslash", "a\\x41", "a\\x5Cx41"},
    Shown{"Latin1", "\xFF\xB5s", "\\xFF\\xB5s"},
    Shown{"Overlong", "\xC0\xAF \xE0\x80\xAF \xF0\x80\x80\xAF", "\\xC0\\xAF \\xE0\\x80\\xAF \\xF0\\x80\\x80\\xAF"},
    Shown{"Surrogate", "\xED\xA0\x80", "\\xED\\xA0\\x80"},
    Shown{"BeyondUnicode", "\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
    Shown{"CutShort", "a\xE2\x82", "a\\xE2\\x82"},
    Shown{"LeadThenAscii", "\xE2" "ab", "\\xE2ab"}),
    [](const auto& test) { return test.param.name; });

}  // namespace
}  // namespace ostrel::text
