#include "emulated_device.h"

#include <filesystem>

EmulatedDevice::EmulatedDevice(const ScratchFolder& scratch, const DeviceSetup& setup)
    : scratch_(scratch), path_(scratch / "lirc0") {
    // Settings other than the emulator's defaults, so that a program that
    // puts back defaults instead of what it found is caught.
    writeFile(scratch / "device.state", initialDeviceState);
    environment_ = {
        "LD_PRELOAD=" EMULATOR_LIBRARY,
        "LIRC_EMULATOR_DEVICE=" + path_,
        "LIRC_EMULATOR_LOG=" + (scratch / "sent.log"),
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
                                int signalAfterMilliseconds) const {
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

std::string EmulatedDevice::state() const { return readFile(scratch_ / "device.state"); }

std::string programPath(const std::string& name) { return std::string(PROGRAMS_FOLDER "/") + name; }

std::set<std::string> filesBelow(const std::string& folder,
                                 const std::set<std::string>& byNameOnly) {
    namespace fs = std::filesystem;
    std::set<std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        std::string name = fs::relative(entry.path(), folder).string();
        if (!entry.is_regular_file() || byNameOnly.count(name) != 0) {
            files.insert(name);
        } else if (entry.file_size() <= (1u << 20)) {
            files.insert(name + " = " + readFile(entry.path().string()));
        } else {
            files.insert(name + " of " + std::to_string(entry.file_size()) + " bytes");
        }
    }
    return files;
}

const char initialDeviceState[] =
    "carrier=40000\n"
    "duty_cycle=33\n"
    "transmitter_mask=0x1\n"
    "rec_timeout=100000\n"
    "measure_carrier=0\n"
    "wideband=0\n";

std::string expand(std::string text, const std::string& device) {
    for (size_t at; (at = text.find("{device}")) != std::string::npos;) {
        text.replace(at, 8, device);
    }
    return text;
}
