#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "ostrel/codec/signal_file.h"

namespace ostrel {
namespace {

Signal randomSignal(std::mt19937& random) {
    std::uniform_int_distribution<size_t> pairs(0, 600);
    std::uniform_int_distribution<uint32_t> value(1, longestDuration);
    std::uniform_int_distribution<int> pick(0, 3);
    auto duration = [&] {
        int kind = pick(random);  // the bounds as often as the rest
        return kind == 0 ? 1u : kind == 1 ? longestDuration : value(random);
    };
    Signal signal;
    signal.durations.resize(2 * pairs(random) + 1);
    for (uint32_t& d : signal.durations) {
        d = duration();
    }
    if (pick(random) != 0) {
        signal.carrier = duration();
    }
    return signal;
}

TEST(SignalFile, WritesTheKeywordForm) {
    EXPECT_EQ(formatSignalFile({38000, {9000, 4500, 560}}),
              "carrier 38000\npulse 9000\nspace 4500\npulse 560\n");
    EXPECT_EQ(formatSignalFile({std::nullopt, {16777214}}), "pulse 16777214\n");
}

TEST(SignalFile, ReadsBackWhatItWrites) {
    std::mt19937 random(20240601);
    for (int i = 0; i < 300; ++i) {
        Signal signal = randomSignal(random);
        SignalFileReading reading = parseSignalFile(formatSignalFile(signal), "f");
        ASSERT_TRUE(reading.ok()) << reading.error;
        ASSERT_EQ(reading.signal, signal);
    }
}

// Files made of the pieces of signal files, in any order: the reader either
// fails with a line of the file, or reads a signal a LIRC device could send
// and that reads back the same from what the writer makes of it.
TEST(SignalFile, ReadsOnlyWellFormedSignalsFromJumbledPieces) {
    const std::vector<std::string> pieces = {
        "pulse", "space", "timeout", "carrier", "scancode", " ", "\t", "\n", "\r\n", "\r",
        "+", "-", ",", "#", "//", "0", "1", "9", "16777214", "16777215", "4294967296",
        "\xEF\xBB\xBF", std::string(1, '\0'), "x", "\xB5", "0000", "0100", "006D", "5000", "900A",
        "Filetype: IR signals file\nVersion: 1\nname: a\ntype: raw\n", "frequency: 38000\n",
        "duty_cycle: 0.5\n", "data: 1 2 3\n"};
    std::mt19937 random(7);
    std::uniform_int_distribution<size_t> piece(0, pieces.size() - 1), length(0, 40);
    for (int i = 0; i < 5000; ++i) {
        std::string text;
        for (size_t n = length(random); n > 0; --n) {
            text += pieces[piece(random)];
        }
        SignalFileReading reading = parseSignalFile(text, "f");
        if (!reading.ok()) {
            ASSERT_FALSE(reading.reason.empty());
            ASSERT_LE(reading.line, static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
            continue;
        }
        ASSERT_TRUE(isWellFormed(reading.signal)) << text;
        Signal keywords = reading.signal;  // what the keyword form holds of it
        keywords.dutyCycle.reset();
        if (keywords.carrier == unmodulated) {
            keywords.carrier.reset();
        }
        ASSERT_EQ(parseSignalFile(formatSignalFile(keywords), "f").signal, keywords);
    }
}

struct Limit {
    const char* name;
    size_t count;
    uint32_t each;
    std::string violation;
};

class KernelLimits : public ::testing::TestWithParam<Limit> {};

TEST_P(KernelLimits, SayWhichIsExceeded) {
    Signal signal{std::nullopt, std::vector<uint32_t>(GetParam().count, GetParam().each)};
    EXPECT_EQ(kernelLimitViolation(signal), GetParam().violation);
}

const std::string tooMany = " values, more than the 1024 a LIRC device accepts in one transmission";
const std::string tooLong = " us in all, more than the 500000 a LIRC device sends in one transmission";

INSTANTIATE_TEST_SUITE_P(Signal, KernelLimits, ::testing::Values(
    Limit{"One", 1, 1, ""}, Limit{"MostValues", 1023, 488, ""},
    Limit{"TooManyValues", 1025, 1, "1025" + tooMany},
    Limit{"CountNamedFirst", 1031, 16777214, "1031" + tooMany},
    Limit{"Longest", 5, 100000, ""}, Limit{"OneTooLong", 1, 500001, "500001" + tooLong},
    Limit{"TooLong", 3, 204000, "612000" + tooLong},
    Limit{"SumBeyond24Bits", 3, 16777214, "50331642" + tooLong}),
    [](const auto& test) { return test.param.name; });

}  // namespace
}  // namespace ostrel
