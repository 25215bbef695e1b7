#include "emulator/src/diagnostics.h"

#include <cstdarg>
#include <algorithm>
#include <cstdio>

#include "emulator/src/real_libc.h"

namespace lirc_emulator {

void warn(const char* format, ...) {
    char line[512];
    int prefix = snprintf(line, sizeof line, "lirc-emulator: ");
    va_list arguments;
    va_start(arguments, format);
    int body = vsnprintf(line + prefix, sizeof line - prefix - 1, format, arguments);
    va_end(arguments);
    size_t length = static_cast<size_t>(prefix) +
                    std::min(static_cast<size_t>(body < 0 ? 0 : body), sizeof line - prefix - 2);
    line[length++] = '\n';
    (void)realLibc().write(2, line, length);
}

}  // namespace lirc_emulator
