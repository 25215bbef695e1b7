// Fuzzes the signal-file reader, in all its forms (ir-ctl's keywords and
// list, Pronto hex, Flipper IR files: the seeds and the dictionary have each),
// with arbitrary bytes. A file is either refused, with a reason and a line of
// the file, or read to a signal a LIRC device could send (when within the
// kernel's limits, which play() checks next) and that reads back the same
// from either of ir-ctl's forms it can be written in; what it decodes as, if
// anything, is a scancode a file can name.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "ostrel/codec/signal_file.h"

namespace {

// The list form of the signal, "+N -N ... +N", without its carrier.
std::string asList(const ostrel::Signal& signal) {
    std::string text;
    for (size_t i = 0; i < signal.durations.size(); ++i) {
        text += i == 0 ? "+" : i % 2 == 0 ? " +" : " -";
        text += std::to_string(signal.durations[i]);
    }
    return text + "\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    ostrel::SignalFileReading reading = ostrel::parseSignalFile(text, "fuzz.ir");
    if (!reading.ok()) {
        fuzz::check(!reading.reason.empty(), "a refusal gives a reason");
        size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
        fuzz::check(reading.line <= lines, "a refusal names a line of the file",
                    std::to_string(reading.line) + " of " + std::to_string(lines));
        fuzz::check(reading.signal.durations.empty(), "a refusal gives no signal");
        return 0;
    }
    fuzz::check(reading.reason.empty() && reading.line == 0, "a reading gives no reason");
    fuzz::check(!reading.signal.durations.empty(), "a reading gives a pulse");
    fuzz::checkSendable(reading.signal);
    fuzz::withinKernelLimits(reading.signal);
    fuzz::checkPlan(reading.signal);
    fuzz::checkReadsBack(reading.signal);
    fuzz::checkDecoding(reading.signal);

    std::string list = asList(reading.signal);
    if (list.size() <= ostrel::largestSignalFile) {
        ostrel::SignalFileReading listed = ostrel::parseSignalFile(list, "listed");
        fuzz::check(listed.ok(), "the list form reads back", listed.error);
        fuzz::check(listed.signal.durations == reading.signal.durations && !listed.signal.carrier,
                    "the list form reads back to the same durations");
    }
    return 0;
}
