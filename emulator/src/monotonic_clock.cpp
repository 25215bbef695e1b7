#include "emulator/src/monotonic_clock.h"

#include <cerrno>
#include <ctime>

namespace lirc_emulator {

int64_t nowMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

bool sleepUntil(int64_t deadline) {
    timespec until{};
    until.tv_sec = static_cast<time_t>(deadline / 1000000);
    until.tv_nsec = static_cast<long>(deadline % 1000000) * 1000;
    int result = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
    return result != EINTR;
}

}  // namespace lirc_emulator
