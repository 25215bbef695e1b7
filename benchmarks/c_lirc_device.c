/* A LIRC device for the benchmarks, preloaded (LD_PRELOAD) into irplay,
 * irrecord, ir-ctl and the floor program: written in C on the C library
 * alone, so that unlike the emulator it loads no C++ runtime into the
 * programs it is measured in, and so small that its own cost is a few
 * function calls.
 *
 * Opening the path BENCH_LIRC_DEVICE names (default /dev/lirc0) opens
 * /dev/null instead, a character device as a LIRC device is, whose write(2)
 * takes everything at once. ioctl(2) on it answers as a device with two
 * emitters that sends pulses with a carrier and receives mode2 samples;
 * write(2) checks the signal as the kernel would and, with BENCH_LIRC_LOG
 * set, appends a line that names what was sent (the settings and a hash of
 * the durations), so that the driver can check every program sent the same;
 * read(2) gives one NEC key press, 0x04 0x08, ended by a timeout sample.
 * Every other call, and every other file, goes to the kernel unchanged. */
#define _GNU_SOURCE
/* It defines the narrow and the 64-bit calls alike (open and open64, ...),
 * which 64-bit file offsets would rename onto each other on 32-bit systems. */
#undef _FILE_OFFSET_BITS
#include <errno.h>
#include <fcntl.h>
#include <linux/lirc.h>
#include <poll.h>
#include <signal.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

#define EXPORT __attribute__((visibility("default")))
#define MAX_FILES 1024

static unsigned char isDevice[MAX_FILES];
static unsigned char samplesPending[MAX_FILES];
static uint32_t carrier, dutyCycle, mask = 3;

static int tracked(int fd) { return fd >= 0 && fd < MAX_FILES && isDevice[fd]; }

static long failWith(int error) {
    errno = error;
    return -1;
}

static int openFile(int folder, const char* path, int flags, mode_t mode) {
    const char* device = getenv("BENCH_LIRC_DEVICE");
    if (strcmp(path, device && *device ? device : "/dev/lirc0") != 0) {
        return (int)syscall(SYS_openat, folder, path, flags, mode);
    }
    int fd = (int)syscall(SYS_openat, AT_FDCWD, "/dev/null", O_RDWR | (flags & (O_CLOEXEC | O_NONBLOCK)));
    if (fd >= 0 && fd < MAX_FILES) {
        isDevice[fd] = 1;
        samplesPending[fd] = 1;
    }
    return fd;
}

#define MODE_ARGUMENT(flags, mode)                              \
    mode_t mode = 0;                                            \
    if ((flags) & (O_CREAT | O_TMPFILE)) {                      \
        va_list arguments;                                      \
        va_start(arguments, flags);                             \
        mode = va_arg(arguments, mode_t);                       \
        va_end(arguments);                                      \
    }

EXPORT int open(const char* path, int flags, ...) {
    MODE_ARGUMENT(flags, mode);
    return openFile(AT_FDCWD, path, flags, mode);
}
EXPORT int open64(const char* path, int flags, ...) {
    MODE_ARGUMENT(flags, mode);
    return openFile(AT_FDCWD, path, flags, mode);
}
EXPORT int openat(int folder, const char* path, int flags, ...) {
    MODE_ARGUMENT(flags, mode);
    return openFile(folder, path, flags, mode);
}
EXPORT int openat64(int folder, const char* path, int flags, ...) {
    MODE_ARGUMENT(flags, mode);
    return openFile(folder, path, flags, mode);
}

EXPORT int close(int fd) {
    if (tracked(fd)) {
        isDevice[fd] = 0;
    }
    return (int)syscall(SYS_close, fd);
}

EXPORT int ioctl(int fd, unsigned long request, ...) {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (!tracked(fd)) {
        return (int)syscall(SYS_ioctl, fd, request, argument);
    }
    uint32_t* value = argument;
    switch (request) {
    case LIRC_GET_FEATURES:
        *value = LIRC_CAN_SEND_PULSE | LIRC_CAN_SET_SEND_CARRIER | LIRC_CAN_SET_SEND_DUTY_CYCLE |
                 LIRC_CAN_SET_TRANSMITTER_MASK | LIRC_CAN_REC_MODE2;
        return 0;
    case LIRC_SET_SEND_MODE:
        return *value == LIRC_MODE_PULSE ? 0 : (int)failWith(EINVAL);
    case LIRC_SET_REC_MODE:
        return *value == LIRC_MODE_MODE2 ? 0 : (int)failWith(EINVAL);
    case LIRC_GET_SEND_MODE:
        *value = LIRC_MODE_PULSE;
        return 0;
    case LIRC_GET_REC_MODE:
        *value = LIRC_MODE_MODE2;
        return 0;
    case LIRC_SET_SEND_CARRIER:
        carrier = *value;
        return 0;
    case LIRC_SET_SEND_DUTY_CYCLE:
        dutyCycle = *value;
        return 0;
    case LIRC_SET_TRANSMITTER_MASK:
        /* A mask naming a missing emitter: the number of emitters, nothing changed. */
        if (*value & ~3u) {
            return 2;
        }
        mask = *value;
        return 0;
    case LIRC_GET_REC_TIMEOUT:
        *value = 125000;
        return 0;
    case LIRC_SET_REC_TIMEOUT_REPORTS: /* ir-ctl asks; kernels since 5.17 always report */
        return 0;
    default:
        return (int)failWith(ENOTTY);
    }
}

