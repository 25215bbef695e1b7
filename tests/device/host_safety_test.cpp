// The library never harms the program it is loaded into: calls from several
// threads at once are taken one at a time, and no diagnostic ever lands in
// the user's signal file, whatever the program did with standard error.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/device/test_device.h"

namespace {

const std::string keyFile = "pulse 900\nspace 450\npulse 900\n";

TEST(Threads, RecordAndPlayAtOnceEachDoTheirWhole) {
    ScratchFolder scratch;
    writeFile(scratch / "key.ir", keyFile);
    // Each open of the device hears the key press once it listens.
    std::unique_ptr<TestDevice> device =
        makeDevice(scratch, {.receive = "await-reader\nwait 20\ncarrier 38000\npulse 900\nwait 30\n"
                                        "space 30000\npulse 900\nend\n"});
    ChildResult run = device->run({programPath("concurrent_calls"), "one.ir", "two.ir", "key.ir"});
    ASSERT_TRUE(run.exited) << run.standardError;
    EXPECT_EQ(run.standardOutput, "1 1 1\n") << run.standardError;
    EXPECT_EQ(run.standardError, "");
    const std::string recorded = "carrier 38000\npulse 900\nspace 30000\npulse 900\n";
    EXPECT_EQ(readFile(scratch / "one.ir"), recorded);
    EXPECT_EQ(readFile(scratch / "two.ir"), recorded);
    std::string state = device->state();
    EXPECT_NE(state.find("measure_carrier=0\n"), std::string::npos) << state;
    if (!emulated()) {
        return;  // rc-loopback's test sends the key presses, and so sets the emitters and carrier too
    }
    EXPECT_EQ(device->transmissions(),
              std::vector<std::string>{"send carrier=38000 duty=33 mask=0x2 durations=900 450 900"});
    // What the play set, and nothing the recordings changed.
    std::string expected = initialDeviceState;
    expected.replace(expected.find("carrier=40000"), 13, "carrier=38000");
    expected.replace(expected.find("transmitter_mask=0x1"), 20, "transmitter_mask=0x2");
    EXPECT_EQ(state, expected);
}

struct StreamCase {
    const char* name;
    std::string shell;  // run by /bin/sh -c, in the scratch folder
    std::string fileBefore;
    std::string fileAfter;
    std::string output;
    DeviceSetup device = {};
    bool onLoopback = true;
};

const std::string badFile = "pulse 900\nspice 450\n";

const StreamCase streamCases[] = {
    // Standard error closed: the program's file would become descriptor 2.
    {"PlayFailingWithoutStandardError", "exec {irplay} -i key.ir 2>&-", badFile, badFile,
     "Play failed !\n"},
    {"PlayWithoutAnyStandardStream", "exec {irplay} -i key.ir <&- >&- 2>&-", badFile, badFile, ""},
    {"RecordWithoutStandardError", "exec {irrecord} -o key.ir 2>&-", "older\n", keyFile,
     "Record successfull !\n", {.receive = keyFile + "end\n"}},
    {"RecordFailingWithoutStandardError", "exec {irrecord} -o key.ir 2>&-", "older\n", "",
     "Record failed !\n", {.settings = {"OSTREL_DEVICE=nolirc"}}},
    // Standard error open onto the signal file itself.
    {"PlayFailingWithStandardErrorOnTheFile", "exec {irplay} -i key.ir 2<>key.ir", badFile,
     badFile, "Play failed !\n"},
    {"RecordFailingWithStandardErrorOnTheFile", "exec {irrecord} -o key.ir 2>>key.ir", "older\n",
     "", "Record failed !\n", {.settings = {"OSTREL_DEVICE=nolirc"}}},
};

void PrintTo(const StreamCase& c, std::ostream* out) { *out << c.name; }

class StandardStreams : public ::testing::TestWithParam<StreamCase> {};

TEST_P(StandardStreams, LeaveTheFileAsItShouldBe) {
    const StreamCase& c = GetParam();
    ScratchFolder scratch;
    writeFile(scratch / "key.ir", c.fileBefore);
    std::unique_ptr<TestDevice> device = makeDevice(scratch, c.device);
    std::string shell = c.shell;
    for (const char* program : {"irplay", "irrecord"}) {
        std::string placeholder = std::string("{") + program + "}";
        if (size_t at = shell.find(placeholder); at != std::string::npos) {
            std::string command;
            for (const std::string& word : programCommand(programPath(program))) {
                command += (command.empty() ? "" : " ") + word;
            }
            shell.replace(at, placeholder.size(), command);
        }
    }
    ChildResult run = device->run({"/bin/sh", "-c", shell});
    ASSERT_TRUE(run.exited) << run.standardError;
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.standardOutput, c.output);
    EXPECT_EQ(run.standardError, "");
    EXPECT_EQ(readFile(scratch / "key.ir"), device->recording(c.fileAfter));
}

INSTANTIATE_TEST_SUITE_P(Cases, StandardStreams, ::testing::ValuesIn(reproducible(streamCases)),
                         [](const ::testing::TestParamInfo<StreamCase>& caseInfo) {
                             return std::string(caseInfo.param.name);
                         });

}  // namespace
