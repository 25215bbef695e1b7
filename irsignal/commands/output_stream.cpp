#include <cerrno>
#include <cstdio>
#include <cstring>

#include "irsignal/commands/commands.h"

namespace irsignal {

bool writeStandardOutput(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
        int error = errno;
        std::fprintf(stderr, "irsignal: standard output: %s\n", std::strerror(error));
        return false;
    }
    return true;
}

}  // namespace irsignal
