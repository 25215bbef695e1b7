#include "ostrel/codec/transmission_plan.h"

#include <algorithm>

#include "ostrel/codec/kernel_limits.h"

namespace ostrel {

namespace {

bool fitsOneWrite(size_t count, uint64_t microseconds) {
    return count <= mostValuesPerTransmission && microseconds <= longestTransmissionMicroseconds;
}

// The parts of durations[first .. last] (pulse first and last) cut at every
// space of `shortest` us or more, each passed to take(first, count, us).
template <typename Take>
void cutAt(const std::vector<uint32_t>& durations, size_t first, size_t last, uint32_t shortest,
           Take take) {
    size_t partFirst = first;
    uint64_t microseconds = 0;
    for (size_t at = first; at <= last; ++at) {
        if (at % 2 == first % 2 || durations[at] < shortest) {
            microseconds += durations[at];
            continue;
        }
        take(partFirst, at - partFirst, microseconds);
        partFirst = at + 1;
        microseconds = 0;
    }
    take(partFirst, last + 1 - partFirst, microseconds);
}

// Whether every part of the frame cut at its spaces of `shortest` us or more
// fits one write.
bool partsFit(const std::vector<uint32_t>& durations, size_t first, size_t last,
              uint32_t shortest) {
    bool fit = true;
    cutAt(durations, first, last, shortest, [&fit](size_t, size_t count, uint64_t microseconds) {
        fit = fit && fitsOneWrite(count, microseconds);
    });
    return fit;
}

// The longest length such that the frame's spaces of that length or more cut
// it into parts that each fit one write. Cutting at every space leaves single
// pulses, which fit when no pulse is longer than a write, so one exists; and a
// shorter length only cuts more, so the longest is found by bisection.
uint32_t longestCuttingSpace(const std::vector<uint32_t>& durations, size_t first, size_t last) {
    std::vector<uint32_t> lengths;
    for (size_t at = first + 1; at < last; at += 2) {
        lengths.push_back(durations[at]);
    }
    if (lengths.empty()) {
        return 1;  // a lone pulse: nothing to cut
    }
    std::sort(lengths.begin(), lengths.end());
    lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
    // lengths[low] always cuts the frame into parts that fit; lengths[high] does not.
    size_t low = 0;
    size_t high = lengths.size();
    while (high - low > 1) {
        size_t middle = low + (high - low) / 2;
        if (partsFit(durations, first, last, lengths[middle])) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return lengths[low];
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
    for (size_t at = 0; at < durations.size(); at += 2) {
        if (durations[at] > longestTransmissionMicroseconds) {
            plan.refusal = "pulse " + std::to_string(at / 2 + 1) + " (value " +
                           std::to_string(at + 1) + ") lasts " + std::to_string(durations[at]) +
                           " us, more than the " + std::to_string(longestTransmissionMicroseconds) +
                           " a LIRC device sends in one write";
            return plan;
        }
    }
    // Each part, in order, joins the write before it while that write stays
    // within the kernel's limits, the space between them sent inside it.
    auto take = [&plan, &durations](size_t first, size_t count, uint64_t microseconds) {
        size_t end = first + count;
        uint32_t gapAfter = end < durations.size() ? durations[end] : 0;
        if (!plan.writes.empty()) {
            PlannedWrite& last = plan.writes.back();
            if (fitsOneWrite(last.count + 1 + count,
                             last.microseconds + last.gapAfter + microseconds)) {
                last.count += 1 + count;
                last.microseconds += last.gapAfter + microseconds;
                last.gapAfter = gapAfter;
                return;
            }
        }
        plan.writes.push_back({first, count, microseconds, gapAfter});
    };
    // The frames, between spaces of frameEndingSpace or more; one too long for
    // a write is cut at its longest spaces first.
    size_t frameFirst = 0;
    uint64_t frameMicroseconds = 0;
    for (size_t at = 0; at < durations.size(); ++at) {
        frameMicroseconds += durations[at];
        bool frameEnds = at + 1 == durations.size() || durations[at + 1] >= frameEndingSpace;
        if (at % 2 == 1 || !frameEnds) {
            continue;
        }
        size_t count = at + 1 - frameFirst;
        if (fitsOneWrite(count, frameMicroseconds)) {
            take(frameFirst, count, frameMicroseconds);
        } else {
            cutAt(durations, frameFirst, at, longestCuttingSpace(durations, frameFirst, at), take);
        }
        frameFirst = at + 2;
        frameMicroseconds = 0;
        ++at;  // the space after the frame
    }
    return plan;
}

std::vector<PlannedWrite> framesOf(const std::vector<uint32_t>& durations, const PlannedWrite& write) {
    std::vector<PlannedWrite> frames;
    size_t end = write.first + write.count;
    PlannedWrite frame{write.first, 0, 0, 0};
    for (size_t at = write.first; at < end; ++at) {
        bool space = (at - write.first) % 2 == 1;
        if (space && durations[at] >= frameEndingSpace) {
            frame.count = at - frame.first;
            frame.gapAfter = durations[at];
            frames.push_back(frame);
            frame = PlannedWrite{at + 1, 0, 0, 0};
            continue;
        }
        frame.microseconds += durations[at];
    }
    frame.count = end - frame.first;
    frame.gapAfter = write.gapAfter;
    frames.push_back(frame);
    return frames;
}

}  // namespace ostrel
