#include "ostrel/lirc/capture.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

#include <linux/lirc.h>
#include <poll.h>
#include <unistd.h>

#include "ostrel/lirc/lirc_device.h"
#include "ostrel/codec/message_assembler.h"
#include "ostrel/lirc/monotonic_clock.h"
#include "ostrel/lirc/receiver_settings.h"
#include "ostrel/lirc/stop_signals.h"

namespace ostrel {

namespace {

using Clock = MonotonicClock;
using std::chrono::microseconds;

// A pulse or a space, unlike a timeout or a carrier report, tells that the
// receiver heard IR: a pulse, or the start of the pulse that ends a space.
bool tellsOfIr(uint32_t sample) {
    uint32_t type = sample & mode2::typeMask;
    return (type == mode2::pulse || type == mode2::space) && (sample & mode2::valueMask) != 0;
}

timespec until(Clock::time_point moment) {
    auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(moment - Clock::now()).count();
    if (left < 0) {
        left = 0;
    }
    return timespec{static_cast<time_t>(left / 1000000000), static_cast<long>(left % 1000000000)};
}

std::string stoppedBy(int signalNumber) {
    return "the recording was stopped by signal " + std::to_string(signalNumber) + " (" +
           strsignal(signalNumber) + ")";
}

// rc-loopback (Linux 6.1) ends each transmission it loops back with a silence
// as long as the receive timeout, but with carrier reports on, that silence
// reaches the reader as a carrier sample holding the timeout's value, right
// behind the last pulse, and neither a timeout sample nor, before the next
// transmission, a gap space comes. Such a sample is taken for what it is: the
// timeout after the message's last pulse, not a carrier, so that the next
// transmission's first pulse is not added to that last pulse. The carrier
// report of the transmission came before the last pulse.
uint32_t asReported(uint32_t sample, uint32_t previousType, uint32_t timeoutMicroseconds) {
    if ((sample & mode2::typeMask) == mode2::frequency && previousType == mode2::pulse &&
        timeoutMicroseconds != 0 && (sample & mode2::valueMask) == timeoutMicroseconds) {
        return mode2::timeout | timeoutMicroseconds;
    }
    return sample;
}

// The receive timeout, in microseconds, or 0 where the device does not tell it.
uint32_t receiveTimeout(LircDevice& device) {
    uint32_t timeout = 0;
    std::string ignored;
    if (!device.query(LIRC_GET_REC_TIMEOUT, timeout, "", ignored)) {
        return 0;
    }
    return timeout;
}

}  // namespace

bool capture(const std::string& devicePath, int32_t waitMilliseconds, Signal& message,
             std::string& why) {
    LircDevice device;
    if (!device.open(devicePath, true, why)) {
        return false;
    }
    if (!device.can(LIRC_CAN_REC_MODE2)) {
        why = devicePath + ": the device cannot receive";
        return false;
    }
    // Kernels 4.8 and 4.9 answer ENOTTY, but receive mode2 all the same.
    int result = device.request(LIRC_SET_REC_MODE, LIRC_MODE_MODE2, "cannot set mode2", why);
    if (result < 0 && errno != ENOTTY) {
        return false;
    }
    // In this order, so that the settings are back before a signal caught
    // meanwhile is raised again.
    StopSignals stops;
    ReceiverSettings settings(device);
    uint32_t timeout = device.can(LIRC_CAN_MEASURE_CARRIER) ? receiveTimeout(device) : 0;

    auto firstDeadline = Clock::now() + std::chrono::milliseconds(waitMilliseconds < 0 ? 0 : waitMilliseconds);
    // Once begun: the message ends messageEndingQuiet after the last sample
    // that told of IR, as the clock says, unless the samples end it sooner
    // (a space longer than that), and fails when it goes on for longer than
    // a recording may last.
    Clock::time_point quietDeadline{};
    Clock::time_point lengthDeadline{};
    MessageAssembler assembler;
    uint32_t samples[512];
    uint32_t previousType = mode2::timeout;
    for (;;) {
        bool begun = assembler.state() == MessageAssembler::State::inMessage;
        Clock::time_point deadline = firstDeadline;
        if (begun) {
            deadline = quietDeadline < lengthDeadline ? quietDeadline : lengthDeadline;
        }
        pollfd watch[2] = {{device.descriptor(), POLLIN, 0}, {stops.wakeDescriptor(), POLLIN, 0}};
        timespec left = until(deadline);
        int ready = ppoll(watch, stops.wakeDescriptor() >= 0 ? 2 : 1, &left, nullptr);
        if (int signalNumber = stops.caught(); signalNumber != 0) {
            why = stoppedBy(signalNumber);
            return false;
        }
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            why = device.failure("cannot wait for a signal");
            return false;
        }
        // Nothing more came by the deadline: only now does the clock decide,
        // so that samples ready at the deadline are still taken.
        auto endAtDeadline = [&]() {
            if (!begun) {
                why = "no signal within " + std::to_string(waitMilliseconds) + " ms";
                return false;
            }
            if (deadline == quietDeadline) {
                assembler.quiet();
                message = assembler.message();
                return true;
            }
            assembler.tooLong();
            why = devicePath + ": " + assembler.failure();
            return false;
        };
        if (ready == 0) {
            if (Clock::now() < deadline) {
                continue;
            }
            return endAtDeadline();
        }
        if ((watch[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 &&
            (watch[0].revents & POLLIN) == 0) {
            why = devicePath + ": the device is gone";
            return false;
        }
        ssize_t got = -1;
        errno = EAGAIN;
        if ((watch[0].revents & POLLIN) != 0) {
            got = read(device.descriptor(), samples, sizeof samples);
        }
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            // Woken without a sample to read: a device that keeps saying it is
            // ready while it has nothing must not hold the recording past its
            // deadline.
            if (Clock::now() >= deadline) {
                return endAtDeadline();
            }
            continue;
        }
        if (got <= 0) {
            // ENODEV: unplugged after poll said samples were ready; the same
            // words as when poll tells it.
            why = got < 0 && errno != ENODEV ? device.failure("cannot receive")
                                             : devicePath + ": the device is gone";
            return false;
        }
        auto arrived = Clock::now();
        size_t count = static_cast<size_t>(got) / sizeof samples[0];
        for (size_t used = 0; used < count; ++used) {
            MessageAssembler::State before = assembler.state();
            uint32_t sample = asReported(samples[used], previousType, timeout);
            previousType = sample & mode2::typeMask;
            MessageAssembler::State state = assembler.feed(sample);
            if (state == MessageAssembler::State::failed) {
                why = devicePath + ": " + assembler.failure();
                return false;
            }
            if (state == MessageAssembler::State::complete) {
                message = assembler.message();
                return true;
            }
            if (state == MessageAssembler::State::inMessage && tellsOfIr(sample)) {
                quietDeadline = arrived + microseconds(messageEndingQuiet);
                if (before == MessageAssembler::State::waiting) {
                    lengthDeadline = arrived + microseconds(longestRecordingMicroseconds);
                }
            }
        }
    }
}

}  // namespace ostrel
