// lirc_probe DEVICE STEP...: runs one sequence of operations on a LIRC device
// and prints what each returned, one line a step, so that two devices (the
// kernel's and the emulated one) can be held against each other word for word.
//
// Steps (each one argument; words separated by spaces):
//   open [rdonly|wronly|nonblock]...  opens the device again (the first open,
//                                     O_RDWR, is done before the first step)
//   close                             closes it
//   ioctl NAME [VALUE]                a LIRC ioctl by the name after LIRC_
//                                     (GET_FEATURES, SET_SEND_CARRIER, ...)
//   ioctl-null NAME                   the ioctl with a null argument
//   write [VALUE]...                  write(2) of these u32 values; prints
//                                     whether it took the signal's duration
//                                     (to within 10 ms, a jiffy at HZ=100)
//   write-bytes N                     write(2) of N bytes (all 0x01)
//   read N                            read(2) of at most N samples, O_NONBLOCK
//   read-bytes N                      read(2) of N bytes
//   read-blocking N MS                a blocking read(2), cut short by SIGALRM
//                                     after MS ms, and every MS ms after that
//                                     (a handler without SA_RESTART)
//   poll MS                           poll(2) for POLLIN|POLLOUT
//   drain                             every sample that comes, until none has for
//                                     100 ms (300 ms for the first), however many
//                                     reads that takes: rc-core hands samples over
//                                     from a thread of its own
//   listener                          opens the device once more, beside the first
//   drain-listener                    drain, on that second file
//   unplug                            runs the command in LIRC_PROBE_UNPLUG (sh -c)
//   sleep MS
//   nonblock on|off                   fcntl(F_SETFL) O_NONBLOCK
//
// Samples print as "pulse 500", "space 500", "timeout 125000",
// "carrier 36000", "overflow 16777215", "type 0x05 7". A space that directly
// follows a timeout sample measures the time since it, which no two runs
// share: it prints as "gap" once checked to be at least 1 us.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <linux/lirc.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

struct Request {
    const char* name;
    unsigned long code;
};

constexpr Request requests[] = {
    {"GET_FEATURES", LIRC_GET_FEATURES},
    {"GET_SEND_MODE", LIRC_GET_SEND_MODE},
    {"GET_REC_MODE", LIRC_GET_REC_MODE},
    {"GET_REC_RESOLUTION", LIRC_GET_REC_RESOLUTION},
    {"GET_MIN_TIMEOUT", LIRC_GET_MIN_TIMEOUT},
    {"GET_MAX_TIMEOUT", LIRC_GET_MAX_TIMEOUT},
    {"GET_REC_TIMEOUT", LIRC_GET_REC_TIMEOUT},
    {"SET_SEND_MODE", LIRC_SET_SEND_MODE},
    {"SET_REC_MODE", LIRC_SET_REC_MODE},
    {"SET_SEND_CARRIER", LIRC_SET_SEND_CARRIER},
    {"SET_REC_CARRIER", LIRC_SET_REC_CARRIER},
    {"SET_SEND_DUTY_CYCLE", LIRC_SET_SEND_DUTY_CYCLE},
    {"SET_TRANSMITTER_MASK", LIRC_SET_TRANSMITTER_MASK},
    {"SET_REC_TIMEOUT", LIRC_SET_REC_TIMEOUT},
    {"SET_REC_TIMEOUT_REPORTS", LIRC_SET_REC_TIMEOUT_REPORTS},
    {"SET_MEASURE_CARRIER_MODE", LIRC_SET_MEASURE_CARRIER_MODE},
    {"SET_REC_CARRIER_RANGE", LIRC_SET_REC_CARRIER_RANGE},
    {"SET_WIDEBAND_RECEIVER", LIRC_SET_WIDEBAND_RECEIVER},
};

std::string device;
int fd = -1;
int listenerFd = -1;
bool afterTimeout = false;  // of fd, and of listenerFd:
bool listenerAfterTimeout = false;

std::string errnoName(int number) {
    switch (number) {
    case EINVAL: return "EINVAL";
    case ENOTTY: return "ENOTTY";
    case EAGAIN: return "EAGAIN";
    case EINTR: return "EINTR";
    case EBADF: return "EBADF";
    case EFAULT: return "EFAULT";
    case ENODEV: return "ENODEV";
    case EIO: return "EIO";
    case EPERM: return "EPERM";
    case EBUSY: return "EBUSY";
    case ENOENT: return "ENOENT";
    default: return "errno " + std::to_string(number);
    }
}

