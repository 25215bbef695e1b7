// What kind of device is emulated, read from the environment each time the device file is
// opened, so one process can open differently configured devices one after another.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "emulator/src/driver_profiles.h"

namespace lirc_emulator {

// Behaviour of rc-loopback in Linux 6.1 that no receiver of real IR has; each is off
// unless LIRC_EMULATOR_QUIRKS names it.
struct Quirks {
    // With carrier reports on, the event that ends a message (rc-loopback's faked
    // silence, or a script's `end`) reaches the reader as a LIRC_MODE2_FREQUENCY sample
    // of the receive timeout's value instead of a timeout sample: loop_tx_ir reuses its
    // carrier-report event, whose carrier shares a union with the duration.
    bool endAsCarrier = false;
};

struct DeviceConfig {
    std::string devicePath;
    const DriverProfile* profile = &defaultProfile();
    unsigned emitters = 2;  // 0: no emitter selection
    DeviceFeatures features;
    // What is sent comes back to the open files of this process as rc-loopback
    // receives it.
    bool loopback = false;
    Quirks quirks;
    std::string receiveScript;  // empty: nothing is ever received
    std::string logPath;        // empty: transmissions are not logged
    std::string sendTimesPath;  // empty: when transmissions began is not logged
    std::string receiveLogPath;  // empty: deliveries of received samples are not logged
    std::string statePath;      // empty: settings live in this process only
    std::string unplugPath;     // once this file exists, the device is gone
    std::optional<int> writeError;
    bool noDelay = false;
};

constexpr const char* kDefaultDevicePath = "/dev/lirc0";

// The emulated path alone, read on every open of any file.
std::string configuredDevicePath();

// The whole configuration; problems are reported on standard error and the defaults kept.
DeviceConfig readDeviceConfig();

// `features` less the comma-separated capabilities in `list`; unknown names are
// returned in `unknown`.
DeviceFeatures featuresWithout(DeviceFeatures features, std::string_view list, std::string* unknown);

// The quirks named in the comma-separated `list`; unknown names are returned in `unknown`.
Quirks quirksNamed(std::string_view list, std::string* unknown);

}  // namespace lirc_emulator
