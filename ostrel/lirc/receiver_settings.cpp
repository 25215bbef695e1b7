#include "receiver_settings.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <string>

#include <linux/lirc.h>
#include <sys/ioctl.h>

namespace ostrel {

namespace {

// What a signal handler needs to put the device back; plain values only, so
// that the handler does nothing but async-signal-safe ioctls.
struct PendingRestore {
    volatile sig_atomic_t active = 0;
    int descriptor = -1;
    bool timeoutChanged = false;
    uint32_t timeout = 0;
    bool carrierReportsChanged = false;
};
PendingRestore pending;

constexpr int stoppingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
struct sigaction previousActions[std::size(stoppingSignals)];
bool installed[std::size(stoppingSignals)];

// False when the device was gone (ENODEV) for a setting: the open file takes
// no more requests, though the device behind the path may.
bool putBack() {
    bool reached = true;
    if (pending.timeoutChanged) {
        uint32_t value = pending.timeout;
        if (ioctl(pending.descriptor, LIRC_SET_REC_TIMEOUT, &value) != 0 && errno == ENODEV) {
            reached = false;
        }
    }
    if (pending.carrierReportsChanged) {
        // The kernel has no request that reads this setting; off is its
        // default, and what a device has unless a program left it on.
        uint32_t off = 0;
        if (ioctl(pending.descriptor, LIRC_SET_MEASURE_CARRIER_MODE, &off) != 0 &&
            errno == ENODEV) {
            reached = false;
        }
    }
    return reached;
}

void restoreAndStop(int signalNumber) {
    if (pending.active) {
        putBack();
        pending.active = 0;
    }
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

void guardAgainstStopping() {
    for (size_t i = 0; i < std::size(stoppingSignals); ++i) {
        installed[i] = false;
        struct sigaction current {};
        // A handler the program set up stays in charge.
        if (sigaction(stoppingSignals[i], nullptr, &current) != 0 || current.sa_handler != SIG_DFL) {
            continue;
        }
        struct sigaction ours {};
        ours.sa_handler = restoreAndStop;
        sigemptyset(&ours.sa_mask);
        ours.sa_flags = SA_RESTART;
        installed[i] = sigaction(stoppingSignals[i], &ours, &previousActions[i]) == 0;
    }
}

void stopGuarding() {
    for (size_t i = 0; i < std::size(stoppingSignals); ++i) {
        if (installed[i]) {
            sigaction(stoppingSignals[i], &previousActions[i], nullptr);
        }
    }
}

}  // namespace

ReceiverSettings::ReceiverSettings(LircDevice& device) : device_(device) {
    std::string ignored;  // a setting the device refuses leaves its own in place
    uint32_t current = 0;
    bool timeoutKnown = device.query(LIRC_GET_REC_TIMEOUT, current, "", ignored);
    timeout_ = timeoutKnown ? current : 0;

    pending = PendingRestore{};
    pending.descriptor = device.descriptor();
    guardAgainstStopping();

    // Only a timeout that can be read back is changed, so that it can be restored.
    uint32_t low = 0;
    uint32_t high = 0;
    if (timeoutKnown && device.can(LIRC_CAN_SET_REC_TIMEOUT) &&
        device.query(LIRC_GET_MIN_TIMEOUT, low, "", ignored) &&
        device.query(LIRC_GET_MAX_TIMEOUT, high, "", ignored) && low <= high) {
        uint32_t wanted = std::clamp(recordingTimeoutMicroseconds, low, high);
        if (wanted != current) {
            pending.timeout = current;
            pending.timeoutChanged = true;
            pending.active = 1;
            if (device.set(LIRC_SET_REC_TIMEOUT, wanted, "", ignored)) {
                timeout_ = wanted;
            }
        }
    }
    if (device.can(LIRC_CAN_MEASURE_CARRIER)) {
        pending.carrierReportsChanged = true;
        pending.active = 1;
        device.set(LIRC_SET_MEASURE_CARRIER_MODE, 1, "", ignored);
    }
}

ReceiverSettings::~ReceiverSettings() { restore(); }

void ReceiverSettings::restore() {
    if (pending.active) {
        bool reached = putBack();
        if (!reached) {
            // The open file was unplugged during the recording, but the path
            // may lead to the device again: the settings are put back through
            // a new open file, since they belong to the device, not the file.
            // Only when the device there still has the timeout this recording
            // set, though: a device plugged in anew has its own settings, and
            // they are not this recording's to change.
            LircDevice again;
            std::string ignored;
            uint32_t timeoutThere = 0;
            if (again.open(device_.path(), true, ignored) &&
                (!pending.timeoutChanged ||
                 (again.query(LIRC_GET_REC_TIMEOUT, timeoutThere, "", ignored) &&
                  timeoutThere == timeout_))) {
                pending.descriptor = again.descriptor();
                putBack();
            }
        }
        pending.active = 0;
    }
    stopGuarding();
}

}  // namespace ostrel
