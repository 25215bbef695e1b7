#include "ostrel/codec/ir_signal.h"

#include <algorithm>

namespace ostrel {

namespace {

bool inRange(uint32_t value) { return value >= 1 && value <= longestDuration; }

}  // namespace

bool isWellFormed(const Signal& signal) {
    return signal.durations.size() % 2 == 1 &&
           std::all_of(signal.durations.begin(), signal.durations.end(), inRange) &&
           (!signal.carrier || *signal.carrier == unmodulated || inRange(*signal.carrier)) &&
           (!signal.dutyCycle ||
            (*signal.dutyCycle >= leastDutyCycle && *signal.dutyCycle <= greatestDutyCycle));
}

}  // namespace ostrel
