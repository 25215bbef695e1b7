#include "irsignal/show/show_text.h"

#include <span>

#include "irsignal/output/signal_text.h"
#include "irsignal/signal/signal_frames.h"
#include "ostrel/codec/kernel_limits.h"
#include "ostrel/codec/text_scanning.h"

namespace irsignal {

namespace {

// Durations as ir-ctl's list writes them, +pulse -space, this many a line.
constexpr size_t valuesPerLine = 8;

uint64_t sum(std::span<const uint32_t> durations) {
    uint64_t total = 0;
    for (uint32_t d : durations) {
        total += d;
    }
    return total;
}

std::string microseconds(uint64_t value) {
    return std::to_string(value) + " us (" + millisecondsText(value) + ")";
}

}  // namespace

std::string showText(const CatalogEntry& entry, std::string_view shownName) {
    const ostrel::Signal& signal = entry.signal;
    std::string text = std::string(shownName) + "\n";
    text += "form: " + ostrel::text::printable(entry.form) + "\n";
    if (entry.scancode) {
        text += "scancode: " + ostrel::protocols::formatScancode(*entry.scancode) + "\n";
    }
    text += "carrier: " + carrierText(signal);
    text += signal.carrier ? "\n" : " (the file names none: irplay's default)\n";
    text += "duty cycle: ";
    text += signal.dutyCycle ? std::to_string(*signal.dutyCycle) + " %\n"
                             : "the device's own (the file names none)\n";

    std::span<const uint32_t> durations = signal.durations;
    std::vector<FrameSpan> frames = splitFrames(durations, entry.frames);
    for (size_t f = 0; f < frames.size(); ++f) {
        if (f != 0) {
            size_t gap = frames[f].first - 1;
            text += "gap: " + microseconds(durations[gap]) + "\n";
        }
        std::span<const uint32_t> frame = durations.subspan(frames[f].first, frames[f].count);
        text += "frame " + std::to_string(f + 1) + " of " + std::to_string(frames.size()) + ": " +
                valuesText(frame.size()) + ", " + microseconds(sum(frame)) +
                ", decodes as " + decodedText(frame).value_or("no protocol") + "\n";
        for (size_t i = 0; i < frame.size(); ++i) {
            text += i % valuesPerLine == 0 ? "    " : " ";
            text += i % 2 == 0 ? '+' : '-';
            text += std::to_string(frame[i]);
            if (i % valuesPerLine == valuesPerLine - 1 || i + 1 == frame.size()) {
                text += "\n";
            }
        }
    }
    text += "total: " + valuesText(durations.size()) + ", " +
            microseconds(ostrel::totalMicroseconds(signal)) + "\n";
    return text;
}

}  // namespace irsignal
