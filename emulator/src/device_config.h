// What kind of device is emulated, read from the environment each time the device file is
// opened, so one process can open differently configured devices one after another.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lirc_emulator {

// Driver capabilities; LIRC_EMULATOR_WITHOUT removes them.
struct DeviceFeatures {
    bool send = true;        // tx_ir: write(2) and the send ioctls
    bool receive = true;     // raw receiver (RC_DRIVER_IR_RAW rather than RC_DRIVER_IR_RAW_TX)
    bool carrier = true;     // LIRC_SET_SEND_CARRIER
    bool duty = true;        // LIRC_SET_SEND_DUTY_CYCLE
    bool measure = true;     // LIRC_SET_MEASURE_CARRIER_MODE (needs a receiver)
    bool wideband = true;    // LIRC_SET_WIDEBAND_RECEIVER (needs a receiver)
    bool timeout = true;     // LIRC_SET_REC_TIMEOUT and its limits (needs a receiver)
    bool resolution = true;  // LIRC_GET_REC_RESOLUTION (needs a receiver)
};

struct DeviceConfig {
    std::string devicePath;
    unsigned emitters = 2;  // 0: no emitter selection
    DeviceFeatures features;
    std::string receiveScript;  // empty: nothing is ever received
    std::string logPath;        // empty: transmissions are not logged
    std::string sendTimesPath;  // empty: when transmissions began is not logged
    std::string receiveLogPath;  // empty: deliveries of received samples are not logged
    std::string statePath;      // empty: settings live in this process only
    std::optional<int> writeError;
    bool noDelay = false;
};

constexpr const char* kDefaultDevicePath = "/dev/lirc0";

// The emulated path alone, read on every open of any file.
std::string configuredDevicePath();

// The whole configuration; problems are reported on standard error and the defaults kept.
DeviceConfig readDeviceConfig();

// Bits of `features` that turn off; unknown names are returned in `unknown`.
DeviceFeatures featuresWithout(std::string_view list, std::string* unknown);

}  // namespace lirc_emulator
