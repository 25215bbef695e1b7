// The LIRC ioctls on the emulated device, with and without each driver capability.
#include <cerrno>
#include <cstddef>
#include <optional>

#include <linux/lirc.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "emulator/tests/emulated_device.h"

namespace {

constexpr uint32_t kSendBits = LIRC_CAN_SEND_PULSE | LIRC_CAN_SET_SEND_CARRIER |
                               LIRC_CAN_SET_SEND_DUTY_CYCLE | LIRC_CAN_SET_TRANSMITTER_MASK;
constexpr uint32_t kReceiveBits = LIRC_CAN_REC_MODE2 | LIRC_CAN_GET_REC_RESOLUTION |
                                  LIRC_CAN_SET_REC_TIMEOUT | LIRC_CAN_MEASURE_CARRIER |
                                  LIRC_CAN_USE_WIDEBAND_RECEIVER | LIRC_CAN_SET_REC_CARRIER |
                                  LIRC_CAN_SET_REC_CARRIER_RANGE;

struct FeaturesCase {
    const char* name;
    const char* without;
    const char* emitters;
    uint32_t features;
};

class Features : public EmulatedDevice, public ::testing::WithParamInterface<FeaturesCase> {};

TEST_P(Features, ReportsTheDevicesCapabilities) {
    configure("WITHOUT", GetParam().without);
    configure("EMITTERS", GetParam().emitters);
    int fd = openDevice();
    IoctlOutcome outcome = ioctlValue(fd, LIRC_GET_FEATURES);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.value, GetParam().features) << std::hex << outcome.value;
    close(fd);
}

