// write(2) on the emulated device: the kernel's validation, the transmission log, the
// settings a transmission goes out with, the wait for the signal and driver errors.
#include <cerrno>
#include <numeric>
#include <vector>

#include <linux/lirc.h>
#include <unistd.h>

#include "emulator/tests/emulated_device.h"

namespace {

std::vector<uint32_t> repeated(size_t count, uint32_t value) {
    return std::vector<uint32_t>(count, value);
}

// `count` durations of `distinct` lengths, 100, 101, ... us and round again.
std::vector<uint32_t> cycling(uint32_t distinct, size_t count) {
    std::vector<uint32_t> durations;
    for (size_t i = 0; i < count; ++i) {
        durations.push_back(100 + static_cast<uint32_t>(i % distinct));
    }
    return durations;
}

ssize_t send(int fd, const std::vector<uint32_t>& values) {
    return write(fd, values.data(), values.size() * sizeof(uint32_t));
}

struct ValidationCase {
    const char* name;
    std::vector<uint32_t> values;
    size_t byteCount;  // 0: all of `values`
    bool accepted;
    const char* profile = "";  // the driver's, whose tx_ir may refuse more; "": rc-loopback
};

class WriteValidation : public EmulatedDevice, public ::testing::WithParamInterface<ValidationCase> {};

TEST_P(WriteValidation, AcceptsOnlyWhatTheKernelAccepts) {
    const ValidationCase& test = GetParam();
    configure("PROFILE", test.profile);
    configure("NO_DELAY", "1");
    int fd = openDevice();
    size_t bytes = test.byteCount != 0 ? test.byteCount : test.values.size() * sizeof(uint32_t);
    errno = 0;
    ssize_t result = write(fd, test.values.data(), bytes);
    if (test.accepted) {
        EXPECT_EQ(result, static_cast<ssize_t>(bytes)) << strerror(errno);
        EXPECT_EQ(logLines().size(), 1U);
    } else {
        EXPECT_EQ(result, -1);
        EXPECT_EQ(errno, EINVAL);
        EXPECT_TRUE(logLines().empty());
    }
    close(fd);
}

INSTANTIATE_TEST_SUITE_P(
    Emulator, WriteValidation,
    ::testing::Values(ValidationCase{"OnePulse", {560}, 0, true},
                      ValidationCase{"ThreeValues", {900, 450, 900}, 0, true},
                      ValidationCase{"EvenCount", {900, 450}, 0, false},
                      ValidationCase{"Empty", {560}, 1, false},  // fewer bytes than one value
                      ValidationCase{"ByteCountNotWhole", {900, 450, 900}, 10, false},
                      ValidationCase{"ZeroValue", {900, 0, 900}, 0, false},
                      ValidationCase{"MaximumCount", repeated(1023, 100), 0, true},
                      ValidationCase{"CountBeyond1024", repeated(1025, 100), 0, false},
                      ValidationCase{"TotalExactly500ms", {250000, 1, 249999}, 0, true},
                      ValidationCase{"TotalBeyond500ms", {250000, 1, 250000}, 0, false},
                      ValidationCase{"OneValueBeyond500ms", {500001}, 0, false},
                      // What a driver's tx_ir refuses beyond that.
                      ValidationCase{"RedRat510Values", repeated(509, 100), 0, true, "redrat3"},
                      ValidationCase{"RedRat511Values", repeated(511, 100), 0, false, "redrat3"},
                      // Of at most 255 distinct lengths, however often each comes.
                      ValidationCase{"RedRat255Lengths", cycling(255, 509), 0, true, "redrat3"},
                      ValidationCase{"RedRat256Lengths", cycling(256, 257), 0, false, "redrat3"},
                      // At 38 kHz, 27 carrier periods of 700 us take a byte each; 150 fit.
                      ValidationCase{"Iguana150Bytes", repeated(149, 700), 0, true, "iguanair"},
                      ValidationCase{"Iguana151Bytes", repeated(151, 700), 0, false, "iguanair"},
                      // At 38 kHz, 107763 us are 4095 carrier periods, 107790 us 4096.
                      ValidationCase{"SpiFewerThan4096Periods", {107763}, 0, true, "spi-ir-led"},
                      ValidationCase{"Spi4096Periods", {107790}, 0, false, "spi-ir-led"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// Which settings a logged transmission went out with.
struct LogCase {
    const char* name;
    const char* emitters;
    std::vector<std::pair<unsigned long, uint32_t>> setup;
    const char* line;
};

class TransmissionLog : public EmulatedDevice, public ::testing::WithParamInterface<LogCase> {};

TEST_P(TransmissionLog, RecordsTheDeviceSettings) {
    configure("EMITTERS", GetParam().emitters);
    int fd = openDevice();
    for (auto [request, value] : GetParam().setup) {
        (void)ioctlValue(fd, request, value);
    }
    ASSERT_EQ(send(fd, {900, 450, 900}), 12);
    EXPECT_EQ(logLines(), std::vector<std::string>{GetParam().line});
    close(fd);
}

INSTANTIATE_TEST_SUITE_P(
    Emulator, TransmissionLog,
    ::testing::Values(
        // rc-loopback starts with its first emitter chosen, however many it has.
        LogCase{"Defaults", "", {}, "send carrier=36000 duty=50 mask=0x1 durations=900 450 900"},
        LogCase{"FourEmitters", "4", {}, "send carrier=36000 duty=50 mask=0x1 durations=900 450 900"},
        LogCase{"NoEmitterSelection", "0", {}, "send carrier=36000 duty=50 mask=none durations=900 450 900"},
        LogCase{"Changed",
                "",
                {{LIRC_SET_SEND_CARRIER, 38000}, {LIRC_SET_SEND_DUTY_CYCLE, 33}, {LIRC_SET_TRANSMITTER_MASK, 2}},
                "send carrier=38000 duty=33 mask=0x2 durations=900 450 900"},
        LogCase{"RefusedMaskKeepsTheOld",
                "",
                {{LIRC_SET_TRANSMITTER_MASK, 2}, {LIRC_SET_TRANSMITTER_MASK, 5}},
                "send carrier=36000 duty=50 mask=0x2 durations=900 450 900"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

struct WriteErrorCase {
    const char* name;
    int error;
};

class WriteErrors : public EmulatedDevice, public ::testing::WithParamInterface<WriteErrorCase> {};

TEST_P(WriteErrors, FailWithTheConfiguredErrnoAndLogNothing) {
    configure("WRITE_ERROR", GetParam().name);
    int fd = openDevice();
    errno = 0;
    EXPECT_EQ(send(fd, {900, 450, 900}), -1);
    EXPECT_EQ(errno, GetParam().error);
    EXPECT_TRUE(logLines().empty());
    close(fd);
}

INSTANTIATE_TEST_SUITE_P(Emulator, WriteErrors,
                         ::testing::Values(WriteErrorCase{"EIO", EIO}, WriteErrorCase{"EINTR", EINTR},
                                           WriteErrorCase{"ENODEV", ENODEV}, WriteErrorCase{"EBUSY", EBUSY}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(EmulatedDevice, InvalidSignalIsEinvalEvenWithAWriteError) {
    configure("WRITE_ERROR", "EIO");
    int fd = openDevice();
    errno = 0;
    EXPECT_EQ(send(fd, {900, 450}), -1);
    EXPECT_EQ(errno, EINVAL);
    close(fd);
}

TEST_F(EmulatedDevice, WriteToADeviceThatCannotSendIsEinval) {
    configure("WITHOUT", "send");
    int fd = openDevice();
    errno = 0;
    EXPECT_EQ(send(fd, {900}), -1);
    EXPECT_EQ(errno, EINVAL);
    close(fd);
}

TEST_F(EmulatedDevice, WriteToAFileOpenedReadOnlyIsEbadf) {
    int fd = openDevice(O_RDONLY);
    errno = 0;
    EXPECT_EQ(send(fd, {900}), -1);
    EXPECT_EQ(errno, EBADF);
    close(fd);
}

TEST_F(EmulatedDevice, WriteBlocksForTheSignalsDuration) {
    configure("NO_DELAY", "");
    int fd = openDevice(O_RDWR | O_NONBLOCK);  // the kernel waits whatever O_NONBLOCK says
    std::vector<uint32_t> signal = {40000, 30000, 50000};  // 120 ms
    int64_t start = microsecondsNow();
    EXPECT_EQ(send(fd, signal), 12);
    int64_t elapsed = microsecondsNow() - start;
    EXPECT_GE(elapsed, 120000);
    close(fd);
}

}  // namespace
