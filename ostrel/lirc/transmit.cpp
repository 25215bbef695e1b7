#include "ostrel/lirc/transmit.h"

#include <cerrno>
#include <ctime>
#include <vector>

#include <linux/lirc.h>

#include "ostrel/lirc/lirc_device.h"

namespace ostrel {

namespace {

std::string emitterCount(int count) {
    return std::to_string(count) + (count == 1 ? " emitter" : " emitters");
}

// Chooses the emitters of the port, or leaves the device as it is when it has no
// emitter selection. Asks the device first how many emitters it has without choosing
// any, so that a port it lacks fails before anything about the device has changed.
bool chooseEmitters(LircDevice& device, int32_t port, std::string& why) {
    if (!device.can(LIRC_CAN_SET_TRANSMITTER_MASK)) {
        // Without emitter selection the device sends on its own emitter, which
        // is port 1; it has no second one to choose.
        if (port > 1) {
            why = "port " + std::to_string(port) + " chosen, but " + device.path() +
                  " cannot choose among emitters";
            return false;
        }
        return true;
    }
    // A mask with every bit set names emitters the device lacks, so the
    // kernel answers with their number instead of taking it; 0 means all 32
    // exist, and are now chosen.
    int count = device.request(LIRC_SET_TRANSMITTER_MASK, ~0u, "cannot count emitters", why);
    if (count < 0) {
        return false;
    }
    if (count == 0) {
        count = 32;
    }
    if (port > count) {
        why = "port " + std::to_string(port) + " chosen, but " + device.path() + " has " +
              emitterCount(count);
        return false;
    }
    if (port != allEmitters) {
        return device.set(LIRC_SET_TRANSMITTER_MASK, 1u << (port - 1), "cannot choose emitters", why);
    }
    uint32_t every = count >= 32 ? ~0u : (1u << count) - 1;
    int result = device.request(LIRC_SET_TRANSMITTER_MASK, every, "cannot choose emitters", why);
    if (result < 0 && errno == EINVAL && count > 1) {
        // A device that drives one emitter at a time (winbond-cir) refuses them
        // all together: port 0 sends on the first.
        return device.set(LIRC_SET_TRANSMITTER_MASK, 1u, "cannot choose emitters", why);
    }
    if (result > 0) {
        why = device.path() + ": cannot choose emitters: unexpected result " + std::to_string(result);
        return false;
    }
    return result == 0;
}

timespec monotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

bool before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

timespec later(timespec moment, uint64_t microseconds) {
    uint64_t nanoseconds = static_cast<uint64_t>(moment.tv_nsec) + microseconds % 1000000 * 1000;
    moment.tv_sec += static_cast<time_t>(microseconds / 1000000 + nanoseconds / 1000000000);
    moment.tv_nsec = static_cast<long>(nanoseconds % 1000000000);
    return moment;
}

// A sleep ends up to a timer slack (50 us by default) and a wake-up late, so
// the sleep ends this much early and the rest is waited on the clock.
constexpr uint64_t wakeUpMarginMicroseconds = 300;

// Waits until the monotonic clock reads moment, through signals.
void waitUntil(const timespec& moment) {
    timespec early = moment;
    early.tv_nsec -= static_cast<long>(wakeUpMarginMicroseconds * 1000);
    if (early.tv_nsec < 0) {
        early.tv_nsec += 1000000000;
        early.tv_sec -= 1;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &early, nullptr) == EINTR) {
    }
    while (before(monotonicNow(), moment)) {
    }
}

// Sends one write and waits out the gap after it, timed from when the write
// began. errno tells why a send failed.
bool sendWrite(LircDevice& device, const std::vector<uint32_t>& durations, const PlannedWrite& write,
               std::string& why) {
    timespec began = monotonicNow();
    if (!device.send(durations.data() + write.first, write.count, why)) {
        return false;
    }
    if (write.gapAfter != 0) {
        waitUntil(later(began, write.microseconds + write.gapAfter));
    }
    return true;
}

}  // namespace

bool transmit(const std::string& devicePath, const Transmission& transmission, std::string& why) {
    LircDevice device;
    if (!device.open(devicePath, false, why)) {
        return false;
    }
    if (!device.can(LIRC_CAN_SEND_PULSE)) {
        why = devicePath + ": the device cannot send";
        return false;
    }
    if (!device.set(LIRC_SET_SEND_MODE, LIRC_MODE_PULSE, "cannot set pulse mode", why)) {
        return false;
    }
    bool withoutCarrier = transmission.carrier == unmodulated;
    if (withoutCarrier && !device.can(LIRC_CAN_SET_SEND_CARRIER)) {
        why = devicePath + ": cannot send an unmodulated signal: the device cannot set its carrier";
        return false;
    }
    // The emitters first: no other setting changes before the device has taken them.
    if (!chooseEmitters(device, transmission.port, why)) {
        return false;
    }
    if (device.can(LIRC_CAN_SET_SEND_CARRIER) &&
        !device.set(LIRC_SET_SEND_CARRIER, transmission.carrier,
                    withoutCarrier ? "cannot send an unmodulated signal (carrier 0)"
                                : "cannot set the carrier",
                    why)) {
        return false;
    }
    if (transmission.dutyCycle && device.can(LIRC_CAN_SET_SEND_DUTY_CYCLE) &&
        !device.set(LIRC_SET_SEND_DUTY_CYCLE, *transmission.dutyCycle, "cannot set the duty cycle",
                    why)) {
        return false;
    }
    for (const PlannedWrite& write : transmission.writes) {
        if (sendWrite(device, transmission.durations, write, why)) {
            continue;
        }
        // A driver refuses with EINVAL, before sending anything, a write it
        // cannot encode into the device's buffer (iguanair's 150 bytes of
        // carrier periods take one NEC frame, not two with the gap between
        // them): the write's frames then go one write each, the gaps between
        // them timed as the sender times any gap. A single frame refused stays
        // refused.
        if (errno != EINVAL) {
            return false;
        }
        std::vector<PlannedWrite> frames = framesOf(transmission.durations, write);
        if (frames.size() == 1) {
            return false;
        }
        for (const PlannedWrite& frame : frames) {
            if (!sendWrite(device, transmission.durations, frame, why)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace ostrel
