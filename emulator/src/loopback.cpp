#include "emulator/src/loopback.h"

#include <cerrno>
#include <map>
#include <mutex>

#include "emulator/src/raw_event_path.h"

namespace lirc_emulator {

namespace {

constexpr uint32_t kNarrowband = 0x1;
constexpr uint32_t kWideband = 0x2;
constexpr uint32_t kLongestPulse = 50000;  // "simulate overflow if ridiculously long pulse was sent"

struct LoopbackDevice {
    RawEventPath raw;
    uint32_t lowestCarrier = 1;
    uint32_t highestCarrier = UINT32_MAX;
};

std::mutex& devicesMutex() {
    static std::mutex mutex;
    return mutex;
}

LoopbackDevice& deviceAt(const std::string& path) {
    static auto* devices = new std::map<std::string, LoopbackDevice>();  // lives to the end
    return (*devices)[path];
}

}  // namespace

std::vector<uint32_t> loopBack(const std::string& devicePath, std::span<const uint32_t> durations,
                               const DeviceSettings& settings, const Quirks& quirks, int64_t now) {
    std::lock_guard lock(devicesMutex());
    LoopbackDevice& device = deviceAt(devicePath);
    if (settings.carrier < device.lowestCarrier || settings.carrier > device.highestCarrier) {
        return {};
    }
    uint32_t receiver = settings.wideband ? kWideband : kNarrowband;
    if ((receiver & settings.transmitterMask) == 0) {
        return {};
    }
    RawEventPath& raw = device.raw;
    uint32_t timeout = settings.recTimeout;
    RawEvent event;
    for (size_t i = 0; i < durations.size(); ++i) {
        event.pulse = i % 2 == 0;
        event.duration = durations[i];
        if (event.pulse && event.duration > kLongestPulse) {
            raw.overflow();
        } else {
            raw.storeWithFilter(event, timeout);
        }
    }
    if (settings.measureCarrier) {
        event.pulse = false;
        event.carrierReport = true;
        event.duration = settings.carrier;
        raw.store(event);
    }
    // The faked silence reuses the event, whose carrier-report flag is still set when
    // carrier reports are on: the quirk. Without it, a plain silence.
    event.pulse = false;
    event.duration = timeout;
    if (!quirks.endAsCarrier) {
        event.carrierReport = false;
    }
    raw.storeWithFilter(event, timeout);
    return raw.samples(now);
}

int setLoopbackReceiveRange(const std::string& devicePath, uint32_t low, uint32_t high) {
    if (low < 1 || low > high) {
        return -EINVAL;
    }
    std::lock_guard lock(devicesMutex());
    LoopbackDevice& device = deviceAt(devicePath);
    device.lowestCarrier = low;
    device.highestCarrier = high;
    return 0;
}

}  // namespace lirc_emulator
