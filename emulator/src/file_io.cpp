#include "emulator/src/file_io.h"

#include <cerrno>

#include <fcntl.h>

#include "emulator/src/real_libc.h"

namespace lirc_emulator {

std::string readAll(int fd) {
    std::string text;
    char chunk[4096];
    for (;;) {
        ssize_t got = realLibc().read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return text;
        }
        text.append(chunk, static_cast<size_t>(got));
    }
}

std::optional<std::string> readWholeFile(const std::string& path) {
    int fd = realLibc().open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string text = readAll(fd);
    realLibc().close(fd);
    return text;
}

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t put = realLibc().write(fd, text.data(), text.size());
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<size_t>(put));
    }
    return true;
}

bool appendLine(const std::string& path, std::string_view line) {
    int fd = realLibc().open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    std::string whole(line);
    whole += '\n';
    bool written = writeAll(fd, whole);
    realLibc().close(fd);
    return written;
}

}  // namespace lirc_emulator
