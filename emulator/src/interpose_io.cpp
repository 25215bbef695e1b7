// read, write, ioctl, close and dup on the emulated device's open files; any other fd goes
// to the C library unchanged.
#include <cerrno>
#include <cstdarg>
#include <cstdint>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "emulator/src/export.h"
#include "emulator/src/file_table.h"
#include "emulator/src/real_libc.h"

using namespace lirc_emulator;

extern "C" [[noreturn]] void __chk_fail();

namespace {

// Kernel-style results (a value, or -errno) as the C library returns them.
template <typename Result>
Result fromKernel(Result result) {
    if (result < 0) {
        errno = static_cast<int>(-result);
        return -1;
    }
    return result;
}

bool isNonBlocking(int fd) {
    int flags = realLibc().fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_NONBLOCK) != 0;
}

ssize_t readFd(int fd, void* buffer, size_t length) {
    if (std::shared_ptr<LircFile> file = FileTable::instance().find(fd)) {
        return fromKernel(file->read(buffer, length, isNonBlocking(fd)));
    }
    return realLibc().read(fd, buffer, length);
}

// After dup, both fds name the same open file, as in the kernel.
int shareDuplicate(int from, int to) {
    if (to >= 0) {
        FileTable::instance().remove(to);
        if (std::shared_ptr<LircFile> file = FileTable::instance().find(from)) {
            FileTable::instance().add(to, std::move(file));
        }
    }
    return to;
}

}  // namespace

LIRC_EMULATOR_EXPORT ssize_t read(int fd, void* buffer, size_t length) {
    return readFd(fd, buffer, length);
}

LIRC_EMULATOR_EXPORT ssize_t __read_chk(int fd, void* buffer, size_t length, size_t bufferLength) {
    if (length > bufferLength) {
        __chk_fail();
    }
    return readFd(fd, buffer, length);
}

LIRC_EMULATOR_EXPORT ssize_t write(int fd, const void* buffer, size_t length) {
    if (std::shared_ptr<LircFile> file = FileTable::instance().find(fd)) {
        return fromKernel(file->write(buffer, length));
    }
    return realLibc().write(fd, buffer, length);
}

LIRC_EMULATOR_EXPORT int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (std::shared_ptr<LircFile> file = FileTable::instance().find(fd)) {
        // The kernel takes the request as 32 bits (unsigned int cmd), so a
        // request that a program passed through an int, and that was widened
        // with its sign on a 64-bit system, still names the same request.
        return fromKernel(file->ioctl(static_cast<uint32_t>(request), argument));
    }
    return realLibc().ioctl(fd, request, argument);
}

LIRC_EMULATOR_EXPORT int close(int fd) {
    if (!FileTable::instance().empty()) {
        FileTable::instance().remove(fd);
    }
    return realLibc().close(fd);
}

LIRC_EMULATOR_EXPORT int dup(int fd) noexcept {
    int copy = realLibc().fcntl(fd, F_DUPFD, 0);
    return FileTable::instance().empty() ? copy : shareDuplicate(fd, copy);
}

LIRC_EMULATOR_EXPORT int dup2(int fd, int target) noexcept {
    int result = realLibc().dup2(fd, target);
    if (fd == target || FileTable::instance().empty()) {
        return result;
    }
    return shareDuplicate(fd, result);
}

LIRC_EMULATOR_EXPORT int dup3(int fd, int target, int flags) noexcept {
    int result = realLibc().dup3(fd, target, flags);
    return FileTable::instance().empty() ? result : shareDuplicate(fd, result);
}