EXPORT ssize_t write(int fd, const void* bytes, size_t size) {
    if (!tracked(fd)) {
        return syscall(SYS_write, fd, bytes, size);
    }
    size_t count = size / 4;
    if (size % 4 != 0 || count % 2 != 1 || count > 1024) {
        return failWith(EINVAL);
    }
    const uint32_t* durations = bytes;
    uint64_t total = 0, hash = 14695981039346656037u; /* FNV-1a */
    for (size_t i = 0; i < count; ++i) {
        if (durations[i] == 0) {
            return failWith(EINVAL);
        }
        total += durations[i];
        hash = (hash ^ durations[i]) * 1099511628211u;
    }
    if (total > 500000) {
        return failWith(EINVAL);
    }
    const char* logPath = getenv("BENCH_LIRC_LOG");
    if (logPath && *logPath) {
        char line[160];
        int length = snprintf(line, sizeof line, "carrier=%u duty=%u mask=0x%x values=%zu hash=%016llx\n",
                              carrier, dutyCycle, mask, count, (unsigned long long)hash);
        int log = (int)syscall(SYS_openat, AT_FDCWD, logPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (log >= 0) {
            syscall(SYS_write, log, line, (size_t)length);
            syscall(SYS_close, log);
        }
    }
    /* Into /dev/null: one system call, as a write to a device is. */
    return syscall(SYS_write, fd, bytes, size);
}

/* One NEC key press, address 0x04 and command 0x08, as a receiver reports it:
 * header, 32 bits least significant first, the final pulse, a timeout. */
static size_t necKeyPress(uint32_t* samples) {
    const uint8_t bytes[4] = {0x04, (uint8_t)~0x04, 0x08, (uint8_t)~0x08};
    size_t n = 0;
    samples[n++] = LIRC_MODE2_PULSE | 9000;
    samples[n++] = LIRC_MODE2_SPACE | 4500;
    for (int bit = 0; bit < 32; ++bit) {
        samples[n++] = LIRC_MODE2_PULSE | 560;
        samples[n++] = LIRC_MODE2_SPACE | ((bytes[bit / 8] >> (bit % 8)) & 1 ? 1690 : 560);
    }
    samples[n++] = LIRC_MODE2_PULSE | 560;
    samples[n++] = LIRC_MODE2_TIMEOUT | 125000;
    return n;
}

EXPORT ssize_t read(int fd, void* buffer, size_t size) {
    if (!tracked(fd)) {
        return syscall(SYS_read, fd, buffer, size);
    }
    uint32_t samples[80];
    size_t count = necKeyPress(samples);
    if (size < 4 || size % 4 != 0) {
        return failWith(EINVAL);
    }
    if (!samplesPending[fd]) {
        return failWith(EAGAIN);
    }
    if (count * 4 > size) {
        count = size / 4;
    }
    samplesPending[fd] = 0;
    memcpy(buffer, samples, count * 4);
    return (ssize_t)(count * 4);
}

/* The device is ready while its key press is unread. The other files of the
 * set, and the wait when nothing is ready, are the kernel's: the device's own
 * entries are left out of what the kernel polls. (noinline: glibc declares
 * the array as only written by poll, so that reading it inline draws a false
 * warning.) */
#define MAX_POLLED 16
__attribute__((noinline)) static int pollFiles(struct pollfd* files, nfds_t count,
                                               const struct timespec* timeout, const sigset_t* signals) {
    if (count > MAX_POLLED) {
        return (int)failWith(EINVAL);
    }
    struct pollfd others[MAX_POLLED];
    int ready = 0;
    for (nfds_t i = 0; i < count; ++i) {
        others[i] = files[i];
        if (tracked(files[i].fd)) {
            others[i].fd = -1;
            files[i].revents = samplesPending[files[i].fd] ? (short)(files[i].events & POLLIN) : 0;
            ready += files[i].revents != 0;
        }
    }
    /* The kernel writes the time left into its argument: a copy, as glibc makes. */
    struct timespec wait = {0, 0};
    if (!ready && timeout) {
        wait = *timeout;
    }
    int got = (int)syscall(SYS_ppoll, others, count, ready || timeout ? &wait : NULL, signals, _NSIG / 8);
    if (got < 0) {
        return got;
    }
    for (nfds_t i = 0; i < count; ++i) {
        if (!tracked(files[i].fd)) {
            files[i].revents = others[i].revents;
            ready += files[i].revents != 0;
        }
    }
    return ready;
}

EXPORT int poll(struct pollfd* files, nfds_t count, int timeout) {
    struct timespec wait = {timeout / 1000, (long)(timeout % 1000) * 1000000L};
    return pollFiles(files, count, timeout < 0 ? NULL : &wait, NULL);
}

EXPORT int ppoll(struct pollfd* files, nfds_t count, const struct timespec* timeout,
                 const sigset_t* signals) {
    return pollFiles(files, count, timeout, signals);
}
