// The emulated device held against the kernel's: each sequence of operations runs in
// lirc_probe on rc-loopback (/dev/lirc0, reloaded for each sequence so that it starts
// as the driver sets it up) and on the emulator with rc-loopback's profile, its loop back
// and its quirks; what every step returned, errno and every sample word included, must
// be the same. Timings enter only as bounds: whether write(2) took the signal's
// duration, and a gap space only as being there.
#include <unistd.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/blackbox/child_process.h"
#include "tests/blackbox/scratch_folder.h"

namespace {

constexpr const char* kDevice = "/dev/lirc0";

struct Sequence {
    const char* name;
    std::vector<std::string> steps;
};

std::string tens(size_t count) {
    std::string values = "write";
    for (size_t i = 0; i < count; ++i) {
        values += " 10";
    }
    return values;
}

const Sequence sequences[] = {
    // What the device is and has at start.
    {"Features", {"ioctl GET_FEATURES", "ioctl GET_SEND_MODE", "ioctl GET_REC_MODE", "ioctl GET_REC_RESOLUTION",
                  "ioctl GET_MIN_TIMEOUT", "ioctl GET_MAX_TIMEOUT", "ioctl GET_REC_TIMEOUT"}},
    {"ModesPulseAndMode2Only", {"ioctl SET_SEND_MODE 2", "ioctl SET_SEND_MODE 4", "ioctl SET_SEND_MODE 6",
                                "ioctl SET_REC_MODE 4", "ioctl SET_REC_MODE 2", "ioctl GET_REC_MODE"}},
    {"Carrier", {"ioctl SET_SEND_CARRIER 1", "ioctl SET_SEND_CARRIER 38000", "ioctl SET_SEND_CARRIER 0",
                 "ioctl SET_SEND_CARRIER 4294967295"}},
    {"DutyCycle", {"ioctl SET_SEND_DUTY_CYCLE 0", "ioctl SET_SEND_DUTY_CYCLE 1", "ioctl SET_SEND_DUTY_CYCLE 99",
                   "ioctl SET_SEND_DUTY_CYCLE 100"}},
    {"TransmitterMask", {"ioctl SET_TRANSMITTER_MASK 4294967295", "ioctl SET_TRANSMITTER_MASK 4",
                         "ioctl SET_TRANSMITTER_MASK 3", "ioctl SET_TRANSMITTER_MASK 0",
                         "ioctl SET_TRANSMITTER_MASK 2"}},
    {"ReceiveTimeout", {"ioctl SET_REC_TIMEOUT 0", "ioctl SET_REC_TIMEOUT 1", "ioctl GET_REC_TIMEOUT",
                        "ioctl SET_REC_TIMEOUT 16777215", "ioctl SET_REC_TIMEOUT 16777216",
                        "ioctl GET_REC_TIMEOUT", "ioctl SET_REC_TIMEOUT_REPORTS 0"}},
    {"ReceiveCarrierRange", {"ioctl SET_REC_CARRIER 40000", "ioctl SET_REC_CARRIER_RANGE 0",
                             "ioctl SET_REC_CARRIER_RANGE 30000", "ioctl SET_REC_CARRIER 20000",
                             "ioctl SET_REC_CARRIER 0", "ioctl SET_REC_CARRIER 40000"}},
    {"ReceiverModes", {"ioctl SET_MEASURE_CARRIER_MODE 2", "ioctl SET_MEASURE_CARRIER_MODE 0",
                       "ioctl SET_WIDEBAND_RECEIVER 7", "ioctl SET_WIDEBAND_RECEIVER 0"}},
    {"NullArguments", {"ioctl-null GET_FEATURES", "ioctl-null SET_SEND_CARRIER", "ioctl-null GET_REC_TIMEOUT"}},

    // write(2): what lirc_dev refuses, and the wait for the signal.
    {"WritesRefused", {"write-bytes 0", "write-bytes 6", "write 1 2", "write 0", "write 500000 1 1",
                       "write 100 0 100", tens(1025)}},
    {"WritesTaken", {"write 499998 1 1", "write 100 100 100", "drain"}},

    // read(2) and poll(2) with and without samples.
    {"ReadsWithoutSamples", {"read-bytes 3", "read-bytes 6", "read 4", "poll 0", "poll 50",
                             "read-blocking 8 100"}},
    // rc-core hands what it heard to the readers from a thread of its own, sample by
    // sample, which a busy machine can run late: a poll with a timeout waits until it
    // has begun, and a sleep lets it finish before a read takes what is there.
    {"BlockingReadReturnsWhatIsReady", {"write 300", "poll 1000", "sleep 100", "read-blocking 1 200",
                                        "read-blocking 8 200", "poll 0"}},
    {"NonblockingOpen", {"open nonblock", "read 8", "write 300", "poll 1000", "sleep 100", "read 8",
                         "read 8"}},
    {"AccessModes", {"open rdonly", "write 500", "ioctl SET_SEND_CARRIER 36000", "open wronly", "read 4",
                     "write 500", "poll 1000"}},

    // What rc-loopback hears of what it sends.
    {"LoopBack", {"write 500 600 700", "drain", "write 800", "drain"}},
    {"GapSpaceAfterATimeout", {"write 300", "drain", "sleep 50", "write 300 400 500", "drain"}},
    {"CarrierReports", {"ioctl SET_MEASURE_CARRIER_MODE 1", "ioctl SET_SEND_CARRIER 38000", "write 500 600 700",
                        "drain", "write 500", "drain", "ioctl SET_REC_TIMEOUT 20000", "write 500 600 700", "drain",
                        "ioctl SET_MEASURE_CARRIER_MODE 0", "write 800", "drain"}},
    {"EmittersAndReceivers", {"ioctl SET_TRANSMITTER_MASK 2", "write 500", "drain", "ioctl SET_WIDEBAND_RECEIVER 1",
                              "write 500", "drain", "ioctl SET_TRANSMITTER_MASK 1", "write 500", "drain",
                              "ioctl SET_TRANSMITTER_MASK 3", "write 500", "drain", "ioctl SET_WIDEBAND_RECEIVER 0",
                              "write 500", "drain", "ioctl SET_TRANSMITTER_MASK 0", "write 500", "drain"}},
    {"CarrierOutsideTheReceiveRange", {"ioctl SET_SEND_CARRIER 0", "write 500", "drain",
                                       "ioctl SET_SEND_CARRIER 38000", "ioctl SET_REC_CARRIER_RANGE 39000",
                                       "ioctl SET_REC_CARRIER 41000", "write 500", "drain",
                                       "ioctl SET_REC_CARRIER_RANGE 30000", "write 500", "drain",
                                       "ioctl SET_REC_CARRIER_RANGE 1", "ioctl SET_REC_CARRIER 4294967295",
                                       "write 500", "drain"}},
    {"OverflowAndLongSpaces", {"write 900 450 60000", "drain", "write 60000 100 900", "drain",
                               "write 900 50000 900", "drain", "write 900 60000 900", "drain"}},
    {"LongestSignal", {tens(1023), "drain"}},
    {"EveryOpenFileHears", {"listener", "write 400", "drain", "drain-listener", "open nonblock", "write 500",
                            "drain-listener"}},

    // Unplugged: rc-loopback unloaded, the emulator's unplug file made.
    {"Unplugged", {"write 300", "unplug", "read 8", "poll 0", "ioctl GET_FEATURES", "write 300", "close",
                   "open"}},
};

void PrintTo(const Sequence& sequence, std::ostream* out) { *out << sequence.name; }

bool inKernelVm() { return getenv("IRTOOLS_KERNEL_VM") != nullptr; }

bool shell(const std::string& command) { return system(command.c_str()) == 0; }

// Loads rc-loopback afresh, so that it starts as its driver sets it up.
bool reloadLoopback() {
    shell("rmmod rc_loopback 2>/dev/null");
    if (!shell("modprobe rc-loopback")) {
        return false;
    }
    for (int tries = 0; tries < 200 && access(kDevice, F_OK) != 0; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return access(kDevice, F_OK) == 0;
}

ChildResult probe(const std::string& device, const std::vector<std::string>& steps,
                  std::vector<std::string> environment) {
    ChildLaunch launch;
    launch.command = {LIRC_PROBE, device};
    launch.command.insert(launch.command.end(), steps.begin(), steps.end());
    launch.setEnvironment = std::move(environment);
    launch.unsetEnvironment = {"LD_PRELOAD"};
    launch.timeoutSeconds = 60;
    return runChild(launch);
}

class Differential : public ::testing::TestWithParam<Sequence> {};

TEST_P(Differential, EmulatorAnswersAsTheKernel) {
    if (!inKernelVm()) {
        GTEST_SKIP() << "needs rc-loopback, in the kernel VM (kernel.boot)";
    }
    const Sequence& sequence = GetParam();
    ASSERT_TRUE(reloadLoopback()) << "cannot load rc-loopback";
    ScratchFolder scratch;
    // Both at once: neither touches the other's device.
    std::future<ChildResult> onEmulator = std::async(std::launch::async, [&] {
        return probe(scratch / "lirc0", sequence.steps,
                     {"LD_PRELOAD=" EMULATOR_LIBRARY, "LIRC_EMULATOR_DEVICE=" + (scratch / "lirc0"),
                      "LIRC_EMULATOR_LOOPBACK=1", "LIRC_EMULATOR_QUIRKS=end-as-carrier",
                      "LIRC_EMULATOR_UNPLUG=" + (scratch / "unplugged"),
                      "LIRC_PROBE_UNPLUG=touch " + (scratch / "unplugged")});
    });
    ChildResult kernel = probe(kDevice, sequence.steps, {"LIRC_PROBE_UNPLUG=rmmod rc_loopback"});
    ChildResult emulated = onEmulator.get();
    // Loaded again, for whatever runs next, after an unplug too.
    ASSERT_TRUE(reloadLoopback()) << "cannot load rc-loopback again";

    ASSERT_TRUE(kernel.exited && kernel.exitStatus == 0) << kernel.standardError;
    ASSERT_TRUE(emulated.exited && emulated.exitStatus == 0) << emulated.standardError;
    std::vector<std::string> kernelLines = linesOf(kernel.standardOutput);
    std::vector<std::string> emulatorLines = linesOf(emulated.standardOutput);
    ASSERT_EQ(emulatorLines.size(), kernelLines.size()) << "kernel:\n" << kernel.standardOutput
                                                        << "emulator:\n" << emulated.standardOutput;
    for (size_t i = 0; i < kernelLines.size(); ++i) {
        EXPECT_EQ(emulatorLines[i], kernelLines[i]) << "step " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(RcLoopback, Differential, ::testing::ValuesIn(sequences),
                         [](const ::testing::TestParamInfo<Sequence>& each) { return std::string(each.param.name); });

}  // namespace
