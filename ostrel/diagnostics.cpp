#include "ostrel/diagnostics.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ostrel/codec/text_scanning.h"

namespace ostrel {

namespace {

// Whether a diagnostic may go to descriptor 2.
bool standardErrorIsOurs(int callersFile) {
    if (callersFile == STDERR_FILENO || fcntl(STDERR_FILENO, F_GETFD) < 0) {
        return false;
    }
    struct stat standardError {};
    struct stat file {};
    if (callersFile >= 0 && fstat(callersFile, &file) == 0 &&
        fstat(STDERR_FILENO, &standardError) == 0 && standardError.st_dev == file.st_dev &&
        standardError.st_ino == file.st_ino) {
        return false;
    }
    return true;
}

}  // namespace

void reportFailure(const std::string& why, int callersFile) {
    if (!standardErrorIsOurs(callersFile)) {
        return;
    }
    // One write, so that the line is not torn apart by other output. The
    // reason may hold names the user chose, with any bytes in them.
    std::string line = "ostrel: " + text::printable(why) + "\n";
    size_t done = 0;
    while (done < line.size()) {
        ssize_t wrote = write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return;
        }
        done += static_cast<size_t>(wrote);
    }
}

}  // namespace ostrel
