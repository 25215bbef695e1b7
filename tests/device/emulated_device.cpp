#include "tests/device/emulated_device.h"

#include <cstdio>

EmulatedDevice::EmulatedDevice(const ScratchFolder& scratch, const DeviceSetup& setup)
    : scratch_(scratch), path_(scratch / "lirc0") {
    writeFile(scratch / "device.state", initialDeviceState);
    environment_ = {
        "LD_PRELOAD=" EMULATOR_LIBRARY,
        "LIRC_EMULATOR_DEVICE=" + path_,
        "LIRC_EMULATOR_LOG=" + (scratch / "sent.log"),
        "LIRC_EMULATOR_SEND_TIMES=" + (scratch / "sent.times"),
        "LIRC_EMULATOR_STATE=" + (scratch / "device.state"),
        "LIRC_EMULATOR_NO_DELAY=1",
        "OSTREL_DEVICE=" + path_,
    };
    if (!setup.receive.empty()) {
        writeFile(scratch / "receive.script", setup.receive);
        environment_.push_back("LIRC_EMULATOR_RECEIVE=" + (scratch / "receive.script"));
    }
    environment_.insert(environment_.end(), setup.settings.begin(), setup.settings.end());
}

ChildResult EmulatedDevice::run(std::vector<std::string> command, int signalToSend,
                                int signalAfterMilliseconds) {
    ChildLaunch launch;
    launch.command = std::move(command);
    launch.workingFolder = scratch_.path();
    launch.setEnvironment = environment_;
    launch.unsetEnvironment = {"LD_LIBRARY_PATH"};
    launch.timeoutSeconds = 40;
    launch.signalToSend = signalToSend;
    launch.signalAfterMilliseconds = signalAfterMilliseconds;
    return runChild(launch);
}

std::vector<std::string> EmulatedDevice::transmissions() const {
    return linesOf(readFile(scratch_ / "sent.log"));
}

std::vector<WriteStart> EmulatedDevice::writeStarts() const {
    std::vector<WriteStart> starts;
    for (const std::string& line : linesOf(readFile(scratch_ / "sent.times"))) {
        long long start = 0;
        size_t values = 0;
        if (sscanf(line.c_str(), "start=%lld values=%zu", &start, &values) == 2) {
            starts.push_back({start, values});
        }
    }
    return starts;
}

std::string EmulatedDevice::state() { return readFile(scratch_ / "device.state"); }

std::unique_ptr<TestDevice> makeDevice(const ScratchFolder& scratch, const DeviceSetup& setup) {
    return std::make_unique<EmulatedDevice>(scratch, setup);
}

bool reproduces(const DeviceSetup&) { return true; }

bool emulated() { return true; }

