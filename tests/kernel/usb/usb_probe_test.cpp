// The emulator's driver profiles held against the kernel's own drivers on the fake USB
// transceivers (usb_model.h): one sequence of lirc_probe's steps on the LIRC device
// the driver makes of the model, and on the emulator with the profile of that driver;
// every step must return the same, errno and values included. Skipped outside the VM,
// and where vhci-hcd or the driver's module is missing.
#include <unistd.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/blackbox/child_process.h"
#include "tests/blackbox/scratch_folder.h"
#include "tests/kernel/usb/usbip_device.h"

namespace {

struct UsbProfile {
    const char* model;
    const char* module;
    std::vector<std::string> environment;  // the emulator's settings for the driver's device
};

void PrintTo(const UsbProfile& profile, std::ostream* out) { *out << profile.model; }

const UsbProfile profiles[] = {
    {"iguanair", "iguanair", {"LIRC_EMULATOR_PROFILE=iguanair"}},
    {"mceusb_0815", "mceusb", {"LIRC_EMULATOR_PROFILE=mceusb"}},
    {"mceusb_060c_OneEmitter", "mceusb", {"LIRC_EMULATOR_PROFILE=mceusb", "LIRC_EMULATOR_EMITTERS=1"}},
    {"redrat3", "redrat3", {"LIRC_EMULATOR_PROFILE=redrat3"}},
    {"streamzap", "streamzap", {"LIRC_EMULATOR_PROFILE=streamzap"}},
    {"ttusbir", "ttusbir", {"LIRC_EMULATOR_PROFILE=ttusbir"}},
};

// What the device is and has, the settings each driver takes and refuses (the
// receive timeout read back after each), what lirc_dev refuses of a write, and a
// signal each device takes.
const std::vector<std::string> steps = {
    "ioctl GET_FEATURES", "ioctl GET_SEND_MODE", "ioctl GET_REC_MODE", "ioctl GET_REC_RESOLUTION",
    "ioctl GET_MIN_TIMEOUT", "ioctl GET_MAX_TIMEOUT", "ioctl GET_REC_TIMEOUT",
    "ioctl SET_SEND_MODE 2", "ioctl SET_SEND_MODE 4", "ioctl SET_REC_MODE 4", "ioctl SET_REC_MODE 2",
    "ioctl SET_SEND_CARRIER 1", "ioctl SET_SEND_CARRIER 24999", "ioctl SET_SEND_CARRIER 150001",
    "ioctl SET_SEND_CARRIER 0", "ioctl SET_SEND_CARRIER 36000",
    "ioctl SET_SEND_DUTY_CYCLE 50",
    "ioctl SET_TRANSMITTER_MASK 4294967295", "ioctl SET_TRANSMITTER_MASK 16", "ioctl SET_TRANSMITTER_MASK 4",
    "ioctl SET_TRANSMITTER_MASK 2", "ioctl SET_TRANSMITTER_MASK 0", "ioctl SET_TRANSMITTER_MASK 1",
    "ioctl SET_REC_TIMEOUT 0", "ioctl SET_REC_TIMEOUT 49", "ioctl GET_REC_TIMEOUT",
    "ioctl SET_REC_TIMEOUT 20025", "ioctl GET_REC_TIMEOUT", "ioctl SET_REC_TIMEOUT 100000",
    "ioctl GET_REC_TIMEOUT", "ioctl SET_REC_TIMEOUT 2000001", "ioctl SET_REC_TIMEOUT_REPORTS 0",
    "ioctl SET_REC_CARRIER 40000", "ioctl SET_REC_CARRIER_RANGE 30000",
    "ioctl SET_MEASURE_CARRIER_MODE 1", "ioctl SET_MEASURE_CARRIER_MODE 0",
    "ioctl SET_WIDEBAND_RECEIVER 1", "ioctl SET_WIDEBAND_RECEIVER 0",
    "ioctl-null GET_FEATURES",
    "write-bytes 0", "write-bytes 6", "write 1 2", "write 500000 1 1", "write 100 0 100",
    "write 9000 4500 560", "read 4", "poll 0",
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

ChildResult probe(const std::string& device, std::vector<std::string> environment) {
    ChildLaunch launch;
    launch.command = {LIRC_PROBE, device};
    launch.command.insert(launch.command.end(), steps.begin(), steps.end());
    launch.setEnvironment = std::move(environment);
    launch.unsetEnvironment = {"LD_PRELOAD"};
    launch.timeoutSeconds = 60;
    return runChild(launch);
}

class ProfileOfUsbDriver : public ::testing::TestWithParam<UsbProfile> {};

TEST_P(ProfileOfUsbDriver, EmulatorAnswersAsTheDriver) {
    const UsbProfile& c = GetParam();
    if (getenv("IRTOOLS_KERNEL_VM") == nullptr) {
        GTEST_SKIP() << "runs in the kernel VM";
    }
    if (access(vhciAttach, W_OK) != 0 || access((std::string("/sys/module/") + c.module).c_str(), F_OK) != 0) {
        GTEST_SKIP() << "no vhci-hcd or no " << c.module << " module loaded";
    }
    for (int wait = 0; wait < 100 && !lircDevicesOnVhci().empty(); ++wait) {
        usleep(20000);
    }
    // Plugged anew for each: the sequence starts from the driver's own settings.
    UsbipDevice device(makeUsbModel(c.model));
    std::string why;
    ASSERT_TRUE(device.plug(0, why)) << why;

    ScratchFolder scratch;
    std::vector<std::string> emulator = c.environment;
    emulator.push_back("LD_PRELOAD=" EMULATOR_LIBRARY);
    emulator.push_back("LIRC_EMULATOR_DEVICE=" + (scratch / "lirc1"));
    ChildResult kernel = probe(device.lircPath(), {});
    ChildResult emulated = probe(scratch / "lirc1", emulator);
    ASSERT_TRUE(kernel.exited && kernel.exitStatus == 0) << kernel.standardError;
    ASSERT_TRUE(emulated.exited && emulated.exitStatus == 0) << emulated.standardError;
    std::vector<std::string> kernelLines = linesOf(kernel.standardOutput);
    std::vector<std::string> emulatorLines = linesOf(emulated.standardOutput);
    // A line for the first open, then one a step.
    ASSERT_EQ(kernelLines.size(), steps.size() + 1) << kernel.standardOutput;
    ASSERT_EQ(emulatorLines.size(), steps.size() + 1) << emulated.standardOutput;
    for (size_t i = 0; i < kernelLines.size(); ++i) {
        EXPECT_EQ(emulatorLines[i], kernelLines[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(Usb, ProfileOfUsbDriver, ::testing::ValuesIn(profiles),
                         [](const ::testing::TestParamInfo<UsbProfile>& each) { return std::string(each.param.model); });

}  // namespace