INSTANTIATE_TEST_SUITE_P(
    Emulator, Features,
    ::testing::Values(
        FeaturesCase{"Everything", "", "", kSendBits | kReceiveBits},
        FeaturesCase{"WithoutSend", "send", "", kReceiveBits},
        FeaturesCase{"WithoutReceive", "receive", "", kSendBits},
        FeaturesCase{"WithoutCarrier", "carrier", "", (kSendBits | kReceiveBits) & ~LIRC_CAN_SET_SEND_CARRIER},
        FeaturesCase{"WithoutDuty", "duty", "", (kSendBits | kReceiveBits) & ~LIRC_CAN_SET_SEND_DUTY_CYCLE},
        FeaturesCase{"WithoutMeasure", "measure", "", (kSendBits | kReceiveBits) & ~LIRC_CAN_MEASURE_CARRIER},
        FeaturesCase{"WithoutWideband", "wideband", "",
                     (kSendBits | kReceiveBits) & ~LIRC_CAN_USE_WIDEBAND_RECEIVER},
        FeaturesCase{"WithoutTimeout", "timeout", "", (kSendBits | kReceiveBits) & ~LIRC_CAN_SET_REC_TIMEOUT},
        FeaturesCase{"WithoutResolution", "resolution", "",
                     (kSendBits | kReceiveBits) & ~LIRC_CAN_GET_REC_RESOLUTION},
        FeaturesCase{"SeveralMissing", " carrier, duty ,wideband", "",
                     (kSendBits | kReceiveBits) &
                         ~(LIRC_CAN_SET_SEND_CARRIER | LIRC_CAN_SET_SEND_DUTY_CYCLE | LIRC_CAN_USE_WIDEBAND_RECEIVER)},
        FeaturesCase{"NoEmitterSelection", "", "0", (kSendBits | kReceiveBits) & ~LIRC_CAN_SET_TRANSMITTER_MASK}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

struct IoctlCase {
    const char* name;
    const char* without;
    const char* emitters;
    unsigned long request;
    uint32_t argument;
    int result;  // -1 for an error
    int error;
    std::optional<uint32_t> value;  // what a read-back ioctl hands out
    const char* profile = "";       // the driver's (driver_profiles.cpp); "": rc-loopback
};

class Ioctls : public EmulatedDevice, public ::testing::WithParamInterface<IoctlCase> {};

TEST_P(Ioctls, AnswerAsTheKernelDoes) {
    const IoctlCase& test = GetParam();
    configure("WITHOUT", test.without);
    configure("EMITTERS", test.emitters);
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

INSTANTIATE_TEST_SUITE_P(
    Emulator, Ioctls,
    ::testing::Values(
        // Modes
        IoctlCase{"GetSendMode", "", "", LIRC_GET_SEND_MODE, 0, 0, 0, LIRC_MODE_PULSE},
        IoctlCase{"SetSendModePulse", "", "", LIRC_SET_SEND_MODE, LIRC_MODE_PULSE, 0, 0, {}},
        IoctlCase{"SetSendModeMode2", "", "", LIRC_SET_SEND_MODE, LIRC_MODE_MODE2, -1, EINVAL, {}},
        IoctlCase{"SetSendModeCannotSend", "send", "", LIRC_SET_SEND_MODE, LIRC_MODE_PULSE, -1, ENOTTY, {}},
        IoctlCase{"GetSendModeCannotSend", "send", "", LIRC_GET_SEND_MODE, 0, -1, ENOTTY, {}},
        IoctlCase{"GetRecMode", "", "", LIRC_GET_REC_MODE, 0, 0, 0, LIRC_MODE_MODE2},
        IoctlCase{"SetRecModeMode2", "", "", LIRC_SET_REC_MODE, LIRC_MODE_MODE2, 0, 0, {}},
        IoctlCase{"SetRecModePulse", "", "", LIRC_SET_REC_MODE, LIRC_MODE_PULSE, -1, EINVAL, {}},
        IoctlCase{"SetRecModeCannotReceive", "receive", "", LIRC_SET_REC_MODE, LIRC_MODE_MODE2, -1, ENOTTY, {}},
        IoctlCase{"GetRecModeCannotReceive", "receive", "", LIRC_GET_REC_MODE, 0, -1, ENOTTY, {}},
        // Emitters
        IoctlCase{"MaskFirst", "", "", LIRC_SET_TRANSMITTER_MASK, 0x1, 0, 0, {}},
        IoctlCase{"MaskBoth", "", "", LIRC_SET_TRANSMITTER_MASK, 0x3, 0, 0, {}},
        IoctlCase{"MaskBeyondTwo", "", "", LIRC_SET_TRANSMITTER_MASK, 0x4, 2, 0, {}},
        IoctlCase{"MaskBeyondFour", "", "4", LIRC_SET_TRANSMITTER_MASK, 0x1f, 4, 0, {}},
        IoctlCase{"MaskAllOfThirtyTwo", "", "32", LIRC_SET_TRANSMITTER_MASK, 0xffffffff, 0, 0, {}},
        IoctlCase{"MaskWithoutSelection", "", "0", LIRC_SET_TRANSMITTER_MASK, 0x1, -1, ENOTTY, {}},
        IoctlCase{"MaskCannotSend", "send", "", LIRC_SET_TRANSMITTER_MASK, 0x1, -1, ENOTTY, {}},
        // Carrier and duty cycle
        IoctlCase{"Carrier38k", "", "", LIRC_SET_SEND_CARRIER, 38000, 0, 0, {}},
        // rc-loopback takes 0 (and then hears nothing, 0 being below its receive range).
        IoctlCase{"CarrierZero", "", "", LIRC_SET_SEND_CARRIER, 0, 0, 0, {}},
        IoctlCase{"CarrierUnsupported", "carrier", "", LIRC_SET_SEND_CARRIER, 38000, -1, ENOTTY, {}},
        IoctlCase{"DutyOne", "", "", LIRC_SET_SEND_DUTY_CYCLE, 1, 0, 0, {}},
        IoctlCase{"DutyNinetyNine", "", "", LIRC_SET_SEND_DUTY_CYCLE, 99, 0, 0, {}},
        IoctlCase{"DutyZero", "", "", LIRC_SET_SEND_DUTY_CYCLE, 0, -1, EINVAL, {}},
        IoctlCase{"DutyHundred", "", "", LIRC_SET_SEND_DUTY_CYCLE, 100, -1, EINVAL, {}},
        IoctlCase{"DutyUnsupported", "duty", "", LIRC_SET_SEND_DUTY_CYCLE, 50, -1, ENOTTY, {}},
        // Receiver
        IoctlCase{"Resolution", "", "", LIRC_GET_REC_RESOLUTION, 0, 0, 0, 1},
        IoctlCase{"ResolutionUnsupported", "resolution", "", LIRC_GET_REC_RESOLUTION, 0, -1, ENOTTY, {}},
        IoctlCase{"MinTimeout", "", "", LIRC_GET_MIN_TIMEOUT, 0, 0, 0, 1},
        IoctlCase{"MaxTimeout", "", "", LIRC_GET_MAX_TIMEOUT, 0, 0, 0, 16777215},
        IoctlCase{"MinTimeoutUnsupported", "timeout", "", LIRC_GET_MIN_TIMEOUT, 0, -1, ENOTTY, {}},
        IoctlCase{"RecTimeoutDefault", "", "", LIRC_GET_REC_TIMEOUT, 0, 0, 0, 125000},
        IoctlCase{"RecTimeoutFixed", "timeout", "", LIRC_GET_REC_TIMEOUT, 0, 0, 0, 125000},
        IoctlCase{"RecTimeoutCannotReceive", "receive", "", LIRC_GET_REC_TIMEOUT, 0, -1, ENOTTY, {}},
        IoctlCase{"SetTimeoutLowest", "", "", LIRC_SET_REC_TIMEOUT, 1, 0, 0, {}},
        IoctlCase{"SetTimeoutHighest", "", "", LIRC_SET_REC_TIMEOUT, 10000000, 0, 0, {}},
        IoctlCase{"SetTimeoutZero", "", "", LIRC_SET_REC_TIMEOUT, 0, -1, EINVAL, {}},
        IoctlCase{"SetTimeoutAboveMax", "", "", LIRC_SET_REC_TIMEOUT, 16777216, -1, EINVAL, {}},
        IoctlCase{"SetTimeoutUnsupported", "timeout", "", LIRC_SET_REC_TIMEOUT, 50000, -1, ENOTTY, {}},
        IoctlCase{"TimeoutReports", "", "", LIRC_SET_REC_TIMEOUT_REPORTS, 1, 0, 0, {}},
        IoctlCase{"TimeoutReportsCannotReceive", "receive", "", LIRC_SET_REC_TIMEOUT_REPORTS, 1, -1, ENOTTY, {}},
        IoctlCase{"MeasureOn", "", "", LIRC_SET_MEASURE_CARRIER_MODE, 1, 0, 0, {}},
        IoctlCase{"MeasureUnsupported", "measure", "", LIRC_SET_MEASURE_CARRIER_MODE, 1, -1, ENOTTY, {}},
        IoctlCase{"WidebandOn", "", "", LIRC_SET_WIDEBAND_RECEIVER, 1, 0, 0, {}},
        IoctlCase{"WidebandUnsupported", "wideband", "", LIRC_SET_WIDEBAND_RECEIVER, 1, -1, ENOTTY, {}},
        // The receive carrier range: its low end belongs to the open file, and the
        // device takes the range when the high end comes, from a low end of at least 1.
        IoctlCase{"ReceiveCarrierRange", "", "", LIRC_SET_REC_CARRIER_RANGE, 30000, 0, 0, {}},
        IoctlCase{"ReceiveCarrierRangeZero", "", "", LIRC_SET_REC_CARRIER_RANGE, 0, -1, EINVAL, {}},
        IoctlCase{"ReceiveCarrierWithoutLowEnd", "", "", LIRC_SET_REC_CARRIER, 40000, -1, EINVAL, {}},
        IoctlCase{"ReceiveCarrierUnsupported", "receive-carrier", "", LIRC_SET_REC_CARRIER, 40000, -1,
                  ENOTTY, {}},
        // The devices of real drivers, which take and refuse other values.
        // winbond-cir drives one of its four outputs at a time.
        IoctlCase{"WinbondOneEmitter", "", "", LIRC_SET_TRANSMITTER_MASK, 0x4, 0, 0, {}, "winbond-cir"},
        IoctlCase{"WinbondTwoEmittersRefused", "", "", LIRC_SET_TRANSMITTER_MASK, 0x3, -1, EINVAL, {},
                  "winbond-cir"},
        IoctlCase{"WinbondCountsFour", "", "", LIRC_SET_TRANSMITTER_MASK, 0xffffffff, 4, 0, {}, "winbond-cir"},
        IoctlCase{"WinbondCarrierBelow30kHz", "", "", LIRC_SET_SEND_CARRIER, 29499, -1, EINVAL, {},
                  "winbond-cir"},
        IoctlCase{"WinbondNoDutyCycle", "", "", LIRC_SET_SEND_DUTY_CYCLE, 50, -1, ENOTTY, {}, "winbond-cir"},
        // ene_ir answers an empty mask like a missing emitter.
        IoctlCase{"EneEmptyMask", "", "", LIRC_SET_TRANSMITTER_MASK, 0, 2, 0, {}, "ene_ir"},
        IoctlCase{"EneCarrierZero", "", "", LIRC_SET_SEND_CARRIER, 0, -1, EINVAL, {}, "ene_ir"},
        IoctlCase{"EneTimeoutAbove200ms", "", "", LIRC_SET_REC_TIMEOUT, 200001, -1, EINVAL, {}, "ene_ir"},
        IoctlCase{"MceusbCarrierZeroUnmodulated", "", "", LIRC_SET_SEND_CARRIER, 0, 0, 0, {}, "mceusb"},
        IoctlCase{"MceusbCarrierBelowItsDivisor", "", "", LIRC_SET_SEND_CARRIER, 610, -1, EINVAL, {}, "mceusb"},
        IoctlCase{"MceusbTimeoutAtStart", "", "", LIRC_GET_REC_TIMEOUT, 0, 0, 0, 125000, "mceusb"},
        IoctlCase{"IguanaCarrierRange", "", "", LIRC_SET_SEND_CARRIER, 150001, -1, EINVAL, {}, "iguanair"},
        IoctlCase{"IguanaEmptyMask", "", "", LIRC_SET_TRANSMITTER_MASK, 0, 0, 0, {}, "iguanair"},
        IoctlCase{"StreamzapTimeoutOf255Units", "", "", LIRC_GET_REC_TIMEOUT, 0, 0, 0, 65280, "streamzap"},
        IoctlCase{"StreamzapCannotSend", "", "", LIRC_GET_SEND_MODE, 0, -1, ENOTTY, {}, "streamzap"},
        IoctlCase{"TtusbirResolution", "", "", LIRC_GET_REC_RESOLUTION, 0, 0, 0, 14, "ttusbir"},
        IoctlCase{"TtusbirTimeoutAboveItsLimit", "", "", LIRC_SET_REC_TIMEOUT, 1250001, -1, EINVAL, {}, "ttusbir"},
        IoctlCase{"IteNoEmitterSelection", "", "", LIRC_SET_TRANSMITTER_MASK, 1, -1, ENOTTY, {}, "ite-cir"},
        IoctlCase{"IteReceiveRangeAnyValue", "", "", LIRC_SET_REC_CARRIER, 40000, 0, 0, {}, "ite-cir"},
        IoctlCase{"IrToyTimeoutBelow40ms", "", "", LIRC_SET_REC_TIMEOUT, 39999, -1, EINVAL, {}, "ir_toy"},
        IoctlCase{"RedratCarrierZero", "", "", LIRC_SET_SEND_CARRIER, 0, -1, EINVAL, {}, "redrat3"},
        IoctlCase{"SerialCarrierAbove500kHz", "", "", LIRC_SET_SEND_CARRIER, 500001, -1, EINVAL, {}, "serial_ir"},
        IoctlCase{"GpioTxCarrierZero", "", "", LIRC_SET_SEND_CARRIER, 0, 0, 0, {}, "gpio-ir-tx"},
        IoctlCase{"PwmTxCarrierZero", "", "", LIRC_SET_SEND_CARRIER, 0, -1, EINVAL, {}, "pwm-ir-tx"},
        IoctlCase{"PwmTxNoReceiveTimeout", "", "", LIRC_GET_REC_TIMEOUT, 0, -1, ENOTTY, {}, "pwm-ir-tx"},
        IoctlCase{"FintekTimeoutOf1ms", "", "", LIRC_GET_REC_TIMEOUT, 0, 0, 0, 1000, "fintek-cir"},
        IoctlCase{"NuvotonReceivesOnly", "", "", LIRC_GET_FEATURES, 0, 0, 0,
                  LIRC_CAN_REC_MODE2 | LIRC_CAN_GET_REC_RESOLUTION, "nuvoton-cir"},
        IoctlCase{"GpioRecvFeatures", "", "", LIRC_GET_FEATURES, 0, 0, 0,
                  LIRC_CAN_REC_MODE2 | LIRC_CAN_SET_REC_TIMEOUT, "gpio-ir-recv"},
        IoctlCase{"PwmTxFeatures", "", "", LIRC_GET_FEATURES, 0, 0, 0,
                  LIRC_CAN_SEND_PULSE | LIRC_CAN_SET_SEND_CARRIER | LIRC_CAN_SET_SEND_DUTY_CYCLE, "pwm-ir-tx"},
        IoctlCase{"RedratFeatures", "", "", LIRC_GET_FEATURES, 0, 0, 0,
                  LIRC_CAN_SEND_PULSE | LIRC_CAN_SET_SEND_CARRIER | LIRC_CAN_REC_MODE2 |
                      LIRC_CAN_GET_REC_RESOLUTION | LIRC_CAN_SET_REC_TIMEOUT | LIRC_CAN_MEASURE_CARRIER,
                  "redrat3"},
        // A request passed through an int: widened with its sign on 64-bit
        // systems (0xffffffff80046900), unchanged on 32-bit ones; the kernel
        // takes the request's low 32 bits either way.
        IoctlCase{"GetFeaturesWidenedFromInt", "", "", static_cast<unsigned long>(int(LIRC_GET_FEATURES)), 0,
                  0, 0, kSendBits | kReceiveBits},
        IoctlCase{"GetRecModeWidenedFromInt", "", "", static_cast<unsigned long>(int(LIRC_GET_REC_MODE)), 0, 0,
                  0, LIRC_MODE_MODE2},
        // Not LIRC requests at all
        IoctlCase{"Unknown", "", "", _IOR('i', 0x7f, __u32), 0, -1, ENOTTY, {}},
        IoctlCase{"TerminalRequest", "", "", TCGETS, 0, -1, ENOTTY, {}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// The settings ioctls change the device, as the state file shows; a refused request
// leaves it as it was.
struct SettingCase {
    const char* name;
    unsigned long request;
    uint32_t argument;
    const char* stateLine;
    const char* profile = "";  // the driver's; "": rc-loopback
};

class Settings : public EmulatedDevice, public ::testing::WithParamInterface<SettingCase> {};

TEST_P(Settings, ChangeTheStoredStateOnlyWhenAccepted) {
    configure("PROFILE", GetParam().profile);
    int fd = openDevice();
    (void)ioctlValue(fd, GetParam().request, GetParam().argument);
    EXPECT_NE(stateText().find(GetParam().stateLine), std::string::npos) << stateText();
    close(fd);
}

INSTANTIATE_TEST_SUITE_P(
    Emulator, Settings,
    ::testing::Values(SettingCase{"Mask", LIRC_SET_TRANSMITTER_MASK, 0x2, "transmitter_mask=0x2\n"},
                      SettingCase{"MaskBeyondKept", LIRC_SET_TRANSMITTER_MASK, 0x6, "transmitter_mask=0x1\n"},
                      SettingCase{"Carrier", LIRC_SET_SEND_CARRIER, 56000, "carrier=56000\n"},
                      SettingCase{"CarrierZero", LIRC_SET_SEND_CARRIER, 0, "carrier=0\n"},
                      SettingCase{"Duty", LIRC_SET_SEND_DUTY_CYCLE, 33, "duty_cycle=33\n"},
                      SettingCase{"DutyHundredKept", LIRC_SET_SEND_DUTY_CYCLE, 100, "duty_cycle=50\n"},
                      SettingCase{"Timeout", LIRC_SET_REC_TIMEOUT, 20000, "rec_timeout=20000\n"},
                      SettingCase{"TimeoutOutOfRangeKept", LIRC_SET_REC_TIMEOUT, 0, "rec_timeout=125000\n"},
                      SettingCase{"MceusbTimeoutToNearest50us", LIRC_SET_REC_TIMEOUT, 20025, "rec_timeout=20050\n",
                                  "mceusb"},
                      SettingCase{"Redrat3TimeoutSetNotTold", LIRC_SET_REC_TIMEOUT, 20000, "rec_timeout=150000\n",
                                  "redrat3"},
                      SettingCase{"Measure", LIRC_SET_MEASURE_CARRIER_MODE, 7, "measure_carrier=1\n"},
                      SettingCase{"Wideband", LIRC_SET_WIDEBAND_RECEIVER, 1, "wideband=1\n"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// What crosses to the kernel has the kernel's layout on every architecture,
// 32-bit ones included, whose alignment of 64-bit fields differs (4 bytes on
// i386, 8 on armhf): a scancode read or written is exactly 24 bytes
// (lirc_dev.c refuses any other count), and the argument of every LIRC ioctl
// 4, which is what the emulator copies.
struct LayoutCase {
    const char* name;
    size_t actual;
    size_t kernels;
};

class KernelLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(KernelLayout, MatchesTheKernels) { EXPECT_EQ(GetParam().actual, GetParam().kernels); }

INSTANTIATE_TEST_SUITE_P(
    Emulator, KernelLayout,
    ::testing::Values(LayoutCase{"ScancodeSize", sizeof(lirc_scancode), 24},
                      LayoutCase{"ScancodeFlags", offsetof(lirc_scancode, flags), 8},
                      LayoutCase{"ScancodeProtocol", offsetof(lirc_scancode, rc_proto), 10},
                      LayoutCase{"ScancodeKeycode", offsetof(lirc_scancode, keycode), 12},
                      LayoutCase{"ScancodeValue", offsetof(lirc_scancode, scancode), 16},
                      LayoutCase{"FeaturesArgument", _IOC_SIZE(LIRC_GET_FEATURES), 4},
                      LayoutCase{"TimeoutArgument", _IOC_SIZE(LIRC_SET_REC_TIMEOUT), 4},
                      LayoutCase{"MaskArgument", _IOC_SIZE(LIRC_SET_TRANSMITTER_MASK), 4}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(EmulatedDevice, IoctlWithoutArgumentIsEfault) {
    int fd = openDevice();
    errno = 0;
    EXPECT_EQ(ioctl(fd, LIRC_GET_FEATURES, nullptr), -1);
    EXPECT_EQ(errno, EFAULT);
    close(fd);
}

}  // namespace
