// v4l-utils' ir-ctl, a real LIRC user, against the emulated device: what it reports,
// sends and receives must be what it would with the kernel's device.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/blackbox/child_process.h"
#include "tests/blackbox/scratch_folder.h"

namespace {

constexpr const char* kIrCtl = IR_CTL;

// ir-emulate starts the command with exec, so in a cross build the emulator
// must come first.
void append(std::vector<std::string>& command, const std::vector<std::string>& words) {
    command.insert(command.end(), words.begin(), words.end());
}

class IrCtl : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/lirc-emulator-irctl.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    std::string device() const { return path("lirc0"); }

    // ir-ctl with the emulator preloaded; `settings` are extra LIRC_EMULATOR_* entries.
    ChildResult irCtl(std::vector<std::string> arguments, std::vector<std::string> settings = {}) const {
        ChildLaunch launch;
        launch.command = {kIrCtl, "-d", device()};
        launch.command.insert(launch.command.end(), arguments.begin(), arguments.end());
        launch.setEnvironment = {std::string("LD_PRELOAD=") + LIRC_EMULATOR_LIBRARY,
                                 "LIRC_EMULATOR_DEVICE=" + device(), "LIRC_EMULATOR_LOG=" + path("log"),
                                 "LIRC_EMULATOR_STATE=" + path("state"), "LIRC_EMULATOR_NO_DELAY=1"};
        launch.setEnvironment.insert(launch.setEnvironment.end(), settings.begin(), settings.end());
        launch.unsetEnvironment = {"LIRC_EMULATOR_EMITTERS", "LIRC_EMULATOR_WITHOUT", "LIRC_EMULATOR_RECEIVE",
                                   "LIRC_EMULATOR_WRITE_ERROR"};
        launch.timeoutSeconds = 20;
        return runChild(launch);
    }

private:
    std::string folder_;
};

struct FeaturesCase {
    const char* name;
    const char* without;
    std::vector<const char*> present;
    std::vector<const char*> absent;
};

class IrCtlFeatures : public IrCtl, public ::testing::WithParamInterface<FeaturesCase> {};

