#include "irsignal/output/list_line.h"

#include "irsignal/output/signal_text.h"
#include "ostrel/codec/kernel_limits.h"
#include "ostrel/codec/text_scanning.h"

namespace irsignal {

std::string listLine(const CatalogEntry& entry, std::string_view shownName) {
    // Appended piece by piece: g++ 12 at -O3 takes "\t" + a string for an
    // overlapping copy (-Wrestrict).
    std::string line(shownName);
    auto field = [&line](const std::string& text) {
        line += '\t';
        line += text;
    };
    field(ostrel::text::printable(entry.form));
    line += '\t';
    if (!entry.refusal.empty()) {
        return line + "cannot be sent: " + oneLine(entry.refusal) + "\n";
    }
    if (entry.scancode) {
        line += ostrel::protocols::formatScancode(*entry.scancode);
    } else {
        line += decodedText(entry.signal.durations).value_or("-");
    }
    field(carrierText(entry.signal));
    field(millisecondsText(ostrel::totalMicroseconds(entry.signal)));
    field(framesText(entry.frames));
    return line + "\n";
}

}  // namespace irsignal
