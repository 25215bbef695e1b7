// Inputs the fuzzers in fuzz/ found faults with, or edges they reach that the
// other tests do not, kept so that the faults stay fixed: each recording must
// complete to its message, and the file written of that message must read
// back to it.
#include <gtest/gtest.h>

#include "ostrel/codec/message_assembler.h"
#include "ostrel/codec/signal_file.h"

namespace ostrel {
namespace {

uint32_t P(uint32_t us) { return mode2::pulse | us; }
uint32_t F(uint32_t hz) { return mode2::frequency | hz; }
const uint32_t timeout = mode2::timeout | 125000;

// A fuzzer's input as the samples it stands for: little-endian u32s.
std::vector<uint32_t> samplesOf(std::initializer_list<uint8_t> bytes) {
    std::vector<uint8_t> b(bytes);
    std::vector<uint32_t> samples;
    for (size_t at = 0; at + 4 <= b.size(); at += 4) {
        samples.push_back(uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 |
                          uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24);
    }
    return samples;
}

struct Recording {
    const char* name;
    std::vector<uint32_t> samples;  // then the receiver goes quiet
    Signal message;
};

class RecordedMessage : public ::testing::TestWithParam<Recording> {};

TEST_P(RecordedMessage, ReadsBackFromItsFile) {
    MessageAssembler assembler;
    for (uint32_t sample : GetParam().samples) {
        assembler.feed(sample);
    }
    ASSERT_EQ(assembler.quiet(), MessageAssembler::State::complete) << assembler.failure();
    EXPECT_EQ(assembler.message(), GetParam().message);
    SignalFileReading reading = parseSignalFile(formatSignalFile(assembler.message()), "rec.ir");
    ASSERT_TRUE(reading.ok()) << reading.error;
    EXPECT_EQ(reading.signal, assembler.message());
}

INSTANTIATE_TEST_SUITE_P(FuzzRegression, RecordedMessage, ::testing::Values(
    // fuzz_message_assembler: a frequency sample of 0xFFFFFF became a carrier
    // that no signal file may hold, so irplay refused what irrecord wrote.
    Recording{"FoundAllOnesCarrier", samplesOf({
        0x48, 0xe8, 0x2e, 0x00, 0x00, 0x00, 0x30, 0x02, 0xff, 0xff, 0xff, 0x02,
        0x30, 0x02, 0x00, 0x01, 0x04, 0x00, 0x00, 0x00, 0x30, 0x02, 0x00, 0x00,
        0x30, 0x02, 0x3d, 0x00, 0x01, 0x03}), {3145728, {560}}},
    Recording{"AllOnesCarrierIsNone", {P(100), F(0xFFFFFF), timeout}, {std::nullopt, {100}}},
    Recording{"AllOnesCarrierLeavesTheLastOne", {F(38000), P(100), F(0xFFFFFF), timeout}, {38000, {100}}},
    Recording{"LargestCarrier", {P(1), F(0xFFFFFE), timeout}, {16777214, {1}}}),
    [](const auto& test) { return test.param.name; });

}  // namespace
}  // namespace ostrel
