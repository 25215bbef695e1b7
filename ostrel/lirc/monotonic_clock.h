// A std::chrono clock on CLOCK_MONOTONIC, read with clock_gettime from the C
// library: std::chrono::steady_clock::now is compiled into libstdc++, which
// the library does not load.
#pragma once

#include <chrono>
#include <ctime>

namespace ostrel {

struct MonotonicClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<MonotonicClock>;
    static constexpr bool is_steady = true;

    static time_point now() noexcept {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return time_point(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
    }
};

}  // namespace ostrel
