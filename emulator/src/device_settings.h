// The device's own settings, which outlast the open file (and, through a state file, the
// process): what a program changes here it must put back itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "emulator/src/driver_profiles.h"

namespace lirc_emulator {

struct DeviceSettings {
    uint32_t carrier = 36000;
    uint32_t dutyCycle = 50;
    uint32_t transmitterMask = 0x3;
    uint32_t recTimeout = 125000;  // microseconds
    bool measureCarrier = false;
    bool wideband = false;

    bool operator==(const DeviceSettings&) const = default;
};

// The driver's settings when it starts, on a device of that many emitters.
DeviceSettings defaultSettings(const DriverProfile& profile, unsigned emitters);

// The mask that names every one of that many emitters.
uint32_t everyEmitter(unsigned emitters);

// key=value lines: carrier, duty_cycle, transmitter_mask (hex), rec_timeout,
// measure_carrier, wideband.
std::string formatSettings(const DeviceSettings& settings);

// Keys missing or unreadable in `text` keep their value from `defaults`.
DeviceSettings parseSettings(std::string_view text, const DeviceSettings& defaults);

// Where the settings live: the state file when there is one (read and rewritten under
// flock(2), so processes sharing it see each other's changes), else process memory keyed
// by the device path.
class SettingsStore {
public:
    SettingsStore(std::string statePath, std::string devicePath, DeviceSettings defaults);

    DeviceSettings load() const;
    void update(const std::function<void(DeviceSettings&)>& change) const;

private:
    std::string statePath_;
    std::string devicePath_;
    DeviceSettings defaults_;
};

}  // namespace lirc_emulator
