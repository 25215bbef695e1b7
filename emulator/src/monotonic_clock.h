// Monotonic time in microseconds, the emulator's single time base for receive scripts,
// transmit durations and poll/read deadlines.
#pragma once

#include <cstdint>

namespace lirc_emulator {

constexpr int64_t kNever = INT64_MAX;

int64_t nowMicroseconds();

// Sleeps until the monotonic time `deadline`; false when a signal cut the sleep short.
bool sleepUntil(int64_t deadline);

}  // namespace lirc_emulator
