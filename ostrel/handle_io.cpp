#include "ostrel/handle_io.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

bool readWholeFile(int descriptor, std::string& content, std::string& why) {
    // The file's name is looked up only for a message: it costs system calls.
    auto fail = [descriptor, &why](const char* reason) {
        why = nameOfOpenFile(descriptor) + ": " + reason;
        return false;
    };
    struct stat status {};
    if (fstat(descriptor, &status) != 0) {
        return fail(strerror(errno));
    }
    // A FIFO, a device or a folder has no end that a read could trust: a FIFO
    // opened for reading and writing would wait forever, /dev/zero never ends.
    if (!S_ISREG(status.st_mode)) {
        return fail("not a regular file");
    }
    if (static_cast<unsigned long long>(status.st_size) > largestSignalFile) {
        return fail("larger than 1 MiB, too large for a signal file");
    }
    // Room for the size fstat gave and one byte more, which tells a file that
    // grew meanwhile; it may grow up to one byte past the bound.
    content.assign(static_cast<size_t>(status.st_size) + 1, '\0');
    size_t have = 0;
    for (;;) {
        if (have == content.size()) {
            if (have > largestSignalFile) {
                break;
            }
            content.resize(std::min(content.size() * 2, largestSignalFile + 1));
        }
        ssize_t got = pread(descriptor, content.data() + have, content.size() - have,
                            static_cast<off_t>(have));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return fail(strerror(errno));
        }
        if (got == 0) {
            break;
        }
        have += static_cast<size_t>(got);
    }
    content.resize(have);
    if (have > largestSignalFile) {
        return fail("larger than 1 MiB, too large for a signal file");
    }
    return true;
}

bool writeWholly(int descriptor, const std::string& bytes, std::string& why) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t wrote = write(descriptor, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            why = nameOfOpenFile(descriptor) + ": cannot write the recording: " +
                  (wrote < 0 ? strerror(errno) : "nothing written");
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    return true;
}

std::string nameOfOpenFile(int descriptor) {
    std::string link = "/proc/self/fd/" + std::to_string(descriptor);
    char target[PATH_MAX];
    ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    if (length <= 0) {
        return "file descriptor " + std::to_string(descriptor);
    }
    std::string path(target, static_cast<size_t>(length));
    char folder[PATH_MAX];
    if (getcwd(folder, sizeof folder)) {
        std::string prefix = std::string(folder) + "/";
        if (prefix != "//" && path.compare(0, prefix.size(), prefix) == 0) {
            return path.substr(prefix.size());
        }
    }
    return path;
}

}  // namespace ostrel
