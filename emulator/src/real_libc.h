// The C library's own entry points, found behind the emulator with dlsym(RTLD_NEXT).
// The emulator calls these for every fd and path that is not the emulated device, and
// for its own files (state file, log, receive script), so it never re-enters itself.
#pragma once

#include <cstddef>
#include <signal.h>
#include <sys/types.h>

struct pollfd;
struct stat;
struct stat64;
struct timespec;

namespace lirc_emulator {

struct RealLibc {
    int (*open)(const char*, int, ...);
    int (*openat)(int, const char*, int, ...);
    int (*close)(int);
    ssize_t (*read)(int, void*, size_t);
    ssize_t (*write)(int, const void*, size_t);
    int (*ioctl)(int, unsigned long, ...);
    int (*fstat)(int, struct stat*);
    int (*fstatat)(int, const char*, struct stat*, int);
    int (*fstat64)(int, struct stat64*);
    int (*fstatat64)(int, const char*, struct stat64*, int);
    int (*faccessat)(int, const char*, int, int);
    int (*poll)(struct pollfd*, unsigned long, int);
    int (*ppoll)(struct pollfd*, unsigned long, const struct timespec*, const __sigset_t*);
    int (*fcntl)(int, int, ...);
    int (*dup2)(int, int);
    int (*dup3)(int, int, int);
};

// Resolved once, on first use, from whichever thread gets there first.
const RealLibc& realLibc();

}  // namespace lirc_emulator
