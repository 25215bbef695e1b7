// Writing a signal file in the keyword form, which every ir-ctl reads.
#include <charconv>

#include "signal_file.h"

namespace ostrel {

namespace {

void appendLine(std::string& out, std::string_view keyword, uint32_t value) {
    char digits[16];
    auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    (void)error;  // ten digits always fit
    out += keyword;
    out += ' ';
    out.append(digits, end);
    out += '\n';
}

}  // namespace

std::string formatSignalFile(const Signal& signal) {
    std::string out;
    // "space 16777214\n" is the longest line.
    out.reserve(16 * (signal.durations.size() + 1));
    if (signal.carrier) {
        appendLine(out, "carrier", *signal.carrier);
    }
    for (size_t i = 0; i < signal.durations.size(); ++i) {
        appendLine(out, i % 2 == 0 ? "pulse" : "space", signal.durations[i]);
    }
    return out;
}

}  // namespace ostrel