TEST_P(IrCtlFeatures, ListsWhatTheDeviceCanDo) {
    ChildResult result = irCtl({"--features"}, {std::string("LIRC_EMULATOR_WITHOUT=") + GetParam().without});
    ASSERT_TRUE(result.exited && result.exitStatus == 0) << result.standardError;
    for (const char* line : GetParam().present) {
        EXPECT_NE(result.standardOutput.find(line), std::string::npos) << line << "\n" << result.standardOutput;
    }
    for (const char* line : GetParam().absent) {
        EXPECT_EQ(result.standardOutput.find(line), std::string::npos) << line << "\n" << result.standardOutput;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Emulator, IrCtlFeatures,
    ::testing::Values(
        FeaturesCase{"Everything",
                     "",
                     {" - Device can receive raw IR", " - Resolution 1 microseconds", " - Use wideband receiver",
                      " - Can measure carrier", " - Receiving timeout 125000 microseconds",
                      " - Set receive carrier",
                      " - Can set receiving timeout min 1 microseconds, max 16777215 microseconds",
                      " - Device can send raw IR", " - Set carrier", " - Set duty cycle",
                      " - Set transmitter (2 available)"},
                     {}},
        FeaturesCase{"ReceiveOnly", "send", {" - Device can receive raw IR", " - Device cannot send"},
                     {" - Set carrier", " - Set transmitter"}},
        FeaturesCase{"SendOnly", "receive", {" - Device can send raw IR"}, {" - Device can receive raw IR"}},
        FeaturesCase{"Reduced", "carrier,measure,timeout", {" - Set duty cycle"},
                     {" - Set carrier", " - Can measure carrier", " - Can set receiving timeout"}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

struct SendCase {
    const char* name;
    std::vector<std::string> arguments;
    std::vector<std::string> settings;
    const char* file;
    int exitStatus;
    std::vector<std::string> log;
};

class IrCtlSend : public IrCtl, public ::testing::WithParamInterface<SendCase> {};

TEST_P(IrCtlSend, TransmitsThroughTheDevice) {
    writeFile(path("signal"), GetParam().file);
    std::vector<std::string> arguments = GetParam().arguments;
    arguments.insert(arguments.end(), {"--send", path("signal")});
    ChildResult result = irCtl(arguments, GetParam().settings);
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.exitStatus, GetParam().exitStatus) << result.standardError;
    EXPECT_EQ(linesOf(readFile(path("log"))), GetParam().log);
}

const char* const kSignal = "pulse 900\nspace 450\npulse 900\n";
// rc-loopback starts with its first emitter chosen.
const std::string kSentLine = "send carrier=36000 duty=50 mask=0x1 durations=900 450 900";

INSTANTIATE_TEST_SUITE_P(
    Emulator, IrCtlSend,
    ::testing::Values(
        SendCase{"Plain", {}, {}, kSignal, 0, {kSentLine}},
        SendCase{"SecondEmitter", {"-e", "2"}, {}, kSignal, 0,
                 {"send carrier=36000 duty=50 mask=0x2 durations=900 450 900"}},
        SendCase{"BothEmitters", {"-e", "1,2"}, {}, kSignal, 0,
                 {"send carrier=36000 duty=50 mask=0x3 durations=900 450 900"}},
        SendCase{"Carrier", {"-c", "38000"}, {}, kSignal, 0,
                 {"send carrier=38000 duty=50 mask=0x1 durations=900 450 900"}},
        SendCase{"CarrierFromTheFile", {}, {}, "carrier 40000\npulse 900\nspace 450\npulse 900\n", 0,
                 {"send carrier=40000 duty=50 mask=0x1 durations=900 450 900"}},
        SendCase{"MergesAndTrims", {}, {}, "space 100\npulse 400\npulse 500\nspace 450\npulse 900\nspace 7\n", 0,
                 {kSentLine}},
        // ir-ctl warns that the device has only two emitters and sends on the old mask.
        SendCase{"EmitterBeyondTheDevice", {"-e", "3"}, {}, kSignal, 0, {kSentLine}},
        SendCase{"NoEmitterSelection", {"-e", "1"}, {"LIRC_EMULATOR_EMITTERS=0"}, kSignal, 0,
                 {"send carrier=36000 duty=50 mask=none durations=900 450 900"}},
        SendCase{"CannotSend", {}, {"LIRC_EMULATOR_WITHOUT=send"}, kSignal, 69, {}},
        SendCase{"DriverError", {}, {"LIRC_EMULATOR_WRITE_ERROR=EIO"}, kSignal, 74, {}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(IrCtl, WarnsOfAnEmitterTheDeviceLacks) {
    writeFile(path("signal"), kSignal);
    ChildResult result = irCtl({"-e", "3", "--send", path("signal")});
    EXPECT_NE(result.standardError.find("only 2 available"), std::string::npos) << result.standardError;
}

// The sample key press as ir-ctl writes it in mode2 form: every sample of the script but
// the timeout that ends the one-shot receive, and the carrier only when measuring.
std::vector<std::string> expectedMode2(bool measuring) {
    std::vector<std::string> lines;
    for (const std::string& line : linesOf(readFile(NEC_KEY_SCRIPT))) {
        bool sample = line.rfind("pulse ", 0) == 0 || line.rfind("space ", 0) == 0;
        bool carrier = line.rfind("carrier ", 0) == 0;
        if (sample || (carrier && measuring)) {
            lines.push_back(line);
        }
    }
    return lines;
}

struct ReceiveCase {
    const char* name;
    std::vector<std::string> arguments;
    bool measuring;
};

class IrCtlReceive : public IrCtl, public ::testing::WithParamInterface<ReceiveCase> {};

TEST_P(IrCtlReceive, WritesTheScriptedSamples) {
    std::vector<std::string> arguments = GetParam().arguments;
    arguments.insert(arguments.end(), {"--receive=" + path("out"), "--mode2", "--one-shot"});
    ChildResult result = irCtl(arguments, {std::string("LIRC_EMULATOR_RECEIVE=") + NEC_KEY_SCRIPT});
    ASSERT_TRUE(result.exited && result.exitStatus == 0) << result.standardError;
    EXPECT_EQ(linesOf(readFile(path("out"))), expectedMode2(GetParam().measuring));
}

INSTANTIATE_TEST_SUITE_P(Emulator, IrCtlReceive,
                         ::testing::Values(ReceiveCase{"Plain", {}, false},
                                           ReceiveCase{"MeasuringCarrier", {"-m"}, true}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(IrCtl, ShortReceiveTimeoutEndsTheReceiveSoonerAndStays) {
    writeFile(path("script"), "pulse 500\nend\n");
    ChildResult result = irCtl({"-t", "20000", "--receive=" + path("out"), "--mode2", "--one-shot"},
                               {"LIRC_EMULATOR_RECEIVE=" + path("script"),
                                "LIRC_EMULATOR_RECEIVE_LOG=" + path("receive.log")});
    ASSERT_TRUE(result.exited && result.exitStatus == 0) << result.standardError;
    EXPECT_EQ(readFile(path("out")), "pulse 500\n");
    // The timeout sample came 20 ms after the pulse, not after the default
    // 125 ms: timed by the emulator, whatever the time ir-ctl took to start.
    std::vector<std::string> received = linesOf(readFile(path("receive.log")));
    ASSERT_EQ(received.size(), 2u) << readFile(path("receive.log"));
    long long pulseReady = 0;
    long long timeoutReady = 0;
    ASSERT_EQ(sscanf(received[0].c_str(), "ready=%lld", &pulseReady), 1) << received[0];
    ASSERT_EQ(sscanf(received[1].c_str(), "ready=%lld", &timeoutReady), 1) << received[1];
    EXPECT_EQ(timeoutReady - pulseReady, 20000) << "waited for another timeout than the one set";
    EXPECT_NE(readFile(path("state")).find("rec_timeout=20000\n"), std::string::npos);
}

TEST_F(IrCtl, RunsUnderIrEmulate) {
    writeFile(path("signal"), kSignal);
    ChildLaunch launch;
    launch.command = {IR_EMULATE, "--device", device(), "--log", path("log"), "--state", path("state"),
                      "--emitters", "4", "--no-delay", "--"};
    append(launch.command, programCommand(kIrCtl));
    append(launch.command, {"-d", device(), "-e", "3", "--send", path("signal")});
    launch.unsetEnvironment = {"LD_PRELOAD", "LIRC_EMULATOR_WITHOUT", "LIRC_EMULATOR_RECEIVE",
                               "LIRC_EMULATOR_WRITE_ERROR"};
    ChildResult result = runChild(launch);
    ASSERT_TRUE(result.exited && result.exitStatus == 0) << result.standardError;
    EXPECT_EQ(linesOf(readFile(path("log"))),
              std::vector<std::string>{"send carrier=36000 duty=50 mask=0x4 durations=900 450 900"});
}

TEST_F(IrCtl, IrEmulateTakesTheLibraryFromItsOption) {
    ChildLaunch launch;
    launch.command = {IR_EMULATE, "--library", LIRC_EMULATOR_LIBRARY, "--device", device(), "--"};
    append(launch.command, programCommand(kIrCtl));
    append(launch.command, {"-d", device(), "--features"});
    ChildResult result = runChild(launch);
    ASSERT_TRUE(result.exited && result.exitStatus == 0) << result.standardError;
    EXPECT_NE(result.standardOutput.find("Device can send raw IR"), std::string::npos);
}

}  // namespace

int main(int argc, char** argv) {
    bool listing = false;
    for (int index = 1; index < argc; ++index) {
        listing = listing || strcmp(argv[index], "--gtest_list_tests") == 0;
    }
    if (!listing && access(kIrCtl, X_OK) != 0) {
        fprintf(stderr, "no ir-ctl at '%s' (Debian package v4l-utils; IRTOOLS_IR_CTL names another); skipping\n",
                kIrCtl);
        return 77;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
