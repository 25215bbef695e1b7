// irrecord with the real library on a LIRC device: what lands in the file for
// what the receiver hears, the one line on standard error for each failure,
// and the device's settings as they were before, every time.
#include <csignal>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_device.h"

namespace {

struct RecordCase {
    const char* name;
    DeviceSetup device;
    std::string file = "out.ir";  // irrecord -o file; it holds an older recording
    std::string recorded = {};    // the file afterwards
    // The library's line on standard error, without "ostrel: "; "{device}"
    // stands for the device's path. Empty: the recording succeeds.
    std::string error = {};
    // The run, recording or failing, ends within this many milliseconds.
    int64_t mostMilliseconds = 5000;
    bool onLoopback = true;
};

const std::string keyFile = "pulse 900\nspace 450\npulse 900\n";

const RecordCase cases[] = {
    {.name = "RecordsMessageWithCarrier",
     .device = {.receive = "await-reader\nwait 20\ncarrier 38000\npulse 9000\nspace 4500\n"
                           "pulse 560\nspace 1690\npulse 560\nend\n"},
     .recorded = "carrier 38000\npulse 9000\nspace 4500\npulse 560\nspace 1690\npulse 560\n"},
    // rc-loopback's carrier report comes before the last pulse, and the end of
    // the message as a second carrier sample, of the receive timeout's value.
    {.name = "CarrierBeforeTheLastPulseAndEndAsCarrier",
     .device = {.settings = {"LIRC_EMULATOR_QUIRKS=end-as-carrier"},
                .receive = "await-reader\npulse 9000\nspace 4500\ncarrier 38000\npulse 560\nend\n"},
     .recorded = "carrier 38000\npulse 9000\nspace 4500\npulse 560\n"},
    // 0xFFFFFF, the most a sample holds, is no carrier a signal file may
    // name: before the message, or reported right behind it.
    {.name = "AllOnesCarrierIsNoCarrier",
     .device = {.receive = "carrier 16777215\npulse 900\nspace 450\npulse 900\nend\n"
                           "carrier 16777215\n"},
     .recorded = keyFile},
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
    {.name = "NameNotUtf8WithLineEnd", .device = {.receive = "pulse 900\nspace 450\npulse 900\nend\n"},
     .file = "bad\xFF\nname.ir", .recorded = keyFile},
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
    // The open file takes no more requests once unplugged; the settings are
    // put back through the path, which leads to the device again.
    {.name = "UnpluggedDuringRecording", .device = {.receive = "pulse 900\nwait 20\nunplug\n"},
     .error = "{device}: the device is gone"},
    {.name = "UnpluggedBeforeTheMessage", .device = {.receive = "wait 20\nunplug\n"},
     .error = "{device}: the device is gone"},
    // Pulse 500, space 500 without pause: stopped at the first limit it
    // reaches, 1001 values of 500 us, at once.
    {.name = "FloodingReceiverFails", .device = {.receive = "wait 10\nflood\n"},
     .error = "{device}: the message is longer than a LIRC device can send: more than 500000 us",
     .mostMilliseconds = 1500},
    {.name = "OverflowBeforeTheMessage", .device = {.receive = "space 5000\noverflow\npulse 900\nend\n"},
     .error = "{device}: the receiver lost samples (overflow)"},
    {.name = "DeviceThatCannotReceive",
     .device = {.settings = {"LIRC_EMULATOR_WITHOUT=receive"}},
     .error = "{device}: the device cannot receive"},
    {.name = "MissingDevice", .device = {.settings = {"OSTREL_DEVICE=nolirc"}},
     .error = "nolirc: No such file or directory"},
    {.name = "DevNullIsNoDevice", .device = {.settings = {"OSTREL_DEVICE=/dev/null"}},
     .error = "/dev/null: not a LIRC device"},
    // The file irrecord has just emptied, as the device.
    {.name = "RegularFileIsNoDevice", .device = {.settings = {"OSTREL_DEVICE=out.ir"}},
     .error = "out.ir: not a LIRC device"},
    // Waits out the whole 15 seconds that irrecord gives the library.
    {.name = "NothingWithin15Seconds", .device = {.receive = "space 1000\ntimeout 125000\n"},
     .error = "no signal within 15000 ms", .mostMilliseconds = 17000},
};

void PrintTo(const RecordCase& c, std::ostream* out) { *out << c.name; }

class RecordOnDevice : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordOnDevice, RecordsOrSaysWhyNot) {
    const RecordCase& c = GetParam();
    ScratchFolder scratch;
    writeFile(scratch / c.file, "an older recording\n");
    std::unique_ptr<TestDevice> device = makeDevice(scratch, c.device);
    std::set<std::string> filesBefore = filesBelow(scratch.path(), {c.file, "device.state"});
    ChildResult run = device->run({programPath("irrecord"), "-o", c.file});

    ASSERT_TRUE(run.exited) << run.standardError;
    EXPECT_EQ(run.exitStatus, 0);
    if (c.error.empty()) {
        EXPECT_EQ(run.standardOutput, "Record successfull !\n");
        EXPECT_EQ(run.standardError, "");
    } else {
        EXPECT_EQ(run.standardOutput, "Record failed !\n");
        EXPECT_EQ(run.standardError, "ostrel: " + expand(c.error, device->path()) + "\n");
    }
    EXPECT_LT(run.endNanoseconds - run.startNanoseconds, c.mostMilliseconds * 1000000);
    EXPECT_EQ(readFile(scratch / c.file), device->recording(c.recorded));
    EXPECT_EQ(device->state(), device->initialState()) << "the device's settings were not put back";
    EXPECT_TRUE(device->transmissions().empty());
    EXPECT_EQ(filesBelow(scratch.path(), {c.file, "device.state"}), filesBefore)
        << "only the recording may change";
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordOnDevice, ::testing::ValuesIn(reproducible(cases)),
                         [](const ::testing::TestParamInfo<RecordCase>& caseInfo) {
                             return std::string(caseInfo.param.name);
                         });

// Stopped while it waits for a signal, irrecord still leaves the device's
// settings as it found them.
class StoppedRecording : public ::testing::TestWithParam<int> {};

TEST_P(StoppedRecording, PutsTheDeviceBack) {
    ScratchFolder scratch;
    std::unique_ptr<TestDevice> device = makeDevice(scratch, {});
    ChildResult run = device->run({programPath("irrecord"), "-o", "out.ir"}, GetParam(), 300);
    ASSERT_TRUE(run.signalSent);
    EXPECT_FALSE(run.exited);
    EXPECT_EQ(run.signal, GetParam()) << "it should end by the signal, as without the library";
    EXPECT_EQ(device->state(), device->initialState());
}

INSTANTIATE_TEST_SUITE_P(Signals, StoppedRecording,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGQUIT));

}  // namespace
