// stat(2) and friends: the emulated device's open files and its path are a character
// device; everything else is the C library's answer. The __xstat family serves programs
// built against glibc before 2.33. The 64-bit calls fill a struct stat64, which on
// 64-bit systems has the layout of struct stat and on 32-bit ones (armhf) does not.
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "emulator/src/device_config.h"
#include "emulator/src/device_path.h"
#include "emulator/src/export.h"
#include "emulator/src/file_table.h"
#include "emulator/src/real_libc.h"

using namespace lirc_emulator;

namespace {

int realStatFd(int fd, struct stat* status) { return realLibc().fstat(fd, status); }
int realStatFd(int fd, struct stat64* status) { return realLibc().fstat64(fd, status); }
int realStatAt(int directoryFd, const char* path, struct stat* status, int flags) {
    return realLibc().fstatat(directoryFd, path, status, flags);
}
int realStatAt(int directoryFd, const char* path, struct stat64* status, int flags) {
    return realLibc().fstatat64(directoryFd, path, status, flags);
}

template <typename Status>
int statFd(int fd, Status* status) {
    if (std::shared_ptr<LircFile> file = FileTable::instance().find(fd)) {
        fillDeviceStat(*status, file->config().devicePath);
        return 0;
    }
    return realStatFd(fd, status);
}

template <typename Status>
int statAt(int directoryFd, const char* path, Status* status, int flags) {
    if ((flags & AT_EMPTY_PATH) != 0 && path != nullptr && *path == '\0') {
        return statFd(directoryFd, status);
    }
    if (isEmulatedPath(directoryFd, path)) {
        fillDeviceStat(*status, configuredDevicePath());
        return 0;
    }
    return realStatAt(directoryFd, path, status, flags);
}

int accessAt(int directoryFd, const char* path, int mode, int flags) {
    if (isEmulatedPath(directoryFd, path)) {
        if ((mode & X_OK) != 0) {
            errno = EACCES;
            return -1;
        }
        return 0;
    }
    return realLibc().faccessat(directoryFd, path, mode, flags);
}

}  // namespace

LIRC_EMULATOR_EXPORT int fstat(int fd, struct stat* status) noexcept {
    return statFd(fd, status);
}

LIRC_EMULATOR_EXPORT int fstat64(int fd, struct stat64* status) noexcept {
    return statFd(fd, status);
}

LIRC_EMULATOR_EXPORT int __fxstat(int, int fd, struct stat* status) noexcept {
    return statFd(fd, status);
}

LIRC_EMULATOR_EXPORT int __fxstat64(int, int fd, struct stat64* status) noexcept {
    return statFd(fd, status);
}

LIRC_EMULATOR_EXPORT int stat(const char* path, struct stat* status) noexcept {
    return statAt(AT_FDCWD, path, status, 0);
}

LIRC_EMULATOR_EXPORT int stat64(const char* path, struct stat64* status) noexcept {
    return statAt(AT_FDCWD, path, status, 0);
}

LIRC_EMULATOR_EXPORT int lstat(const char* path, struct stat* status) noexcept {
    return statAt(AT_FDCWD, path, status, AT_SYMLINK_NOFOLLOW);
}

LIRC_EMULATOR_EXPORT int lstat64(const char* path, struct stat64* status) noexcept {
    return statAt(AT_FDCWD, path, status, AT_SYMLINK_NOFOLLOW);
}

LIRC_EMULATOR_EXPORT int __xstat(int, const char* path, struct stat* status) noexcept {
    return statAt(AT_FDCWD, path, status, 0);
}

LIRC_EMULATOR_EXPORT int __xstat64(int, const char* path, struct stat64* status) noexcept {
    return statAt(AT_FDCWD, path, status, 0);
}

LIRC_EMULATOR_EXPORT int __lxstat(int, const char* path, struct stat* status) noexcept {
    return statAt(AT_FDCWD, path, status, AT_SYMLINK_NOFOLLOW);
}

LIRC_EMULATOR_EXPORT int __lxstat64(int, const char* path, struct stat64* status) noexcept {
    return statAt(AT_FDCWD, path, status, AT_SYMLINK_NOFOLLOW);
}

LIRC_EMULATOR_EXPORT int fstatat(int directoryFd, const char* path, struct stat* status, int flags) noexcept {
    return statAt(directoryFd, path, status, flags);
}

LIRC_EMULATOR_EXPORT int fstatat64(int directoryFd, const char* path, struct stat64* status,
                                   int flags) noexcept {
    return statAt(directoryFd, path, status, flags);
}

LIRC_EMULATOR_EXPORT int __fxstatat(int, int directoryFd, const char* path, struct stat* status,
                                    int flags) noexcept {
    return statAt(directoryFd, path, status, flags);
}

LIRC_EMULATOR_EXPORT int __fxstatat64(int, int directoryFd, const char* path, struct stat64* status,
                                      int flags) noexcept {
    return statAt(directoryFd, path, status, flags);
}

LIRC_EMULATOR_EXPORT int access(const char* path, int mode) noexcept {
    return accessAt(AT_FDCWD, path, mode, 0);
}

LIRC_EMULATOR_EXPORT int faccessat(int directoryFd, const char* path, int mode, int flags) noexcept {
    return accessAt(directoryFd, path, mode, flags);
}
