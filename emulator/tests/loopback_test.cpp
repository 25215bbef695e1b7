// What rc-loopback hears of what it sends, with LIRC_EMULATOR_LOOPBACK: the samples
// every open file of the process reads back, held against what Linux 6.1 gives (the
// kernel suite compares the two on the kernel itself).
#include <linux/lirc.h>
#include <unistd.h>

#include "emulator/tests/emulated_device.h"

namespace {

constexpr uint32_t P(uint32_t value) { return LIRC_MODE2_PULSE | value; }
constexpr uint32_t S(uint32_t value) { return LIRC_MODE2_SPACE | value; }
constexpr uint32_t T(uint32_t value) { return LIRC_MODE2_TIMEOUT | value; }
constexpr uint32_t F(uint32_t value) { return LIRC_MODE2_FREQUENCY | value; }
constexpr uint32_t overflow = LIRC_MODE2_OVERFLOW | LIRC_VALUE_MASK;

struct LoopbackCase {
    const char* name;
    const char* quirks;
    std::vector<std::pair<unsigned long, uint32_t>> setup;
    std::vector<uint32_t> sent;
    std::vector<uint32_t> heard;  // at most 64 samples are compared
    size_t heardCount = 0;        // 0: heard.size()
};

class Loopback : public EmulatedDevice, public ::testing::WithParamInterface<LoopbackCase> {};

TEST_P(Loopback, HearsWhatRcLoopbackHears) {
    const LoopbackCase& test = GetParam();
    configure("LOOPBACK", "1");
    configure("QUIRKS", test.quirks);
    configure("NO_DELAY", "1");
    int fd = openDevice(O_RDWR | O_NONBLOCK);
    int listener = openDevice(O_RDONLY | O_NONBLOCK);
    for (auto [request, value] : test.setup) {
        ASSERT_EQ(ioctlValue(fd, request, value).result, 0);
    }
    ASSERT_EQ(write(fd, test.sent.data(), test.sent.size() * 4), static_cast<ssize_t>(test.sent.size() * 4));
    for (int reader : {fd, listener}) {
        std::vector<uint32_t> heard;
        uint32_t buffer[64];
        for (ssize_t got; (got = read(reader, buffer, sizeof buffer)) > 0;) {
            heard.insert(heard.end(), buffer, buffer + got / 4);
        }
        EXPECT_EQ(heard.size(), test.heardCount != 0 ? test.heardCount : test.heard.size());
        heard.resize(std::min(heard.size(), test.heard.size()));
        EXPECT_EQ(heard, test.heard);
    }
    close(listener);
    close(fd);
}

std::vector<uint32_t> tens(size_t count) {
    std::vector<uint32_t> values(count, 10);
    return values;
}

std::vector<uint32_t> tenSamples(size_t count) {
    std::vector<uint32_t> samples;
    for (size_t i = 0; i < count; ++i) {
        samples.push_back(i % 2 == 0 ? P(10) : S(10));
    }
    return samples;
}

INSTANTIATE_TEST_SUITE_P(
    Emulator, Loopback,
    ::testing::Values(
        LoopbackCase{"NormalReceiver", "", {}, {500, 600, 700}, {P(500), S(600), P(700), T(125000)}},
        LoopbackCase{"SecondEmitterFeedsOnlyTheWideband", "", {{LIRC_SET_TRANSMITTER_MASK, 2}}, {500}, {}},
        LoopbackCase{"WidebandReceiver", "",
                     {{LIRC_SET_TRANSMITTER_MASK, 2}, {LIRC_SET_WIDEBAND_RECEIVER, 1}}, {500},
                     {P(500), T(125000)}},
        LoopbackCase{"NoEmitter", "", {{LIRC_SET_TRANSMITTER_MASK, 0}}, {500}, {}},
        LoopbackCase{"CarrierZeroIsBelowTheRange", "", {{LIRC_SET_SEND_CARRIER, 0}}, {500}, {}},
        LoopbackCase{"CarrierOutsideTheReceiveRange", "",
                     {{LIRC_SET_REC_CARRIER_RANGE, 39000}, {LIRC_SET_REC_CARRIER, 41000},
                      {LIRC_SET_SEND_CARRIER, 38000}},
                     {500}, {}},
        LoopbackCase{"ReceiveTimeoutEndsIt", "", {{LIRC_SET_REC_TIMEOUT, 20000}}, {500}, {P(500), T(20000)}},
        // The carrier report comes after the last space; the last pulse is held back
        // until the silence that ends the message.
        LoopbackCase{"CarrierReport", "", {{LIRC_SET_MEASURE_CARRIER_MODE, 1}, {LIRC_SET_SEND_CARRIER, 38000}},
                     {500, 600, 700}, {P(500), S(600), F(38000), P(700), T(125000)}},
        LoopbackCase{"CarrierReportEndAsCarrier", "end-as-carrier",
                     {{LIRC_SET_MEASURE_CARRIER_MODE, 1}, {LIRC_SET_SEND_CARRIER, 38000}}, {500, 600, 700},
                     {P(500), S(600), F(38000), P(700), F(125000)}},
        // A pulse over 50 ms is an overflow, after which the receiver is idle: the
        // silence is dropped and the held-back space waits for the next pulse.
        LoopbackCase{"LongPulseOverflows", "", {}, {900, 450, 60000}, {P(900), overflow}},
        LoopbackCase{"LongSpaceIsNoOverflow", "", {}, {900, 60000, 900}, {P(900), S(60000), P(900), T(125000)}},
        // The open file's queue holds 512 samples; the rest, the timeout included, is lost.
        LoopbackCase{"LongestSignal", "", {}, tens(1023), tenSamples(64), 512}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
