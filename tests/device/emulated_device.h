// A LIRC device emulated for one test: its path in the test's scratch folder,
// the emulator's settings, and what it sent and how it was left.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "child_process.h"
#include "scratch_folder.h"

struct DeviceSetup {
    std::vector<std::string> settings = {};  // LIRC_EMULATOR_* entries, "NAME=value"
    std::string receive = {};  // the receive script; empty: nothing arrives
};

class EmulatedDevice {
public:
    EmulatedDevice(const ScratchFolder& scratch, const DeviceSetup& setup);

    std::string path() const { return path_; }
    // Runs a program of the build (irplay, irrecord) or any other command
    // against the device, in the scratch folder, with the real library.
    // A signal can be sent to it a while after it started.
    ChildResult run(std::vector<std::string> command, int signalToSend = 0,
                    int signalAfterMilliseconds = 0) const;
    std::vector<std::string> transmissions() const;
    std::string state() const;

private:
    const ScratchFolder& scratch_;
    std::string path_;
    std::vector<std::string> environment_;
};

std::string programPath(const std::string& name);
// The text with every "{device}" replaced by the device's path.
std::string expand(std::string text, const std::string& device);

// Every file and folder below the folder, each file with its content (its size
// when over 1 MiB), those named in byNameOnly without it: what a run may
// touch only as the test checks it.
std::set<std::string> filesBelow(const std::string& folder,
                                 const std::set<std::string>& byNameOnly);

// The device's settings before any program changed them, as the state file holds them.
extern const char initialDeviceState[];
