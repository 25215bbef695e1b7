// What the fuzzers share: a check that aborts with a message, so that
// libFuzzer records the input that broke it, and the properties every signal
// the library hands on must have.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "kernel_limits.h"
#include "signal_file.h"

namespace fuzz {

[[noreturn]] inline void broken(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "fuzz check failed: %s%s%s\n", what, detail.empty() ? "" : ": ",
                 detail.c_str());
    std::abort();
}

inline void check(bool holds, const char* what, const std::string& detail = {}) {
    if (!holds) {
        broken(what, detail);
    }
}

// The shape a LIRC device sends, checked value by value rather than through
// isWellFormed, so that a fault there does not hide one here.
inline void checkSendable(const ostrel::Signal& signal) {
    const auto& durations = signal.durations;
    check(durations.size() % 2 == 1, "an odd number of durations, first and last a pulse",
          std::to_string(durations.size()));
    for (uint32_t value : durations) {
        check(value >= 1 && value <= ostrel::longestDuration, "a duration from 1 to 16777214",
              std::to_string(value));
    }
    if (signal.carrier) {
        check(*signal.carrier >= 1 && *signal.carrier <= ostrel::longestDuration,
              "a carrier from 1 to 16777214", std::to_string(*signal.carrier));
    }
    check(ostrel::isWellFormed(signal), "isWellFormed agrees");
}

// Whether the kernel would take the signal in one write, counted here, and
// whether kernelLimitViolation, which stands between a file and the device,
// says the same.
inline bool withinKernelLimits(const ostrel::Signal& signal) {
    uint64_t total = 0;
    for (uint32_t value : signal.durations) {
        total += value;
    }
    bool within = signal.durations.size() <= ostrel::mostValuesPerTransmission &&
                  total <= ostrel::longestTransmissionMicroseconds;
    check(within == ostrel::kernelLimitViolation(signal).empty(),
          "kernelLimitViolation agrees with the count and the total",
          std::to_string(signal.durations.size()) + " values, " + std::to_string(total) + " us");
    return within;
}

// What the writer makes of the signal reads back to the same signal.
inline void checkReadsBack(const ostrel::Signal& signal) {
    std::string text = ostrel::formatSignalFile(signal);
    // A signal far beyond the kernel's limits, read from a list of short
    // values, can be written larger than a signal file may be; such a signal
    // is never sent nor recorded.
    if (text.size() > ostrel::largestSignalFile) {
        check(!withinKernelLimits(signal), "a sendable signal writes a file the reader reads");
        return;
    }
    ostrel::SignalFileReading again = ostrel::parseSignalFile(text, "written");
    check(again.ok(), "the written file reads back", again.error);
    check(again.signal == signal, "the written file reads back to the same signal");
}

}  // namespace fuzz
