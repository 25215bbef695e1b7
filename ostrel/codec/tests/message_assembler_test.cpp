#include <gtest/gtest.h>

#include "ostrel/codec/message_assembler.h"

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

const std::string neverQuiet = "the receiver did not go quiet: the message ";

// An NEC frame (leader, no bits) and, gap us after it, a repeat frame.
Steps frameAndRepeat(uint32_t gap) {
    return {P(9000), S(4500), P(560), S(gap), P(9000), S(2250), P(560)};
}

// frames of alternating(values, us) each, gap us apart.
Steps framesOf(size_t frames, size_t values, uint32_t us, uint32_t gap) {
    Steps steps;
    for (size_t i = 0; i < frames; ++i) {
        steps = steps + (i == 0 ? Steps{} : Steps{S(gap)}) + alternating(values, us);
    }
    return steps;
}

std::vector<uint32_t> durationsOf(const Steps& steps) {
    std::vector<uint32_t> durations;
    for (const std::optional<uint32_t>& step : steps) {
        durations.push_back(*step & mode2::valueMask);
    }
    return durations;
}

INSTANTIATE_TEST_SUITE_P(MessageAssembler, AssemblesStream, ::testing::Values(
    Stream{"Nothing", {}, State::waiting},
    Stream{"SkipsLeadingSpacesAndTimeouts", {S(0xFFFFFF), T(125000), S(1), P(900), S(900), P(1800), T(), quiet}, State::complete, {900, 900, 1800}},
    Stream{"Begins", {S(5), P(900), S(900)}, State::inMessage, {900}},
    Stream{"TimeoutAloneEndsNothing", {P(100), S(200), P(300), S(400), T(125000)}, State::inMessage, {100, 200, 300}},
    Stream{"EndsWhenQuietWithItsLastPulse", {P(100), S(200), P(300), S(400), T(125000), quiet}, State::complete, {100, 200, 300}},
    Stream{"EndsAtSpaceOver150ms", {P(100), S(150001), P(5), overflow}, State::complete, {100}},
    Stream{"SpaceOf150msIsInside", {P(100), S(150000), P(200), quiet}, State::complete, {100, 150000, 200}},
    Stream{"EndsAtLongSpaceInParts", {P(100), S(100000), S(50001)}, State::complete, {100}},
    // The kernel's form of a gap past the receiver's timeout: the timeout
    // sample, then the rest of the gap as a space before the next pulse.
    Stream{"GapAfterTimeoutIsTimeoutAndSpace", {P(100), T(125000), S(24000), P(200), quiet}, State::complete, {100, 149000, 200}},
    Stream{"GapAfterTimeoutOver150msEnds", {P(100), T(125000), S(25001), P(200)}, State::complete, {100}},
    Stream{"FrameWithRepeat", frameAndRepeat(40000) + Steps{T(125000), quiet}, State::complete, durationsOf(frameAndRepeat(40000))},
    // A receiver with a 1 ms timeout (fintek-cir) goes idle at every longer space:
    // the timeout and the space before the next pulse make up the space.
    Stream{"ShortTimeoutIsASpace", {P(9000), T(4500), S(2), P(560), T(1690), S(1), P(560), quiet}, State::complete, {9000, 4502, 560, 1691, 560}},
    Stream{"ShortTimeoutThenLongGapEnds", {P(560), T(1000), S(149001), P(1)}, State::complete, {560}},
    Stream{"EndsWhenQuiet", {P(100), S(200), P(300), S(50), quiet}, State::complete, {100, 200, 300}},
    Stream{"QuietBeforeItBegins", {S(100), quiet, P(1), T(), quiet}, State::complete, {1}},
    Stream{"Merges", {P(100), P(50), S(20), S(30), P(7), quiet}, State::complete, {150, 50, 7}},
    Stream{"ZeroPulseBeginsNothing", {P(0), T(), quiet}, State::waiting},
    Stream{"ZeroValuesAddNothing", {P(0), S(0), P(100), P(0), S(0), P(5), S(0), quiet}, State::complete, {105}},
    Stream{"Carrier", {P(1), F(38000), T(), quiet}, State::complete, {1}, 38000},
    // rc-loopback reports, after the carrier, the receive timeout as a carrier.
    Stream{"FirstCarrierOfTheMessageCounts", {P(1), F(38000), F(125000), F(0), quiet}, State::complete, {1}, 38000},
    Stream{"CarrierBeforeTheMessageCounts", {F(36000), P(1), F(38000), quiet}, State::complete, {1}, 36000},
    Stream{"LastCarrierWhileWaiting", {F(40000), S(100), F(36000), P(1), quiet}, State::complete, {1}, 36000},
    Stream{"CarrierOfAnEarlierMessage", {F(40000), T(1), P(1), quiet}, State::complete, {1}},
    Stream{"Overflow", {P(1), S(1), overflow}, State::failed, {}, std::nullopt, "the receiver lost samples (overflow)"},
    Stream{"OverflowBeforeTheMessage", {S(1), overflow, P(1)}, State::failed, {}, std::nullopt, "the receiver lost samples (overflow)"},
    Stream{"UnknownType", {P(1), 0x05000001u, T()}, State::failed, {}, std::nullopt, "the receiver sent a sample of unknown type 0x05"},
    Stream{"UnknownTypeFF", {0xFF000000u}, State::failed, {}, std::nullopt, "the receiver sent a sample of unknown type 0xFF"},
    // 16 frames of 1023 values, 19 ms apart: 16383 values, 8.3 s.
    Stream{"LongestAllowed", framesOf(16, 1023, 488, 19000) + Steps{quiet}, State::complete, durationsOf(framesOf(16, 1023, 488, 19000))},
    Stream{"TooManyValues", framesOf(17, 1023, 1, 19000), State::failed, {}, std::nullopt, neverQuiet + "has more than 16384 values"},
    Stream{"UpTo10s", framesOf(40, 1, 100000, 150000) + Steps{S(50000), P(100000), quiet}, State::complete, durationsOf(framesOf(40, 1, 100000, 150000) + Steps{S(50000), P(100000)})},
    Stream{"HeldKeyLongerThan10s", framesOf(40, 1, 100000, 150000) + Steps{S(50000), P(100001)}, State::failed, {}, std::nullopt, neverQuiet + "is longer than 10 s"},
    // Frames longer than one write are kept whole: playing cuts them.
    Stream{"FrameOfMoreValuesThanAWriteKept", alternating(1025, 1) + Steps{quiet}, State::complete, durationsOf(alternating(1025, 1))},
    Stream{"FrameLongerThanAWriteKept", {P(250000), S(18999), P(231002), quiet}, State::complete, {250000, 18999, 231002}},
    // A fan's frame: 30 codes 8 ms apart, 1.28 s without a space of 19 ms.
    Stream{"FrameOfRepeats8msApartKept", framesOf(30, 35, 1000, 8000) + Steps{quiet}, State::complete, durationsOf(framesOf(30, 35, 1000, 8000))},
    Stream{"PulseUpTo500000us", Steps(500, P(1000)) + Steps{quiet}, State::complete, {500000}},
    Stream{"EndlessPulse", Steps(501, P(1000)), State::failed, {}, std::nullopt, neverQuiet + "has a pulse longer than 500000 us, more than a LIRC device sends in one write"},
    Stream{"EndlessSignal", alternating(100000, 10000), State::failed, {}, std::nullopt, neverQuiet + "is longer than 10 s"}),
    [](const auto& test) { return test.param.name; });

// The caller's clock says the receiver has gone on for too long.
TEST(MessageAssembler, TooLongByTheClockFailsABegunMessageOnly) {
    MessageAssembler waiting;
    EXPECT_EQ(waiting.tooLong(), State::waiting);
    MessageAssembler begun;
    begun.feed(P(900));
    EXPECT_EQ(begun.tooLong(), State::failed);
    EXPECT_EQ(begun.failure(), neverQuiet + "is longer than 10 s");
    EXPECT_EQ(begun.message(), Signal{});
}

}  // namespace
}  // namespace ostrel
