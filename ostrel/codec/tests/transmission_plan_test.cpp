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
    // 18999 us is inside a frame, so the 1025 values are one frame.
    Plan{"SpaceUnder19msIsInsideAFrame", joined({alternating(1023, 10), {10}}, {18999}), {},
         "frame 1 (values 1 to 1025) has 1025 values, more than the 1024 a LIRC device accepts in one write"},
    // Three 200 ms frames: two fit one write with the 50 ms gap (450 ms), the third does not.
    Plan{"CutAtTheDurationLimit", joined({{200000}, {200000}, {200000}}, {50000, 60000}),
         {{0, 3, 450000, 60000}, {4, 1, 200000, 0}}},
    Plan{"GapLongerThanAWrite", joined({nec, nec}, {600000}), {{0, 7, 17430, 600000}, {8, 7, 17430, 0}}},
    Plan{"FrameOfTooManyValues", joined({nec, alternating(1025, 10)}, {40000}), {},
         "frame 2 (values 9 to 1033) has 1025 values, more than the 1024 a LIRC device accepts in one write"},
    Plan{"FrameTooLong", joined({nec, nec, {250000, 1000, 250001}}, {40000, 40000}), {},
         "frame 3 (values 17 to 19) lasts 501001 us, more than the 500000 a LIRC device sends in one write"},
    Plan{"UpTo60s", joined(std::vector<std::vector<uint32_t>>(5, {1}), std::vector<uint32_t>(4, 14999998)),
         {{0, 1, 1, 14999998}, {2, 1, 1, 14999998}, {4, 1, 1, 14999998}, {6, 1, 1, 14999998}, {8, 1, 1, 0}}},
    Plan{"LongerThan60s", joined(std::vector<std::vector<uint32_t>>(5, {2}), std::vector<uint32_t>(4, 14999998)), {},
         "60000002 us in all, more than the 60000000 us (60 s) played at most"}),
    [](const auto& test) { return test.param.name; });

}  // namespace
}  // namespace ostrel
