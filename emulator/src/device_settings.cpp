#include "emulator/src/device_settings.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "emulator/src/diagnostics.h"
#include "emulator/src/file_io.h"
#include "emulator/src/real_libc.h"

namespace lirc_emulator {

uint32_t everyEmitter(unsigned emitters) {
    return emitters >= 32 ? 0xffffffffu : (1u << emitters) - 1u;
}

DeviceSettings defaultSettings(const DriverProfile& profile, unsigned emitters) {
    DeviceSettings settings;
    settings.carrier = profile.carrier;
    settings.dutyCycle = profile.dutyCycle;
    settings.transmitterMask = profile.transmitterMask & everyEmitter(emitters);
    settings.recTimeout = profile.timeout;
    return settings;
}

std::string formatSettings(const DeviceSettings& settings) {
    char text[256];
    snprintf(text, sizeof text,
             "carrier=%u\nduty_cycle=%u\ntransmitter_mask=0x%x\nrec_timeout=%u\n"
             "measure_carrier=%d\nwideband=%d\n",
             settings.carrier, settings.dutyCycle, settings.transmitterMask, settings.recTimeout,
             settings.measureCarrier ? 1 : 0, settings.wideband ? 1 : 0);
    return text;
}

DeviceSettings parseSettings(std::string_view text, const DeviceSettings& defaults) {
    DeviceSettings settings = defaults;
    while (!text.empty()) {
        size_t newline = text.find('\n');
        std::string line(text.substr(0, newline));
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        std::string key = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        char* end = nullptr;
        unsigned long number = strtoul(value.c_str(), &end, 0);
        if (end == value.c_str() || number > 0xffffffffUL) {
            continue;
        }
        auto value32 = static_cast<uint32_t>(number);
        if (key == "carrier") {
            settings.carrier = value32;
        } else if (key == "duty_cycle") {
            settings.dutyCycle = value32;
        } else if (key == "transmitter_mask") {
            settings.transmitterMask = value32;
        } else if (key == "rec_timeout") {
            settings.recTimeout = value32;
        } else if (key == "measure_carrier") {
            settings.measureCarrier = value32 != 0;
        } else if (key == "wideband") {
            settings.wideband = value32 != 0;
        }
    }
    return settings;
}

namespace {

std::mutex& memoryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<std::string, DeviceSettings>& memorySettings() {
    static auto* settings = new std::map<std::string, DeviceSettings>();  // lives to the end
    return *settings;
}

// The state file, open and locked; created with the defaults when missing or empty.
class LockedStateFile {
public:
    LockedStateFile(const std::string& path, int lockKind) {
        fd_ = realLibc().open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0) {
            warn("cannot open state file %s; settings are kept in memory", path.c_str());
            return;
        }
        while (flock(fd_, lockKind) != 0 && errno == EINTR) {
        }
    }
    ~LockedStateFile() {
        if (fd_ >= 0) {
            realLibc().close(fd_);  // also releases the lock
        }
    }
    LockedStateFile(const LockedStateFile&) = delete;
    LockedStateFile& operator=(const LockedStateFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }

    std::string contents() const {
        lseek(fd_, 0, SEEK_SET);
        return readAll(fd_);
    }

    void replace(const std::string& text) const {
        lseek(fd_, 0, SEEK_SET);
        if (ftruncate(fd_, 0) != 0 || !writeAll(fd_, text)) {
            warn("cannot write the state file");
        }
    }

private:
    int fd_ = -1;
};

}  // namespace

SettingsStore::SettingsStore(std::string statePath, std::string devicePath, DeviceSettings defaults)
    : statePath_(std::move(statePath)), devicePath_(std::move(devicePath)), defaults_(defaults) {
    if (!statePath_.empty()) {
        LockedStateFile file(statePath_, LOCK_EX);
        if (file.isOpen() && file.contents().empty()) {
            file.replace(formatSettings(defaults_));
        }
    }
}

DeviceSettings SettingsStore::load() const {
    if (!statePath_.empty()) {
        LockedStateFile file(statePath_, LOCK_SH);
        if (file.isOpen()) {
            return parseSettings(file.contents(), defaults_);
        }
    }
    std::lock_guard lock(memoryMutex());
    return memorySettings().try_emplace(devicePath_, defaults_).first->second;
}

void SettingsStore::update(const std::function<void(DeviceSettings&)>& change) const {
    if (!statePath_.empty()) {
        LockedStateFile file(statePath_, LOCK_EX);
        if (file.isOpen()) {
            DeviceSettings settings = parseSettings(file.contents(), defaults_);
            change(settings);
            file.replace(formatSettings(settings));
            return;
        }
    }
    std::lock_guard lock(memoryMutex());
    change(memorySettings().try_emplace(devicePath_, defaults_).first->second);
}

}  // namespace lirc_emulator
