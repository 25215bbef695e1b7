// Warnings about the emulator's own configuration. They go to standard error, never to
// standard output, which belongs to the program under the emulator.
#pragma once

namespace lirc_emulator {

[[gnu::format(printf, 1, 2)]] void warn(const char* format, ...);

}  // namespace lirc_emulator
