// What the fuzzers share: a check that aborts with a message, so that
// libFuzzer records the input that broke it, and the properties every signal
// the library hands on must have.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ostrel/codec/kernel_limits.h"
#include "ostrel/codec/protocols/scancode_decoding.h"
#include "ostrel/codec/protocols/scancode_encoding.h"
#include "ostrel/codec/signal_file.h"
#include "ostrel/codec/transmission_plan.h"

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
    if (signal.carrier && *signal.carrier != ostrel::unmodulated) {
        check(*signal.carrier >= 1 && *signal.carrier <= ostrel::longestDuration,
              "a carrier from 1 to 16777214, or none at all", std::to_string(*signal.carrier));
    }
    if (signal.dutyCycle) {
        check(*signal.dutyCycle >= 1 && *signal.dutyCycle <= 99, "a duty cycle from 1 to 99 %",
              std::to_string(*signal.dutyCycle));
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

// The writes a well-formed signal is cut into: in order, each pulse first and
// last and within the kernel's limits, and, with the gaps between them, the
// signal itself. Refused only when over 60 s or with a pulse longer than a
// write; returns whether it plays.
inline bool checkPlan(const ostrel::Signal& signal) {
    ostrel::TransmissionPlan plan = ostrel::planTransmission(signal);
    const auto& durations = signal.durations;
    uint64_t total = 0;
    uint32_t longestPulse = 0;
    for (size_t i = 0; i < durations.size(); ++i) {
        total += durations[i];
        longestPulse = i % 2 == 0 && durations[i] > longestPulse ? durations[i] : longestPulse;
    }
    bool playable = total <= ostrel::longestPlayedMicroseconds &&
                    longestPulse <= ostrel::longestTransmissionMicroseconds;
    check(plan.ok() == playable, "a plan is refused only past 60 s or for a pulse over a write",
          plan.refusal);
    if (!plan.ok()) {
        check(plan.writes.empty(), "a refused plan has no writes");
        return false;
    }
    size_t next = 0;
    for (size_t w = 0; w < plan.writes.size(); ++w) {
        const ostrel::PlannedWrite& write = plan.writes[w];
        check(write.first == next && write.first % 2 == 0 && write.count % 2 == 1,
              "writes follow each other, pulse first and last", std::to_string(w));
        check(write.first + write.count <= durations.size(), "a write within the signal");
        check(write.count <= ostrel::mostValuesPerTransmission &&
                  write.microseconds <= ostrel::longestTransmissionMicroseconds,
              "a write within the kernel's limits", std::to_string(w));
        uint64_t microseconds = 0;
        for (size_t i = write.first; i < write.first + write.count; ++i) {
            microseconds += durations[i];
        }
        check(microseconds == write.microseconds, "a write's duration is its values'");
        size_t end = write.first + write.count;
        check(end < durations.size() ? write.gapAfter == durations[end] : write.gapAfter == 0,
              "the gap after a write is the space cut at");
        next = end + 1;
    }
    check(next == durations.size() + 1, "the writes and gaps are the whole signal");
    return true;
}

// The signal as the keyword form holds it: a Pronto code's or a Flipper
// file's, without its duty cycle and unmodulated carrier.
inline ostrel::Signal asKeywords(ostrel::Signal signal) {
    signal.dutyCycle.reset();
    if (signal.carrier == ostrel::unmodulated) {
        signal.carrier.reset();
    }
    return signal;
}

// What the writer makes of the signal reads back to the same signal.
inline void checkReadsBack(const ostrel::Signal& read) {
    ostrel::Signal signal = asKeywords(read);
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

// What the signal decodes as, if anything, is a scancode a file can name:
// its line reads back to it, and what it sends decodes as it again. The
// recording's file, with that line as a comment, reads back to the signal.
inline void checkDecoding(const ostrel::Signal& read) {
    ostrel::Signal signal = asKeywords(read);
    namespace p = ostrel::protocols;
    std::optional<p::Decoded> decoded = p::decodeSignal(signal.durations);
    if (decoded) {
        std::string line = p::formatScancode(decoded->scancode);
        p::ScancodeReading reading = p::readScancode(line);
        check(reading.ok(), "a decoded scancode reads back", line + ": " + reading.reason);
        check(reading.scancode == decoded->scancode, "a decoded scancode reads back the same", line);
        check(decoded->toggle.has_value() == p::infoOf(decoded->scancode.protocol).hasToggle,
              "a toggle is named where the protocol has one", line);
        std::optional<p::Decoded> again = p::decodeSignal(p::encodeScancode(reading.scancode));
        check(again && again->scancode == decoded->scancode,
              "what a decoded scancode sends decodes as it", line);
    }
    std::string text = ostrel::formatRecording(signal);
    if (text.size() <= ostrel::largestSignalFile) {
        ostrel::SignalFileReading again = ostrel::parseSignalFile(text, "recorded");
        check(again.ok() && again.signal == signal, "a recording's file reads back to it", again.error);
    }
}

}  // namespace fuzz
