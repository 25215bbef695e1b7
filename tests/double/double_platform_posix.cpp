#include <ctime>

#include <fcntl.h>
#include <unistd.h>

#include "tests/double/double_platform.h"

std::string handleAccess(TransceiverFile file) {
    int flags = fcntl(file, F_GETFL);
    if (flags < 0) {
        return "closed";
    }
    switch (flags & O_ACCMODE) {
    case O_RDWR:
        return "rw";
    case O_RDONLY:
        return "r";
    default:
        return "w";
    }
}

std::string handleContent(TransceiverFile file) {
    std::string content;
    char buffer[4096];
    off_t offset = 0;
    // A bound, so that a device file such as /dev/zero cannot make it read forever.
    while (content.size() < (1u << 20)) {
        ssize_t got = pread(file, buffer, sizeof buffer, offset);
        if (got <= 0) {
            return content;
        }
        content.append(buffer, static_cast<size_t>(got));
        offset += got;
    }
    return content;
}

void writeThroughHandle(TransceiverFile file, const char* bytes, size_t size) {
    while (size > 0) {
        ssize_t done = write(file, bytes, size);
        if (done <= 0) {
            return;
        }
        bytes += done;
        size -= static_cast<size_t>(done);
    }
}

int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}
