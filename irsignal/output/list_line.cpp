#include "irsignal/output/list_line.h"

#include "irsignal/output/signal_text.h"
#include "ostrel/codec/kernel_limits.h"
#include "ostrel/codec/text_scanning.h"

namespace irsignal {

std::string listLine(const CatalogEntry& entry, std::string_view shownName) {
    std::string line(shownName);
    line += "\t" + ostrel::text::printable(entry.form) + "\t";
    if (!entry.refusal.empty()) {
        return line + "cannot be sent: " + oneLine(entry.refusal) + "\n";
    }
    if (entry.scancode) {
        line += ostrel::protocols::formatScancode(*entry.scancode);
    } else {
        line += decodedText(entry.signal.durations).value_or("-");
    }
    line += "\t" + carrierText(entry.signal);
    line += "\t" + millisecondsText(ostrel::totalMicroseconds(entry.signal));
    line += "\t" + framesText(entry.frames);
    return line + "\n";
}

}  // namespace irsignal