std::string result(long value) {
    return value < 0 ? "-1 " + errnoName(errno) : std::to_string(value);
}

std::vector<std::string> words(const std::string& step) {
    std::istringstream in(step);
    std::vector<std::string> found;
    for (std::string word; in >> word;) {
        found.push_back(word);
    }
    return found;
}

uint32_t number(const std::string& text) {
    return static_cast<uint32_t>(strtoul(text.c_str(), nullptr, 0));
}

std::string sampleText(uint32_t sample) {
    uint32_t value = sample & LIRC_VALUE_MASK;
    switch (sample & LIRC_MODE2_MASK) {
    case LIRC_MODE2_PULSE:
        afterTimeout = false;
        return "pulse " + std::to_string(value);
    case LIRC_MODE2_SPACE:
        if (afterTimeout) {
            afterTimeout = false;
            return value >= 1 ? "gap" : "space 0";
        }
        return "space " + std::to_string(value);
    case LIRC_MODE2_TIMEOUT:
        afterTimeout = true;
        return "timeout " + std::to_string(value);
    case LIRC_MODE2_FREQUENCY:
        return "carrier " + std::to_string(value);
    case LIRC_MODE2_OVERFLOW:
        return "overflow " + std::to_string(value);
    default: {
        char text[32];
        snprintf(text, sizeof text, "type 0x%02x %u", sample >> 24, value);
        return text;
    }
    }
}


std::string readSamples(size_t most, bool blocking, int alarmMs) {
    std::vector<uint32_t> buffer(most == 0 ? 1 : most);
    int flags = fcntl(fd, F_GETFL);
    if (!blocking) {
        fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    }
    if (alarmMs > 0) {
        // Again every MS ms: an alarm that comes before the read has begun to wait
        // (a slow machine, the emulated CPU of the kernel VM) would leave it waiting.
        itimerval timer{};
        timer.it_value.tv_sec = alarmMs / 1000;
        timer.it_value.tv_usec = (alarmMs % 1000) * 1000;
        timer.it_interval = timer.it_value;
        setitimer(ITIMER_REAL, &timer, nullptr);
    }
    ssize_t got = read(fd, buffer.data(), most * sizeof(uint32_t));
    int saved = errno;
    if (alarmMs > 0) {
        itimerval off{};
        setitimer(ITIMER_REAL, &off, nullptr);
    }
    if (!blocking) {
        fcntl(fd, F_SETFL, flags);
    }
    errno = saved;
    std::string text = result(got);
    for (ssize_t i = 0; i < got / 4; ++i) {
        text += (i == 0 ? ": " : ", ") + sampleText(buffer[i]);
    }
    return text;
}

std::string pollText(int timeoutMs) {
    pollfd watch{fd, POLLIN | POLLOUT, 0};
    int ready = poll(&watch, 1, timeoutMs);
    std::string text = result(ready);
    if (ready > 0) {
        const std::pair<short, const char*> names[] = {{POLLIN, "IN"},   {POLLRDNORM, "RDNORM"},
                                                       {POLLOUT, "OUT"}, {POLLERR, "ERR"},
                                                       {POLLHUP, "HUP"}, {POLLNVAL, "NVAL"}};
        text += ":";
        for (auto [bit, name] : names) {
            if (watch.revents & bit) {
                text += std::string(" ") + name;
            }
        }
    }
    return text;
}

