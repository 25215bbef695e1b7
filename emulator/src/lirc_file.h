// One open file of the emulated LIRC device: the ioctls, read(2), write(2) and poll(2) of
// drivers/media/rc/lirc_dev.c on an rc-loopback-like raw IR device. Errors come back as
// negative errno values, as in the kernel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>
#include <sys/types.h>

#include "emulator/src/device_config.h"
#include "emulator/src/device_settings.h"
#include "emulator/src/receive_player.h"

namespace lirc_emulator {

// Limits of the kernel's LIRC transmit path.
constexpr size_t kMaxTransmitValues = 1024;       // LIRCBUF_SIZE
constexpr uint32_t kMaxTransmitDuration = 500000;  // IR_MAX_DURATION, for the whole signal

class LircFile {
public:
    LircFile(DeviceConfig config, int accessMode, int64_t openedAt);

    const DeviceConfig& config() const { return config_; }

    int ioctl(unsigned long request, void* argument);
    // `nonBlocking` is looked up on the fd at each call, as fcntl(F_SETFL) may change it.
    ssize_t read(void* buffer, size_t length, bool nonBlocking);
    ssize_t write(const void* buffer, size_t length);
    short pollEvents();
    // Samples the device's receiver got (rc-loopback's loop back), for this file's queue.
    void hear(const std::vector<uint32_t>& samples);
    int64_t nextEventAt();

    uint32_t features() const;

private:
    ReceiveConditions conditions(const DeviceSettings& settings) const;
    void advance();
    int handleIoctl(unsigned long request, uint32_t& value);

    DeviceConfig config_;
    int accessMode_;
    SettingsStore settings_;
    std::mutex mutex_;
    ReceivePlayer player_;
    uint32_t sendMode_;
    uint32_t recMode_;
    uint32_t receiveCarrierLow_ = 0;
};

}  // namespace lirc_emulator
