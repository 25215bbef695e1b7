#include "ostrel/codec/kernel_limits.h"

#include <numeric>

namespace ostrel {

uint64_t totalMicroseconds(const Signal& signal) {
    return std::accumulate(signal.durations.begin(), signal.durations.end(), uint64_t{0});
}

std::string kernelLimitViolation(const Signal& signal) {
    if (signal.durations.size() > mostValuesPerTransmission) {
        return std::to_string(signal.durations.size()) + " values, more than the " +
               std::to_string(mostValuesPerTransmission) +
               " a LIRC device accepts in one transmission";
    }
    if (uint64_t total = totalMicroseconds(signal); total > longestTransmissionMicroseconds) {
        return std::to_string(total) + " us in all, more than the " +
               std::to_string(longestTransmissionMicroseconds) +
               " a LIRC device sends in one transmission";
    }
    return {};
}

}  // namespace ostrel
