#include "diagnostics.h"

#include <cerrno>

#include <unistd.h>

namespace ostrel {

void reportFailure(const std::string& why) {
    // One write, so that the line is not torn apart by other output.
    std::string line = "ostrel: " + why + "\n";
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
