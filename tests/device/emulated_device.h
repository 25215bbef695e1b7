// A LIRC device emulated for one test: its path in the test's scratch folder,
// the emulator's settings, and what it sent and how it was left.
#pragma once

#include "tests/device/test_device.h"

class EmulatedDevice : public TestDevice {
public:
    EmulatedDevice(const ScratchFolder& scratch, const DeviceSetup& setup);

    std::string path() const override { return path_; }
    ChildResult run(std::vector<std::string> command, int signalToSend = 0,
                    int signalAfterMilliseconds = 0) override;
    ChildResult play(std::vector<std::string> command) override { return run(std::move(command)); }
    std::vector<std::string> transmissions() const override;
    std::vector<WriteStart> writeStarts() const override;
    std::string state() override;
    std::string initialState() const override { return initialDeviceState; }

private:
    const ScratchFolder& scratch_;
    std::string path_;
    std::vector<std::string> environment_;
};