std::string run(const std::string& step) {
    std::vector<std::string> w = words(step);
    if (w.empty()) {
        return "empty step";
    }
    const std::string& verb = w[0];
    if (verb == "open") {
        int flags = O_RDWR;
        for (size_t i = 1; i < w.size(); ++i) {
            if (w[i] == "rdonly") {
                flags = (flags & ~O_ACCMODE) | O_RDONLY;
            } else if (w[i] == "wronly") {
                flags = (flags & ~O_ACCMODE) | O_WRONLY;
            } else if (w[i] == "nonblock") {
                flags |= O_NONBLOCK;
            }
        }
        if (fd >= 0) {
            close(fd);
        }
        fd = open(device.c_str(), flags);
        afterTimeout = false;
        return result(fd < 0 ? -1 : 0);
    }
    if (verb == "close") {
        int closed = close(fd);
        fd = -1;
        return result(closed);
    }
    if (verb == "ioctl" || verb == "ioctl-null") {
        for (const Request& request : requests) {
            if (w.size() >= 2 && w[1] == request.name) {
                uint32_t value = w.size() >= 3 ? number(w[2]) : 0;
                int returned = ioctl(fd, request.code, verb == "ioctl" ? &value : nullptr);
                std::string text = result(returned);
                bool reads = (_IOC_DIR(request.code) & _IOC_READ) != 0;
                if (returned >= 0 && reads && verb == "ioctl") {
                    char out[32];
                    snprintf(out, sizeof out, " value=%u (0x%x)", value, value);
                    text += out;
                }
                return text;
            }
        }
        return "no such request";
    }
    if (verb == "write") {
        std::vector<uint32_t> values;
        uint64_t total = 0;
        for (size_t i = 1; i < w.size(); ++i) {
            values.push_back(number(w[i]));
            total += values.back();
        }
        auto start = std::chrono::steady_clock::now();
        ssize_t written = write(fd, values.data(), values.size() * sizeof(uint32_t));
        int saved = errno;
        auto took = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
        errno = saved;
        std::string text = result(written);
        if (written > 0) {
            // The kernel sleeps out the signal in jiffies, interruptibly, and under
            // QEMU's emulated CPU its ticks come irregularly: its write has returned
            // more than a jiffy before the signal's end. What tells a write that
            // waits for the signal from one that returns at once is half of it.
            text += 2 * static_cast<uint64_t>(took) >= total ? ", took the signal's duration"
                                                             : ", returned early";
        }
        return text;
    }
    if (verb == "write-bytes" && w.size() == 2) {
        std::vector<unsigned char> bytes(number(w[1]), 1);
        return result(write(fd, bytes.data(), bytes.size()));
    }
    if (verb == "read" && w.size() == 2) {
        return readSamples(number(w[1]), false, 0);
    }
    if (verb == "read-bytes" && w.size() == 2) {
        std::vector<unsigned char> bytes(number(w[1]) + 4);
        int flags = fcntl(fd, F_GETFL);
        fcntl(fd, F_SETFL, flags | O_NONBLOCK);
        ssize_t got = read(fd, bytes.data(), number(w[1]));
        int saved = errno;
        fcntl(fd, F_SETFL, flags);
        errno = saved;
        return result(got);
    }
    if (verb == "read-blocking" && w.size() == 3) {
        return readSamples(number(w[1]), true, static_cast<int>(number(w[2])));
    }
    if (verb == "poll" && w.size() == 2) {
        return pollText(static_cast<int>(number(w[1])));
    }
    if (verb == "drain") {
        std::vector<uint32_t> samples;
        for (int wait = 300;; wait = 100) {
            pollfd watch{fd, POLLIN, 0};
            uint32_t buffer[64];
            ssize_t got = 0;
            if (poll(&watch, 1, wait) <= 0 || (got = read(fd, buffer, sizeof buffer)) <= 0) {
                break;
            }
            samples.insert(samples.end(), buffer, buffer + got / 4);
        }
        std::string text = std::to_string(samples.size()) + " samples";
        for (size_t i = 0; i < samples.size(); ++i) {
            text += (i == 0 ? ": " : ", ") + sampleText(samples[i]);
        }
        return text;
    }
    if (verb == "listener") {
        listenerFd = open(device.c_str(), O_RDONLY | O_NONBLOCK);
        return result(listenerFd < 0 ? -1 : 0);
    }
    if (verb == "drain-listener") {
        std::swap(fd, listenerFd);
        std::swap(afterTimeout, listenerAfterTimeout);
        std::string text = run("drain");
        std::swap(afterTimeout, listenerAfterTimeout);
        std::swap(fd, listenerFd);
        return text;
    }
    if (verb == "unplug") {
        const char* command = getenv("LIRC_PROBE_UNPLUG");
        return command != nullptr && system(command) == 0 ? "ok" : "cannot unplug";
    }
    if (verb == "sleep" && w.size() == 2) {
        usleep(number(w[1]) * 1000);
        return "ok";
    }
    if (verb == "nonblock" && w.size() == 2) {
        int flags = fcntl(fd, F_GETFL);
        flags = w[1] == "on" ? flags | O_NONBLOCK : flags & ~O_NONBLOCK;
        return result(fcntl(fd, F_SETFL, flags));
    }
    return "unknown step";
}

void onAlarm(int) {}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: lirc_probe DEVICE STEP...\n");
        return 2;
    }
    struct sigaction action {};
    action.sa_handler = onAlarm;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    device = argv[1];
    fd = open(device.c_str(), O_RDWR);
    printf("open -> %s\n", result(fd < 0 ? -1 : 0).c_str());
    for (int i = 2; i < argc; ++i) {
        printf("%s -> %s\n", argv[i], run(argv[i]).c_str());
        fflush(stdout);
    }
    return 0;
}
