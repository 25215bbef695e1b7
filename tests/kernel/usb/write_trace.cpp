// Preloaded into irplay (LD_PRELOAD) in the kernel VM: every write() to a LIRC
// device (a character device named /dev/lirc*) is timed on the monotonic clock
// and logged to the file IRTOOLS_WRITE_TRACE names, one line a write:
//   BEGIN_NS END_NS VALUES RESULT
// BEGIN_NS when write() was entered, VALUES the durations written, RESULT what
// write() returned (-errno when it failed). The write itself goes to the kernel
// unchanged.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

long long nowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

bool isLircDevice(int descriptor) {
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || !S_ISCHR(status.st_mode)) {
        return false;
    }
    char link[64];
    char target[PATH_MAX];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
    ssize_t length = readlink(link, target, sizeof target - 1);
    if (length <= 0) {
        return false;
    }
    target[length] = '\0';
    return std::strncmp(target, "/dev/lirc", 9) == 0;
}

void logWrite(long long begin, long long end, size_t bytes, ssize_t result, int error) {
    const char* path = getenv("IRTOOLS_WRITE_TRACE");
    if (path == nullptr) {
        return;
    }
    int log = static_cast<int>(syscall(SYS_openat, AT_FDCWD, path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (log < 0) {
        return;
    }
    char line[128];
    int length = std::snprintf(line, sizeof line, "%lld %lld %zu %zd\n", begin, end, bytes / sizeof(unsigned),
                               result < 0 ? static_cast<ssize_t>(-error) : result);
    syscall(SYS_write, log, line, static_cast<size_t>(length));
    syscall(SYS_close, log);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) ssize_t write(int descriptor, const void* buffer, size_t bytes) {
    long long begin = nowNanoseconds();
    if (!isLircDevice(descriptor)) {
        return syscall(SYS_write, descriptor, buffer, bytes);
    }
    ssize_t result = syscall(SYS_write, descriptor, buffer, bytes);
    int error = errno;
    logWrite(begin, nowNanoseconds(), bytes, result, error);
    errno = error;
    return result;
}
