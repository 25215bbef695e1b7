#include <gtest/gtest.h>

#include "message_assembler.h"

namespace ostrel {
namespace {

using State = MessageAssembler::State;
using Steps = std::vector<std::optional<uint32_t>>;  // nothing: the receiver is quiet

uint32_t P(uint32_t us) { return mode2::pulse | us; }
uint32_t S(uint32_t us) { return mode2::space | us; }
uint32_t T(uint32_t us = 20000) { return mode2::timeout | us; }
uint32_t F(uint32_t hz) { return mode2::frequency | hz; }
const uint32_t overflow = mode2::overflow;
const std::optional<uint32_t> quiet;

// n alternating pulses and spaces of us each, ending in a pulse when n is odd.
Steps alternating(size_t n, uint32_t us) {
    Steps steps;
    for (size_t i = 0; i < n; ++i) {
        steps.push_back(i % 2 == 0 ? P(us) : S(us));
    }
    return steps;
}

Steps operator+(Steps a, const Steps& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Stream {
    const char* name;
    Steps steps;
    State state;
    std::vector<uint32_t> durations = {};
    std::optional<uint32_t> carrier = std::nullopt;
    std::string failure = "";
};

class AssemblesStream : public ::testing::TestWithParam<Stream> {};

TEST_P(AssemblesStream, IntoOneMessage) {
    MessageAssembler assembler;
    State state = assembler.state();
    for (const std::optional<uint32_t>& step : GetParam().steps) {
        state = step ? assembler.feed(*step) : assembler.quiet();
    }
    EXPECT_EQ(state, GetParam().state);
    EXPECT_EQ(assembler.state(), GetParam().state);
    EXPECT_EQ(assembler.message().durations, GetParam().durations);
    EXPECT_EQ(assembler.message().carrier, GetParam().carrier);
    EXPECT_EQ(assembler.failure(), GetParam().failure);
}

const std::string longer = "the message is longer than a LIRC device can send: more than ";

INSTANTIATE_TEST_SUITE_P(MessageAssembler, AssemblesStream, ::testing::Values(
    Stream{"Nothing", {}, State::waiting},
    Stream{"SkipsLeadingSpacesAndTimeouts", {S(0xFFFFFF), T(125000), S(1), P(900), S(900), P(1800), T()}, State::complete, {900, 900, 1800}},
    Stream{"Begins", {S(5), P(900), S(900)}, State::inMessage, {900}},
    Stream{"EndsAtTimeoutWithItsLastPulse", {P(100), S(200), P(300), S(400), T(125000)}, State::complete, {100, 200, 300}},
    // A receiver with a 1 ms timeout (fintek-cir) goes idle at every longer space:
    // the timeout and the space before the next pulse make up the space.
    Stream{"ShortTimeoutIsASpace", {P(9000), T(4500), S(2), P(560), T(1690), S(1), P(560), quiet}, State::complete, {9000, 4502, 560, 1691, 560}},
    Stream{"ShortTimeoutThenLongGapEnds", {P(560), T(1000), S(50000), P(1)}, State::complete, {560}},
    Stream{"EndsAtLongSpace", {P(100), S(19001), P(5), overflow}, State::complete, {100}},
    Stream{"SpaceOf19000IsInside", {P(100), S(19000), P(200), T()}, State::complete, {100, 19000, 200}},
    Stream{"EndsAtLongSpaceInParts", {P(100), S(10000), S(9001)}, State::complete, {100}},
    Stream{"EndsWhenQuiet", {P(100), S(200), P(300), S(50), quiet}, State::complete, {100, 200, 300}},
    Stream{"QuietBeforeItBegins", {S(100), quiet, P(1), T()}, State::complete, {1}},
    Stream{"Merges", {P(100), P(50), S(20), S(30), P(7), T()}, State::complete, {150, 50, 7}},
    Stream{"ZeroPulseBeginsNothing", {P(0), T(), quiet}, State::waiting},
    Stream{"ZeroValuesAddNothing", {P(0), S(0), P(100), P(0), S(0), P(5), S(0), T()}, State::complete, {105}},
    Stream{"Carrier", {P(1), F(38000), T()}, State::complete, {1}, 38000},
    Stream{"LastCarrierCounts", {F(36000), P(1), F(38000), F(0), T()}, State::complete, {1}, 38000},
    Stream{"CarrierBeforeTheMessage", {F(40000), S(100), P(1), T()}, State::complete, {1}, 40000},
    Stream{"CarrierOfAnEarlierMessage", {F(40000), T(1), P(1), T()}, State::complete, {1}},
    Stream{"Overflow", {P(1), S(1), overflow}, State::failed, {}, std::nullopt, "the receiver lost samples (overflow)"},
    Stream{"OverflowBeforeTheMessage", {S(1), overflow, P(1)}, State::failed, {}, std::nullopt, "the receiver lost samples (overflow)"},
    Stream{"UnknownType", {P(1), 0x05000001u, T()}, State::failed, {}, std::nullopt, "the receiver sent a sample of unknown type 0x05"},
    Stream{"UnknownTypeFF", {0xFF000000u}, State::failed, {}, std::nullopt, "the receiver sent a sample of unknown type 0xFF"},
    Stream{"LongestAllowed", alternating(1023, 488) + Steps{T()}, State::complete, std::vector<uint32_t>(1023, 488)},
    Stream{"TooManyValues", alternating(1025, 1), State::failed, {}, std::nullopt, longer + "1024 values"},
    Stream{"UpTo500000us", {P(250000), S(1), P(249999), T()}, State::complete, {250000, 1, 249999}},
    Stream{"EndlessPulse", Steps(501, P(1000)), State::failed, {}, std::nullopt, longer + "500000 us"},
    Stream{"EndlessSignal", alternating(100000, 10000), State::failed, {}, std::nullopt, longer + "500000 us"}),
    [](const auto& test) { return test.param.name; });

}  // namespace
}  // namespace ostrel
