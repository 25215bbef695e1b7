#include "ostrel/codec/transmission_plan.h"

#include "ostrel/codec/kernel_limits.h"

namespace ostrel {

namespace {

std::string frameName(size_t number, const PlannedWrite& frame) {
    return "frame " + std::to_string(number) + " (values " + std::to_string(frame.first + 1) +
           " to " + std::to_string(frame.first + frame.count) + ")";
}

// Why the frame alone is more than one write takes, or nothing.
std::string frameLimitViolation(size_t number, const PlannedWrite& frame) {
    if (frame.count > mostValuesPerTransmission) {
        return frameName(number, frame) + " has " + std::to_string(frame.count) +
               " values, more than the " + std::to_string(mostValuesPerTransmission) +
               " a LIRC device accepts in one write";
    }
    if (frame.microseconds > longestTransmissionMicroseconds) {
        return frameName(number, frame) + " lasts " + std::to_string(frame.microseconds) +
               " us, more than the " + std::to_string(longestTransmissionMicroseconds) +
               " a LIRC device sends in one write";
    }
    return {};
}

}  // namespace

TransmissionPlan planTransmission(const Signal& signal) {
    TransmissionPlan plan;
    if (uint64_t total = totalMicroseconds(signal); total > longestPlayedMicroseconds) {
        plan.refusal = std::to_string(total) + " us in all, more than the " +
                       std::to_string(longestPlayedMicroseconds) + " us (" +
                       std::to_string(longestPlayedMicroseconds / 1000000) + " s) played at most";
        return plan;
    }
    const std::vector<uint32_t>& durations = signal.durations;
    PlannedWrite frame;
    size_t frames = 0;
    for (size_t at = 0; at < durations.size(); ++at) {
        bool frameEnds = at + 1 == durations.size() || durations[at + 1] >= frameEndingSpace;
        if (at % 2 == 1 || !frameEnds) {
            continue;
        }
        // durations[frame.first .. at] is a frame: pulse first and last.
        frame.count = at + 1 - frame.first;
        frame.microseconds = 0;
        for (size_t i = frame.first; i <= at; ++i) {
            frame.microseconds += durations[i];
        }
        frame.gapAfter = at + 1 < durations.size() ? durations[at + 1] : 0;
        if (std::string violation = frameLimitViolation(++frames, frame); !violation.empty()) {
            plan.writes.clear();
            plan.refusal = violation;
            return plan;
        }
        if (!plan.writes.empty()) {
            PlannedWrite& last = plan.writes.back();
            if (last.count + 1 + frame.count <= mostValuesPerTransmission &&
                last.microseconds + last.gapAfter + frame.microseconds <=
                    longestTransmissionMicroseconds) {
                last.count += 1 + frame.count;
                last.microseconds += last.gapAfter + frame.microseconds;
                last.gapAfter = frame.gapAfter;
                frame.first = at + 2;
                continue;
            }
        }
        plan.writes.push_back(frame);
        frame.first = at + 2;
    }
    return plan;
}

}  // namespace ostrel
