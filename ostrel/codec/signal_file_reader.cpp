// Reading a signal file: the checks on the file as a whole, then the form
// its first line of content chooses, as ir-ctl's read_file chooses it.
#include <cstdio>
#include <optional>
#include <utility>

#include "signal_file.h"
#include "signal_forms.h"
#include "text_scanning.h"

namespace ostrel {

namespace {

constexpr std::string_view utf8ByteOrderMark = "\xEF\xBB\xBF";

SignalFileReading failure(std::string_view fileName, size_t line, std::string reason) {
    SignalFileReading reading;
    reading.line = line;
    reading.error = std::string(fileName) + ":";
    if (line != 0) {
        reading.error += std::to_string(line) + ":";
    }
    reading.error += " " + reason;
    reading.reason = std::move(reason);
    return reading;
}

bool startsUtf16(std::string_view text) {
    return text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
}

// A list when the first word that is not a comment starts like a number.
bool isListForm(std::string_view text) {
    text::LineWords lines(text, text::blanks);
    while (lines.nextLine()) {
        std::optional<std::string_view> word = lines.nextWord();
        if (word && !text::startsComment(*word)) {
            char first = word->front();
            return first == '+' || first == '-' || (first >= '0' && first <= '9');
        }
    }
    return false;
}

}  // namespace

SignalFileReading parseSignalFile(std::string_view text, std::string_view fileName) {
    if (text.size() > largestSignalFile) {
        return failure(fileName, 0, "larger than 1 MiB, too large for a signal file");
    }
    if (startsUtf16(text)) {
        return failure(fileName, 0, "UTF-16 text; save the file as UTF-8 or ASCII");
    }
    if (text.starts_with(utf8ByteOrderMark)) {
        text.remove_prefix(utf8ByteOrderMark.size());
    }
    if (auto binary = text::firstBinaryByte(text)) {
        char reason[64];
        std::snprintf(reason, sizeof reason, "binary data (byte 0x%02X), not a signal file",
                      binary->second);
        return failure(fileName, binary->first, reason);
    }
    forms::Outcome outcome = isListForm(text) ? forms::readListForm(text)
                                              : forms::readKeywordForm(text);
    if (outcome.failed()) {
        return failure(fileName, outcome.line, std::move(outcome.reason));
    }
    if (outcome.signal.durations.empty()) {
        return failure(fileName, 0, "no pulse in the file");
    }
    SignalFileReading reading;
    reading.signal = std::move(outcome.signal);
    return reading;
}

}  // namespace ostrel
