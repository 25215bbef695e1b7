#include <gtest/gtest.h>

#include "ostrel/codec/transmission_plan.h"

namespace ostrel {
namespace {

// n alternating pulses and spaces of us each, ending in a pulse when n is odd.
std::vector<uint32_t> alternating(size_t n, uint32_t us) {
    std::vector<uint32_t> durations;
    for (size_t i = 0; i < n; ++i) {
        durations.push_back(us);
    }
    return durations;
}

// The frames, joined by the gaps between them (one fewer than the frames).
std::vector<uint32_t> joined(const std::vector<std::vector<uint32_t>>& frames,
                             const std::vector<uint32_t>& gaps) {
    std::vector<uint32_t> durations;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (i > 0) {
            durations.push_back(gaps[i - 1]);
        }
        durations.insert(durations.end(), frames[i].begin(), frames[i].end());
    }
    return durations;
}

const std::vector<uint32_t> nec = {9000, 4500, 560, 560, 560, 1690, 560};  // 17430 us
const std::vector<uint32_t> repeat = {9000, 2250, 560};                     // 11810 us

struct Plan {
    const char* name;
    std::vector<uint32_t> durations;
    std::vector<PlannedWrite> writes;
    std::string refusal = "";
};

void PrintTo(const Plan& plan, std::ostream* out) { *out << plan.name; }

class PlansTransmission : public ::testing::TestWithParam<Plan> {};

TEST_P(PlansTransmission, IntoWritesTheKernelTakes) {
    TransmissionPlan plan = planTransmission(Signal{std::nullopt, GetParam().durations});
    EXPECT_EQ(plan.refusal, GetParam().refusal);
    EXPECT_EQ(plan.writes, GetParam().writes);
}

INSTANTIATE_TEST_SUITE_P(TransmissionPlan, PlansTransmission, ::testing::Values(
    Plan{"OneWrite", nec, {{0, 7, 17430, 0}}},
    Plan{"FramesThatFitGoInOneWrite", joined({nec, repeat, repeat}, {40000, 96000}),
         {{0, 15, 17430 + 40000 + 11810 + 96000 + 11810, 0}}},
    Plan{"MostValuesInOneWrite", alternating(1023, 10), {{0, 1023, 10230, 0}}},
    // 1023 values end the first write; the gap and the next frame would be 1027.
    Plan{"CutAtTheValueLimit", joined({alternating(1023, 10), alternating(3, 10)}, {19000}),
         {{0, 1023, 10230, 19000}, {1024, 3, 30, 0}}},
    // 18999 us is inside a frame: the frame of 1025 values is cut at its longest space.
    Plan{"FrameOfTooManyValuesCutAtItsLongestSpace", joined({alternating(1023, 10), {10}}, {18999}),
         {{0, 1023, 10230, 18999}, {1024, 1, 10, 0}}},
    Plan{"CutAtTheDurationLimit", joined({{200000}, {200000}, {200000}}, {50000, 60000}),
         {{0, 3, 450000, 60000}, {4, 1, 200000, 0}}},
    Plan{"GapLongerThanAWrite", joined({nec, nec}, {600000}), {{0, 7, 17430, 600000}, {8, 7, 17430, 0}}},
    // A fan's frame: 30 codes 8 ms apart (874900 us). 19 codes and their 18
    // spaces are 475170 us; a 20th would make 500600.
    Plan{"FrameOfRepeatsCutBetweenThem", joined(std::vector(30, nec), std::vector<uint32_t>(29, 8000)),
         {{0, 151, 475170, 8000}, {152, 87, 11 * 17430 + 10 * 8000, 0}}},
    // Cut at 9 ms, the longest space, though the 8 ms space after it would
    // also leave parts that fit.
    Plan{"CutAtTheLongestSpaceNotTheFirstThatFits", joined({{200000}, {200000}, {200000}}, {9000, 8000}),
         {{0, 1, 200000, 9000}, {2, 3, 408000, 0}}},
    // Cut at 9 ms alone, the last 616000 us would not fit: cut at 8 ms too,
    // then packed.
    Plan{"CutAtShorterSpacesWhereTheLongestAreNotEnough",
         joined({{200000}, {200000}, {200000}, {200000}}, {9000, 8000, 8000}),
         {{0, 3, 409000, 8000}, {4, 3, 408000, 0}}},
    // Equal spaces: cut wherever a write is full.
    Plan{"FrameOfEqualSpacesCutWhereAWriteIsFull", joined({nec, alternating(1025, 10)}, {40000}),
         {{0, 1023, 17430 + 40000 + 1015 * 10, 10}, {1024, 9, 90, 0}}},
    Plan{"FrameLongerThanAWriteCut", joined({nec, nec, {250000, 1000, 250001}}, {40000, 40000}),
         {{0, 17, 2 * 17430 + 2 * 40000 + 250000, 1000}, {18, 1, 250001, 0}}},
    Plan{"PulseUpTo500000us", joined({nec, {500000}}, {40000}), {{0, 7, 17430, 40000}, {8, 1, 500000, 0}}},
    Plan{"PulseLongerThanAWrite", joined({nec, {500001}}, {40000}), {},
         "pulse 5 (value 9) lasts 500001 us, more than the 500000 a LIRC device sends in one write"},
    Plan{"UpTo60s", joined(std::vector<std::vector<uint32_t>>(5, {1}), std::vector<uint32_t>(4, 14999998)),
         {{0, 1, 1, 14999998}, {2, 1, 1, 14999998}, {4, 1, 1, 14999998}, {6, 1, 1, 14999998}, {8, 1, 1, 0}}},
    Plan{"LongerThan60s", joined(std::vector<std::vector<uint32_t>>(5, {2}), std::vector<uint32_t>(4, 14999998)), {},
         "60000002 us in all, more than the 60000000 us (60 s) played at most"}),
    [](const auto& test) { return test.param.name; });

// A planned write cut back into its frames, for a driver that refuses them together.
struct Frames {
    const char* name;
    std::vector<uint32_t> durations;
    PlannedWrite write;
    std::vector<PlannedWrite> frames;
};

void PrintTo(const Frames& frames, std::ostream* out) { *out << frames.name; }

class CutsAWrite : public ::testing::TestWithParam<Frames> {};

TEST_P(CutsAWrite, IntoItsFrames) {
    EXPECT_EQ(framesOf(GetParam().durations, GetParam().write), GetParam().frames);
}

INSTANTIATE_TEST_SUITE_P(TransmissionPlan, CutsAWrite, ::testing::Values(
    Frames{"OneFrameStaysWhole", nec, {0, 7, 17430, 0}, {{0, 7, 17430, 0}}},
    Frames{"TwoFramesAndTheirGap", joined({nec, nec}, {40000}), {0, 15, 2 * 17430 + 40000, 0},
           {{0, 7, 17430, 40000}, {8, 7, 17430, 0}}},
    // The spaces inside a frame stay in it; the write's own gap follows its last frame.
    Frames{"SpacesUnder19msStay", joined({nec, repeat, repeat}, {18999, 19000}),
           {0, 15, 17430 + 18999 + 11810 + 19000 + 11810, 96000},
           {{0, 11, 17430 + 18999 + 11810, 19000}, {12, 3, 11810, 96000}}},
    // A later write of the plan: its first value is a pulse wherever it starts.
    Frames{"WriteNotAtTheStart", joined({nec, repeat, repeat}, {40000, 96000}), {8, 7, 11810 + 96000 + 11810, 0},
           {{8, 3, 11810, 96000}, {12, 3, 11810, 0}}},
    Frames{"ALonePulse", {560}, {0, 1, 560, 0}, {{0, 1, 560, 0}}}),
    [](const auto& test) { return test.param.name; });

}  // namespace
}  // namespace ostrel
