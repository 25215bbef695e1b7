// liblirc-emulator.so: an emulated LIRC device (/dev/lircN) for machines without IR
// hardware. Preloaded (LD_PRELOAD), it answers open, stat, ioctl, read, write, poll and
// close on one path as the kernel's lirc_dev.c does for an rc-loopback-like raw IR device,
// and hands every other path and fd to the C library. It never writes to standard output.
//
// Configuration, read from the environment at each open of the device:
//   LIRC_EMULATOR_DEVICE       the emulated path (default /dev/lirc0); it need not exist
//   LIRC_EMULATOR_PROFILE      the driver whose device it is (driver_profiles.h; default
//                              rc-loopback)
//   LIRC_EMULATOR_EMITTERS     emitters, 0..32 (default: the driver's); 0: no emitter selection
//   LIRC_EMULATOR_WITHOUT      comma-separated capabilities the device lacks: send, receive,
//                              carrier, duty, measure, wideband, timeout, resolution,
//                              receive-carrier
//   LIRC_EMULATOR_LOOPBACK=1   what is sent comes back as rc-loopback receives it, to the
//                              device's open files in this process
//   LIRC_EMULATOR_QUIRKS       comma-separated quirks of rc-loopback to have: end-as-carrier
//                              (device_config.h)
//   LIRC_EMULATOR_RECEIVE      a receive script (see receive_script.h), played into each
//                              open file from the moment it is opened
//   LIRC_EMULATOR_LOG          a file that gets one line per transmission write(2) accepted:
//                              send carrier=36000 duty=50 mask=0x3 durations=900 450 900
//   LIRC_EMULATOR_SEND_TIMES   a file that gets one line per transmission write(2) accepted,
//                              with when it began (CLOCK_MONOTONIC, us) and how long it lasts:
//                              start=1234567890 values=3 us=2250
//   LIRC_EMULATOR_RECEIVE_LOG  a file that gets one line per received sample the program
//                              was handed, with when it became ready and when it was queued:
//                              ready=1234567890 queued=1234567912 timeout 20000
//   LIRC_EMULATOR_STATE        a file keeping the device's settings across opens and
//                              processes (carrier, duty_cycle, transmitter_mask, rec_timeout,
//                              measure_carrier, wideband as key=value lines); without it they
//                              last as long as the process
//   LIRC_EMULATOR_UNPLUG       a file whose appearance unplugs the device: its open files
//                              fail with ENODEV, and opening it fails with ENOENT
//   LIRC_EMULATOR_WRITE_ERROR  an errno name (EIO, EINTR, ENODEV, ...): write(2) of a valid
//                              signal fails with it and nothing is logged
//   LIRC_EMULATOR_NO_DELAY=1   write(2) returns without waiting for the signal's duration
#include "emulator/src/device_config.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

#include "emulator/src/diagnostics.h"
#include "emulator/src/errno_names.h"

namespace lirc_emulator {

namespace {

std::string environment(const char* name) {
    const char* value = getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// Calls `each` with every non-empty, trimmed name of a comma-separated list.
template <typename Each>
void forEachName(std::string_view list, Each each) {
    while (!list.empty()) {
        size_t comma = list.find(',');
        std::string_view name = trimmed(list.substr(0, comma));
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        if (!name.empty()) {
            each(name);
        }
    }
}

void addUnknown(std::string* unknown, std::string_view name) {
    if (unknown != nullptr) {
        if (!unknown->empty()) {
            *unknown += ',';
        }
        *unknown += name;
    }
}

}  // namespace

std::string configuredDevicePath() {
    std::string path = environment("LIRC_EMULATOR_DEVICE");
    return path.empty() ? std::string(kDefaultDevicePath) : path;
}

Quirks quirksNamed(std::string_view list, std::string* unknown) {
    Quirks quirks;
    forEachName(list, [&](std::string_view name) {
        if (name == "end-as-carrier") {
            quirks.endAsCarrier = true;
        } else {
            addUnknown(unknown, name);
        }
    });
    return quirks;
}

DeviceFeatures featuresWithout(DeviceFeatures features, std::string_view list, std::string* unknown) {
    forEachName(list, [&](std::string_view name) {
        if (name == "send") {
            features.send = false;
        } else if (name == "receive") {
            features.receive = false;
        } else if (name == "carrier") {
            features.carrier = false;
        } else if (name == "duty") {
            features.duty = false;
        } else if (name == "measure") {
            features.measure = false;
        } else if (name == "wideband") {
            features.wideband = false;
        } else if (name == "timeout") {
            features.timeout = false;
        } else if (name == "resolution") {
            features.resolution = false;
        } else if (name == "receive-carrier") {
            features.receiveCarrier = false;
        } else {
            addUnknown(unknown, name);
        }
    });
    return features;
}

DeviceConfig readDeviceConfig() {
    DeviceConfig config;
    config.devicePath = configuredDevicePath();

    std::string profile = environment("LIRC_EMULATOR_PROFILE");
    if (!profile.empty()) {
        if (const DriverProfile* found = findProfile(profile)) {
            config.profile = found;
        } else {
            warn("LIRC_EMULATOR_PROFILE=%s is no driver the emulator knows; using %s", profile.c_str(),
                 std::string(defaultProfile().name).c_str());
        }
    }
    config.emitters = config.profile->emitters;

    std::string emitters = environment("LIRC_EMULATOR_EMITTERS");
    if (!emitters.empty()) {
        unsigned value = 0;
        auto [end, error] = std::from_chars(emitters.data(), emitters.data() + emitters.size(), value);
        if (error != std::errc{} || end != emitters.data() + emitters.size() || value > 32) {
            warn("LIRC_EMULATOR_EMITTERS=%s is not a number 0..32; using %u", emitters.c_str(),
                 config.emitters);
        } else {
            config.emitters = value;
        }
    }

    std::string unknown;
    config.features = featuresWithout(config.profile->features, environment("LIRC_EMULATOR_WITHOUT"),
                                      &unknown);
    if (!unknown.empty()) {
        warn("LIRC_EMULATOR_WITHOUT: unknown feature(s) %s", unknown.c_str());
    }
    unknown.clear();
    config.quirks = quirksNamed(environment("LIRC_EMULATOR_QUIRKS"), &unknown);
    if (!unknown.empty()) {
        warn("LIRC_EMULATOR_QUIRKS: unknown quirk(s) %s", unknown.c_str());
    }
    config.loopback = environment("LIRC_EMULATOR_LOOPBACK") == "1";

    config.receiveScript = environment("LIRC_EMULATOR_RECEIVE");
    config.logPath = environment("LIRC_EMULATOR_LOG");
    config.sendTimesPath = environment("LIRC_EMULATOR_SEND_TIMES");
    config.receiveLogPath = environment("LIRC_EMULATOR_RECEIVE_LOG");
    config.statePath = environment("LIRC_EMULATOR_STATE");
    config.unplugPath = environment("LIRC_EMULATOR_UNPLUG");

    std::string writeError = environment("LIRC_EMULATOR_WRITE_ERROR");
    if (!writeError.empty()) {
        config.writeError = errnoFromName(writeError);
        if (!config.writeError) {
            warn("LIRC_EMULATOR_WRITE_ERROR=%s is not an errno name; using EIO", writeError.c_str());
            config.writeError = errnoFromName("EIO");
        }
    }

    config.noDelay = environment("LIRC_EMULATOR_NO_DELAY") == "1";
    return config;
}

}  // namespace lirc_emulator
