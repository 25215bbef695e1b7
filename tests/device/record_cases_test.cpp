// irrecord with the real library on the emulated device: what lands in the
// file for a scripted signal, the one line on standard error for each
// failure, and the device's settings as they were before, every time.
#include <csignal>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "emulated_device.h"

namespace {

struct RecordCase {
    const char* name;
    DeviceSetup device;
    std::string recorded = {};  // the file afterwards
    // The library's line on standard error, without "ostrel: "; "{device}"
    // stands for the device's path. Empty: the recording succeeds.
    std::string error = {};
    // An unplugged device takes no more requests: its settings die with it,
    // and it comes back with its defaults.
    bool unplugged = false;
};

const std::string keyFile = "pulse 900\nspace 450\npulse 900\n";

const RecordCase cases[] = {
    {.name = "RecordsMessageWithCarrier",
     .device = {.receive = "wait 20\ncarrier 38000\npulse 9000\nspace 4500\npulse 560\n"
                           "space 1690\npulse 560\nend\n"},
     .recorded = "carrier 38000\npulse 9000\nspace 4500\npulse 560\nspace 1690\npulse 560\n"},
    {.name = "SkipsLeadingSpacesAndTimeouts",
     .device = {.receive = "space 50000\ntimeout 125000\nspace 300\npulse 900\nspace 450\n"
                           "pulse 900\nend\n"},
     .recorded = keyFile},
    {.name = "MergesConsecutiveSamples",
     .device = {.receive = "pulse 400\npulse 500\nspace 200\nspace 250\npulse 900\nend\n"},
     .recorded = keyFile},
    {.name = "EndsAtSpaceLongerThan19ms",
     .device = {.receive = "pulse 900\nspace 450\npulse 900\nspace 19001\npulse 700\nend\n"},
     .recorded = keyFile},
    {.name = "SpaceOf19msIsPartOfTheMessage",
     .device = {.receive = "pulse 900\nspace 19000\npulse 900\nend\n"},
     .recorded = "pulse 900\nspace 19000\npulse 900\n"},
    {.name = "EndsWhenReceiverGoesQuiet",
     .device = {.receive = "pulse 900\nspace 450\npulse 900\n"}, .recorded = keyFile},
    {.name = "WithoutTimeoutControl",
     .device = {.settings = {"LIRC_EMULATOR_WITHOUT=timeout"},
                .receive = "pulse 900\nspace 450\npulse 900\nend\n"},
     .recorded = keyFile},
    {.name = "WithoutCarrierMeasurement",
     .device = {.settings = {"LIRC_EMULATOR_WITHOUT=measure"},
                .receive = "pulse 900\nspace 450\npulse 900\nend\n"},
     .recorded = keyFile},
    {.name = "OverflowFails", .device = {.receive = "pulse 900\nspace 450\noverflow\n"},
     .error = "{device}: the receiver lost samples (overflow)"},
    {.name = "UnpluggedDuringRecording", .device = {.receive = "pulse 900\nwait 20\nunplug\n"},
     .error = "{device}: the device is gone", .unplugged = true},
    {.name = "FloodingReceiverFails", .device = {.receive = "wait 10\nflood\n"},
     .error = "{device}: the message is longer than a LIRC device can send"},
    {.name = "DeviceThatCannotReceive",
     .device = {.settings = {"LIRC_EMULATOR_WITHOUT=receive"}},
     .error = "{device}: the device cannot receive"},
    {.name = "MissingDevice", .device = {.settings = {"OSTREL_DEVICE=nolirc"}},
     .error = "nolirc: No such file or directory"},
    {.name = "DevNullIsNoDevice", .device = {.settings = {"OSTREL_DEVICE=/dev/null"}},
     .error = "/dev/null: not a LIRC device"},
    // Waits out the whole 15 seconds that irrecord gives the library.
    {.name = "NothingWithin15Seconds", .device = {.receive = "space 1000\ntimeout 125000\n"},
     .error = "no signal within 15000 ms"},
};

void PrintTo(const RecordCase& c, std::ostream* out) { *out << c.name; }

std::string expand(std::string text, const std::string& device) {
    for (size_t at; (at = text.find("{device}")) != std::string::npos;) {
        text.replace(at, 8, device);
    }
    return text;
}

class RecordOnDevice : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordOnDevice, RecordsOrSaysWhyNot) {
    const RecordCase& c = GetParam();
    ScratchFolder scratch;
    writeFile(scratch / "out.ir", "an older recording\n");
    EmulatedDevice device(scratch, c.device);
    ChildResult run = device.run({programPath("irrecord"), "-o", "out.ir"});

    ASSERT_TRUE(run.exited) << run.standardError;
    EXPECT_EQ(run.exitStatus, 0);
    if (c.error.empty()) {
        EXPECT_EQ(run.standardOutput, "Record successfull !\n");
        EXPECT_EQ(run.standardError, "");
    } else {
        EXPECT_EQ(run.standardOutput, "Record failed !\n");
        std::string line = "ostrel: " + expand(c.error, device.path());
        EXPECT_EQ(run.standardError.substr(0, line.size()), line) << run.standardError;
        EXPECT_EQ(run.standardError.find('\n'), run.standardError.size() - 1)
            << "one line: " << run.standardError;
    }
    EXPECT_EQ(readFile(scratch / "out.ir"), c.recorded);
    if (!c.unplugged) {
        EXPECT_EQ(device.state(), initialDeviceState) << "the device's settings were not put back";
    }
    EXPECT_TRUE(device.transmissions().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordOnDevice, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<RecordCase>& caseInfo) {
                             return std::string(caseInfo.param.name);
                         });

// Stopped while it waits for a signal, irrecord still leaves the device's
// settings as it found them.
class StoppedRecording : public ::testing::TestWithParam<int> {};

TEST_P(StoppedRecording, PutsTheDeviceBack) {
    ScratchFolder scratch;
    EmulatedDevice device(scratch, {});
    ChildResult run = device.run({programPath("irrecord"), "-o", "out.ir"}, GetParam(), 300);
    ASSERT_TRUE(run.signalSent);
    EXPECT_FALSE(run.exited);
    EXPECT_EQ(run.signal, GetParam()) << "it should end by the signal, as without the library";
    EXPECT_EQ(device.state(), initialDeviceState);
}

INSTANTIATE_TEST_SUITE_P(Signals, StoppedRecording,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGQUIT));

}  // namespace
