#include "irsignal/compare/signal_comparison.h"

#include <algorithm>
#include <span>

#include "irsignal/output/signal_text.h"
#include "irsignal/signal/signal_frames.h"
#include "ostrel/codec/protocols/scancode_decoding.h"

namespace irsignal {

namespace {

std::span<const uint32_t> firstFrame(const CatalogEntry& entry) {
    std::span<const uint32_t> durations = entry.signal.durations;
    std::vector<FrameSpan> frames = splitFrames(durations, entry.frames);
    if (frames.empty()) {
        return {};
    }
    return durations.subspan(frames.front().first, frames.front().count);
}

struct Deviation {
    size_t index = 0;  // 0-based
    uint32_t first = 0;
    uint32_t second = 0;
    uint32_t by = 0;
    uint32_t tolerance = 0;

    bool within() const { return by <= tolerance; }
};

// The deviation that is largest against its tolerance; equal frames have
// one of 0.
Deviation largestDeviation(std::span<const uint32_t> a, std::span<const uint32_t> b) {
    Deviation largest;
    bool found = false;
    for (size_t i = 0; i < a.size(); ++i) {
        Deviation d{i, a[i], b[i], a[i] > b[i] ? a[i] - b[i] : b[i] - a[i], toleranceFor(a[i], b[i])};
        // By how far it is beyond (or within) its tolerance, in parts of it.
        if (!found || static_cast<uint64_t>(d.by) * largest.tolerance >
                          static_cast<uint64_t>(largest.by) * d.tolerance) {
            largest = d;
            found = true;
        }
    }
    return largest;
}

std::string deviationText(const Deviation& d) {
    return "value " + std::to_string(d.index + 1) + (d.index % 2 == 0 ? " (pulse), " : " (space), ") +
           std::to_string(d.first) + " us against " + std::to_string(d.second) + " us: " +
           std::to_string(d.by) + " us, " + (d.within() ? "within " : "beyond ") +
           std::to_string(d.tolerance) + " us";
}

std::string decodesText(const char* which, std::string_view name, const CatalogEntry& entry,
                        const std::optional<ostrel::protocols::Decoded>& decoded, size_t values) {
    std::string line = std::string(which) + ": " + std::string(name) + ": ";
    if (decoded) {
        line += ostrel::protocols::formatScancode(decoded->scancode);
        if (decoded->toggle) {
            line += *decoded->toggle ? " toggle 1" : " toggle 0";
        }
    } else {
        line += "no protocol";
    }
    line += ", a first frame of " + valuesText(values) + " (" +
            framesText(entry.frames) + " in all)";
    return line;
}

}  // namespace

uint32_t toleranceFor(uint32_t a, uint32_t b) {
    uint32_t longer = std::max(a, b);
    return std::max<uint32_t>(static_cast<uint32_t>(uint64_t{longer} * tolerancePercent / 100),
                              toleranceMicroseconds);
}

Comparison compareSignals(const CatalogEntry& first, std::string_view firstName,
                          const CatalogEntry& second, std::string_view secondName) {
    std::span<const uint32_t> a = firstFrame(first);
    std::span<const uint32_t> b = firstFrame(second);
    std::optional<ostrel::protocols::Decoded> decodedA = ostrel::protocols::decodeSignal(first.signal.durations);
    std::optional<ostrel::protocols::Decoded> decodedB = ostrel::protocols::decodeSignal(second.signal.durations);
    Comparison comparison;
    comparison.lines.push_back(decodesText("first", firstName, first, decodedA, a.size()));
    comparison.lines.push_back(decodesText("second", secondName, second, decodedB, b.size()));

    std::optional<Deviation> deviation;
    if (a.size() == b.size()) {
        deviation = largestDeviation(a, b);
        comparison.lines.push_back("largest deviation: " + deviationText(*deviation));
    } else {
        comparison.lines.push_back("largest deviation: none measured, the first frames have " +
                                   std::to_string(a.size()) + " and " + std::to_string(b.size()) +
                                   " values");
    }

    if (decodedA && decodedB) {
        std::string codeA = ostrel::protocols::formatScancode(decodedA->scancode);
        std::string codeB = ostrel::protocols::formatScancode(decodedB->scancode);
        comparison.same = decodedA->scancode == decodedB->scancode;
        comparison.lines.push_back(comparison.same ? "same code: " + codeA + ", as both decode"
                                                   : "different codes: " + codeA + " and " + codeB);
        return comparison;
    }
    if (!deviation) {
        comparison.lines.push_back("different codes: first frames of " + std::to_string(a.size()) +
                                   " and " + std::to_string(b.size()) + " values");
        return comparison;
    }
    comparison.same = deviation->within();
    comparison.lines.push_back(
        comparison.same ? "same code: every value of the first frames within 30 % or 100 us"
                        : "different codes: " + deviationText(*deviation));
    return comparison;
}

}  // namespace irsignal

