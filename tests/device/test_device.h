// The LIRC device a table of device cases runs on: the emulated one (device_test) or
// the kernel's rc-loopback in the kernel VM (kernel_device_test). A case names the
// behaviour; each program links the device it runs the tables on, and runs the cases
// that device can reproduce.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/blackbox/child_process.h"
#include "tests/blackbox/scratch_folder.h"

struct DeviceSetup {
    // Settings of the emulator ("LIRC_EMULATOR_NAME=value") or of the library
    // ("OSTREL_DEVICE=..."), for the run's environment.
    std::vector<std::string> settings = {};
    // What the receiver hears during each run, as an emulator receive script; empty:
    // nothing arrives.
    std::string receive = {};
};

// A write the device took: when it began (CLOCK_MONOTONIC, microseconds, as the device
// tells it) and how many values it had.
struct WriteStart {
    int64_t microseconds = 0;
    size_t values = 0;
};

class TestDevice {
public:
    virtual ~TestDevice() = default;

    virtual std::string path() const = 0;
    // Runs a program of the build (irrecord, irplay) or any other command against the
    // device, in the scratch folder, with the real library, while the receiver hears
    // what the setup says. A signal can be sent to it a while after it started.
    virtual ChildResult run(std::vector<std::string> command, int signalToSend = 0,
                            int signalAfterMilliseconds = 0) = 0;
    // Runs a command that sends, so that what it sends is seen.
    virtual ChildResult play(std::vector<std::string> command) = 0;
    // What the device sent, a line a transmission:
    //   send carrier=38000 duty=33 mask=0x2 durations=900 450 900
    // less what this device cannot tell (observable()).
    virtual std::vector<std::string> transmissions() const = 0;
    // When the writes of transmissions() began.
    virtual std::vector<WriteStart> writeStarts() const = 0;
    // Lines of that form as this device tells them.
    virtual std::vector<std::string> observable(std::vector<std::string> lines) const { return lines; }
    // What a recording of a message holds, recorded on this device.
    virtual std::string recording(const std::string& recorded) const { return recorded; }
    // The device's settings now, and before the first run, in key=value lines, as far
    // as the device tells them.
    virtual std::string state() = 0;
    virtual std::string initialState() const = 0;
};

// The device of this program, for one case.
std::unique_ptr<TestDevice> makeDevice(const ScratchFolder& scratch, const DeviceSetup& setup);
// Whether this program's device can reproduce a case set up so.
bool reproduces(const DeviceSetup& setup);
// Whether it is the emulated device.
bool emulated();

// Only the cases of the table that this program's device can reproduce.
template <typename Case, size_t count>
std::vector<Case> reproducible(const Case (&cases)[count]) {
    std::vector<Case> kept;
    for (const Case& c : cases) {
        if ((c.onLoopback || emulated()) && reproduces(c.device)) {
            kept.push_back(c);
        }
    }
    return kept;
}

std::string programPath(const std::string& name);
// The text with every "{device}" replaced by the device's path.
std::string expand(std::string text, const std::string& device);

// Every file and folder below the folder, each file with its content (its size
// when over 1 MiB), those named in byNameOnly without it: what a run may
// touch only as the test checks it.
std::set<std::string> filesBelow(const std::string& folder,
                                 const std::set<std::string>& byNameOnly);

// The device's settings before any program changed them, as the emulator's state file
// holds them: other values than any driver's own, so that a program that puts back
// defaults instead of what it found is caught.
extern const char initialDeviceState[];
