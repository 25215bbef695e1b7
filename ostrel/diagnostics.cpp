#include "diagnostics.h"

#include <cerrno>

#include <unistd.h>

#include "text_scanning.h"

namespace ostrel {

void reportFailure(const std::string& why) {
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
