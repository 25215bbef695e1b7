// The devices of real drivers (LIRC_EMULATOR_PROFILE): what each offers and which values
// its callbacks refuse, as Linux 6.1's drivers/media/rc has them.
#include <cerrno>
#include <optional>

#include <linux/lirc.h>
#include <unistd.h>

#include "emulated_device.h"

namespace {

struct ProfileCase {
    const char* name;
    const char* profile;
    unsigned long request;
    uint32_t argument;
    int result;  // -1 for an error
    int error;
    std::optional<uint32_t> value = {};
};

class Profiles : public EmulatedDevice, public ::testing::WithParamInterface<ProfileCase> {};

TEST_P(Profiles, AnswerAsTheirDrivers) {
    const ProfileCase& test = GetParam();
    configure("PROFILE", test.profile);
    int fd = openDevice();
    IoctlOutcome outcome = ioctlValue(fd, test.request, test.argument);
    EXPECT_EQ(outcome.result, test.result);
    EXPECT_EQ(outcome.error, test.error) << strerror(outcome.error);
    if (test.value) {
        EXPECT_EQ(outcome.value, *test.value) << std::hex << outcome.value;
    }
    close(fd);
}

constexpr uint32_t kTransmitter = LIRC_CAN_SEND_PULSE | LIRC_CAN_SET_SEND_CARRIER;

INSTANTIATE_TEST_SUITE_P(
    Emulator, Profiles,
    ::testing::Values(
        // winbond-cir drives one of its four outputs at a time.
        ProfileCase{"WinbondOneEmitter", "winbond-cir", LIRC_SET_TRANSMITTER_MASK, 0x4, 0, 0},
        ProfileCase{"WinbondTwoEmittersRefused", "winbond-cir", LIRC_SET_TRANSMITTER_MASK, 0x3, -1, EINVAL},
        ProfileCase{"WinbondCountsFour", "winbond-cir", LIRC_SET_TRANSMITTER_MASK, 0xffffffff, 4, 0},
        ProfileCase{"WinbondCarrierBelow30kHz", "winbond-cir", LIRC_SET_SEND_CARRIER, 29499, -1, EINVAL},
        ProfileCase{"WinbondNoDutyCycle", "winbond-cir", LIRC_SET_SEND_DUTY_CYCLE, 50, -1, ENOTTY},
        // ene_ir answers an empty mask like a missing emitter.
        ProfileCase{"EneEmptyMask", "ene_ir", LIRC_SET_TRANSMITTER_MASK, 0, 2, 0},
        ProfileCase{"EneCarrierZero", "ene_ir", LIRC_SET_SEND_CARRIER, 0, -1, EINVAL},
        ProfileCase{"EneTimeoutAbove200ms", "ene_ir", LIRC_SET_REC_TIMEOUT, 200001, -1, EINVAL},
        ProfileCase{"MceusbCarrierZeroUnmodulated", "mceusb", LIRC_SET_SEND_CARRIER, 0, 0, 0},
        ProfileCase{"MceusbCarrierBelowItsDivisor", "mceusb", LIRC_SET_SEND_CARRIER, 610, -1, EINVAL},
        ProfileCase{"MceusbTimeoutStart", "mceusb", LIRC_GET_REC_TIMEOUT, 0, 0, 0, 100000},
        ProfileCase{"IguanaCarrierRange", "iguanair", LIRC_SET_SEND_CARRIER, 150001, -1, EINVAL},
        ProfileCase{"IguanaEmptyMask", "iguanair", LIRC_SET_TRANSMITTER_MASK, 0, 0, 0},
        ProfileCase{"IteNoEmitterSelection", "ite-cir", LIRC_SET_TRANSMITTER_MASK, 1, -1, ENOTTY},
        ProfileCase{"IteReceiveRangeAnyValue", "ite-cir", LIRC_SET_REC_CARRIER, 40000, 0, 0},
        ProfileCase{"IrToyTimeoutBelow40ms", "ir_toy", LIRC_SET_REC_TIMEOUT, 39999, -1, EINVAL},
        ProfileCase{"RedratCarrierZero", "redrat3", LIRC_SET_SEND_CARRIER, 0, -1, EINVAL},
        ProfileCase{"SerialCarrierAbove500kHz", "serial_ir", LIRC_SET_SEND_CARRIER, 500001, -1, EINVAL},
        ProfileCase{"GpioTxCarrierZero", "gpio-ir-tx", LIRC_SET_SEND_CARRIER, 0, 0, 0},
        ProfileCase{"PwmTxCarrierZero", "pwm-ir-tx", LIRC_SET_SEND_CARRIER, 0, -1, EINVAL},
        // What each can do at all.
        ProfileCase{"NuvotonReceivesOnly", "nuvoton-cir", LIRC_GET_FEATURES, 0, 0, 0,
                    LIRC_CAN_REC_MODE2 | LIRC_CAN_GET_REC_RESOLUTION},
        ProfileCase{"FintekTimeoutOf1ms", "fintek-cir", LIRC_GET_REC_TIMEOUT, 0, 0, 0, 1000},
        ProfileCase{"GpioRecvFeatures", "gpio-ir-recv", LIRC_GET_FEATURES, 0, 0, 0,
                    LIRC_CAN_REC_MODE2 | LIRC_CAN_SET_REC_TIMEOUT},
        ProfileCase{"PwmTxFeatures", "pwm-ir-tx", LIRC_GET_FEATURES, 0, 0, 0,
                    kTransmitter | LIRC_CAN_SET_SEND_DUTY_CYCLE},
        ProfileCase{"PwmTxNoReceiveTimeout", "pwm-ir-tx", LIRC_GET_REC_TIMEOUT, 0, -1, ENOTTY},
        ProfileCase{"RedratFeatures", "redrat3", LIRC_GET_FEATURES, 0, 0, 0,
                    kTransmitter | LIRC_CAN_REC_MODE2 | LIRC_CAN_GET_REC_RESOLUTION |
                        LIRC_CAN_SET_REC_TIMEOUT | LIRC_CAN_MEASURE_CARRIER}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// Signals a driver's tx_ir refuses beyond lirc_dev's limits.
struct SendLimitCase {
    const char* name;
    const char* profile;
    std::vector<uint32_t> durations;
    bool taken;
};

class SendLimits : public EmulatedDevice, public ::testing::WithParamInterface<SendLimitCase> {};

TEST_P(SendLimits, AreThoseOfTheDriver) {
    configure("PROFILE", GetParam().profile);
    configure("NO_DELAY", "1");
    int fd = openDevice();
    const std::vector<uint32_t>& durations = GetParam().durations;
    ssize_t written = write(fd, durations.data(), durations.size() * 4);
    if (GetParam().taken) {
        EXPECT_EQ(written, static_cast<ssize_t>(durations.size() * 4)) << strerror(errno);
    } else {
        EXPECT_EQ(written, -1);
        EXPECT_EQ(errno, EINVAL);
        EXPECT_TRUE(logLines().empty());
    }
    close(fd);
}

INSTANTIATE_TEST_SUITE_P(
    Emulator, SendLimits,
    ::testing::Values(
        SendLimitCase{"Redrat510Values", "redrat3", std::vector<uint32_t>(509, 100), true},
        SendLimitCase{"Redrat511Values", "redrat3", std::vector<uint32_t>(511, 100), false},
        // 38 kHz: 26 periods per 700 us, one byte each; 150 bytes in all.
        SendLimitCase{"Iguana150Bytes", "iguanair", std::vector<uint32_t>(149, 700), true},
        SendLimitCase{"Iguana151Bytes", "iguanair", std::vector<uint32_t>(151, 700), false},
        // 38 kHz: 4095 periods fit, 4096 do not (107763 us is 4095.0 periods).
        SendLimitCase{"SpiFewerThan4096Periods", "spi-ir-led", {107763}, true},
        SendLimitCase{"Spi4096Periods", "spi-ir-led", {107790}, false}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
