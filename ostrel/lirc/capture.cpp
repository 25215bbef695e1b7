#include "capture.h"

#include <cerrno>
#include <chrono>

#include <linux/lirc.h>
#include <poll.h>
#include <unistd.h>

#include "lirc_device.h"
#include "message_assembler.h"
#include "receiver_settings.h"

namespace ostrel {

namespace {

// Some receivers (rc-loopback among them) report the carrier after the
// message's last sample, so a report right behind the end still belongs to
// it: in the samples already read, or ready at once. A pulse begins the next
// message and ends the search.
void takeTrailingCarrier(const uint32_t* samples, size_t count, Signal& message) {
    for (size_t i = 0; i < count; ++i) {
        uint32_t type = samples[i] & mode2::typeMask;
        if (type == mode2::pulse) {
            return;
        }
        if (type == mode2::frequency) {
            if (std::optional<uint32_t> carrier = measuredCarrier(samples[i])) {
                message.carrier = carrier;
            }
        }
    }
}

// rc-loopback (Linux 6.1) ends each transmission it loops back with a silence
// as long as the receive timeout, but with carrier reports on, that silence
// reaches the reader as a carrier sample holding the timeout's value, right
// behind the last pulse, and no timeout sample comes. Such a sample is taken
// for what it is: the timeout that ends the message, not its carrier. The
// carrier report of the transmission came before the last pulse.
uint32_t asReported(uint32_t sample, uint32_t previousType, uint32_t timeoutMicroseconds) {
    if ((sample & mode2::typeMask) == mode2::frequency && previousType == mode2::pulse &&
        timeoutMicroseconds != 0 && (sample & mode2::valueMask) == timeoutMicroseconds) {
        return mode2::timeout | timeoutMicroseconds;
    }
    return sample;
}

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

// Once a message has begun, it must end within this much time even if the
// receiver never goes quiet: no signal a LIRC device sends back lasts longer
// than 500 ms, and the assembler stops one that does.
constexpr Milliseconds messageDeadline{2000};

// How long a begun message may go without any sample before it counts as
// ended, for a receiver that never reports a timeout: its timeout and a margin.
Milliseconds quietPeriod(uint32_t timeoutMicroseconds) {
    uint32_t timeout = timeoutMicroseconds != 0 ? timeoutMicroseconds : 125000;
    return Milliseconds(timeout / 1000 + 100);
}

int millisecondsUntil(Clock::time_point moment) {
    auto left = std::chrono::duration_cast<Milliseconds>(moment - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
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
    ReceiverSettings settings(device);

    auto start = Clock::now();
    auto firstDeadline = start + Milliseconds(waitMilliseconds < 0 ? 0 : waitMilliseconds);
    Clock::time_point endDeadline{};
    MessageAssembler assembler;
    uint32_t samples[512];
    uint32_t previousType = mode2::timeout;
    for (;;) {
        bool begun = assembler.state() == MessageAssembler::State::inMessage;
        auto now = Clock::now();
        if (!begun && now >= firstDeadline) {
            why = "no signal within " + std::to_string(waitMilliseconds) + " ms";
            return false;
        }
        if (begun && now >= endDeadline) {
            why = devicePath + ": the message did not end";
            return false;
        }
        int timeout = begun ? static_cast<int>(quietPeriod(settings.timeoutMicroseconds()).count())
                            : millisecondsUntil(firstDeadline);
        pollfd watch{device.descriptor(), POLLIN, 0};
        int ready = poll(&watch, 1, timeout);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            why = device.failure("cannot wait for a signal");
            return false;
        }
        if (ready == 0) {
            if (begun && assembler.quiet() == MessageAssembler::State::complete) {
                message = assembler.message();
                return true;
            }
            continue;
        }
        if ((watch.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 &&
            (watch.revents & POLLIN) == 0) {
            why = devicePath + ": the device is gone";
            return false;
        }
        ssize_t got = read(device.descriptor(), samples, sizeof samples);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (got <= 0) {
            // ENODEV: unplugged after poll said samples were ready; the same
            // words as when poll tells it.
            why = got < 0 && errno != ENODEV ? device.failure("cannot receive")
                                             : devicePath + ": the device is gone";
            return false;
        }
        MessageAssembler::State state = assembler.state();
        size_t count = static_cast<size_t>(got) / sizeof samples[0];
        size_t used = 0;
        while (used < count && state != MessageAssembler::State::complete &&
               state != MessageAssembler::State::failed) {
            uint32_t sample = asReported(samples[used++], previousType, settings.timeoutMicroseconds());
            previousType = sample & mode2::typeMask;
            state = assembler.feed(sample);
        }
        if (state == MessageAssembler::State::failed) {
            why = devicePath + ": " + assembler.failure();
            return false;
        }
        if (state == MessageAssembler::State::complete) {
            message = assembler.message();
            takeTrailingCarrier(samples + used, count - used, message);
            ssize_t more = read(device.descriptor(), samples, sizeof samples);
            if (more > 0) {
                takeTrailingCarrier(samples, static_cast<size_t>(more) / sizeof samples[0], message);
            }
            return true;
        }
        if (!begun && state == MessageAssembler::State::inMessage) {
            endDeadline = Clock::now() + messageDeadline;
        }
    }
}

}  // namespace ostrel
