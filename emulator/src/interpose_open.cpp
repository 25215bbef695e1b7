// open(2) and its variants: the emulated path opens the emulated device, every other path
// goes to the C library unchanged.
#include <cstdarg>

#include <fcntl.h>

#include "emulator/src/device_path.h"
#include "emulator/src/emulated_open.h"
#include "emulator/src/export.h"
#include "emulator/src/real_libc.h"

using namespace lirc_emulator;

namespace {

bool takesMode(int flags) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

int openAt(int directoryFd, const char* path, int flags, mode_t mode) {
    if (isEmulatedPath(directoryFd, path)) {
        return openEmulatedDevice(flags);
    }
    return realLibc().openat(directoryFd, path, flags, mode);
}

}  // namespace

#define LIRC_EMULATOR_MODE_ARGUMENT(last)      \
    mode_t mode = 0;                           \
    if (takesMode(flags)) {                    \
        va_list arguments;                     \
        va_start(arguments, last);             \
        mode = va_arg(arguments, mode_t);      \
        va_end(arguments);                     \
    }

LIRC_EMULATOR_EXPORT int open(const char* path, int flags, ...) {
    LIRC_EMULATOR_MODE_ARGUMENT(flags)
    return openAt(AT_FDCWD, path, flags, mode);
}

LIRC_EMULATOR_EXPORT int open64(const char* path, int flags, ...) {
    LIRC_EMULATOR_MODE_ARGUMENT(flags)
    return openAt(AT_FDCWD, path, flags, mode);
}

LIRC_EMULATOR_EXPORT int openat(int directoryFd, const char* path, int flags, ...) {
    LIRC_EMULATOR_MODE_ARGUMENT(flags)
    return openAt(directoryFd, path, flags, mode);
}

LIRC_EMULATOR_EXPORT int openat64(int directoryFd, const char* path, int flags, ...) {
    LIRC_EMULATOR_MODE_ARGUMENT(flags)
    return openAt(directoryFd, path, flags, mode);
}

// The _FORTIFY_SOURCE forms, used when the compiler knows the call passes no mode.
LIRC_EMULATOR_EXPORT int __open_2(const char* path, int flags) {
    return openAt(AT_FDCWD, path, flags, 0);
}

LIRC_EMULATOR_EXPORT int __open64_2(const char* path, int flags) {
    return openAt(AT_FDCWD, path, flags, 0);
}

LIRC_EMULATOR_EXPORT int __openat_2(int directoryFd, const char* path, int flags) {
    return openAt(directoryFd, path, flags, 0);
}

LIRC_EMULATOR_EXPORT int __openat64_2(int directoryFd, const char* path, int flags) {
    return openAt(directoryFd, path, flags, 0);
}
