// Writing a signal file in the keyword form, which every ir-ctl reads.
#include <charconv>
#include <cstring>

#include "ostrel/codec/protocols/scancode_decoding.h"
#include "ostrel/codec/signal_file.h"

namespace ostrel {

namespace {

// "carrier 16777214\n" is the longest line.
constexpr size_t longestLine = 17;

// Writes "<keyword> <value>\n" at out, which has room for longestLine bytes,
// and returns the end of what it wrote.
char* writeLine(char* out, std::string_view keyword, uint32_t value) {
    std::memcpy(out, keyword.data(), keyword.size());
    out += keyword.size();
    *out++ = ' ';
    out = std::to_chars(out, out + 10, value).ptr;  // ten digits hold any uint32_t
    *out++ = '\n';
    return out;
}

}  // namespace

std::string formatSignalFile(const Signal& signal) {
    // Written into room made beforehand, then cut to size: appending byte by
    // byte would check the string's capacity at every byte.
    std::string out(longestLine * (signal.durations.size() + 1), '\0');
    char* end = out.data();
    if (signal.carrier) {
        end = writeLine(end, "carrier", *signal.carrier);
    }
    for (size_t i = 0; i < signal.durations.size(); ++i) {
        end = writeLine(end, i % 2 == 0 ? "pulse" : "space", signal.durations[i]);
    }
    out.resize(static_cast<size_t>(end - out.data()));
    return out;
}

std::string formatRecording(const Signal& signal) {
    std::optional<protocols::Decoded> decoded = protocols::decodeSignal(signal.durations);
    if (!decoded) {
        return formatSignalFile(signal);
    }
    std::string text = "# scancode " + protocols::formatScancode(decoded->scancode);
    if (decoded->toggle) {
        text += *decoded->toggle ? " # toggle 1" : " # toggle 0";
    }
    return text + "\n" + formatSignalFile(signal);
}

}  // namespace ostrel
