// Reading a signal file: the checks on the file as a whole, then the form
// its first line of content chooses: ir-ctl's two, as its read_file chooses
// between them, Pronto hex or a Flipper IR file.
#include <cstdio>
#include <optional>
#include <utility>

#include "ostrel/codec/signal_file.h"
#include "ostrel/codec/signal_forms.h"
#include "ostrel/codec/text_scanning.h"

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

bool isKeyword(std::string_view word) {
    return word == "pulse" || word == "space" || word == "timeout" || word == "carrier" ||
           word == "scancode";
}

// The first word of a Pronto code: four hex digits, a format of only
// decimal digits or a word with a hex letter (900A), so that a list
// mistyped (9000 4500 56O) is told what a list expects.
bool startsPronto(std::string_view word) {
    if (word.size() != 4 || word.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) {
        return false;
    }
    return word == "0000" || word == "0100" || word == "5000" || word == "5001" || word == "6000" ||
           word.find_first_not_of("0123456789") != std::string_view::npos;
}

// The form the content is in, told by its first line that is not blank or a
// comment, and that line's number; the keyword form for a text without one.
// A file that reads as a list is one, as it always was, though its first
// word be a Pronto code's.
struct FormChoice {
    forms::Outcome (*reader)(std::string_view);  // none: no form begins so
    size_t line;
    std::optional<forms::Outcome> read = std::nullopt;  // the list, when read to tell
};

FormChoice chooseForm(std::string_view text) {
    text::LineWords lines(text, text::blanks);
    while (lines.nextLine()) {
        std::optional<std::string_view> word = lines.nextWord();
        if (!word || text::startsComment(*word)) {
            continue;
        }
        char first = word->front();
        if (word->starts_with("Filetype:")) {
            return {forms::readFlipperForm, lines.lineNumber()};
        }
        if (isKeyword(*word)) {
            return {forms::readKeywordForm, lines.lineNumber()};
        }
        if (first == '+' || first == '-') {
            return {forms::readListForm, lines.lineNumber()};
        }
        if (startsPronto(*word)) {
            forms::Outcome list = forms::readListForm(text);
            if (list.failed()) {
                return {forms::readProntoForm, lines.lineNumber()};
            }
            return {forms::readListForm, lines.lineNumber(), std::move(list)};
        }
        if (first >= '0' && first <= '9') {
            return {forms::readListForm, lines.lineNumber()};
        }
        return {nullptr, lines.lineNumber()};
    }
    return {forms::readKeywordForm, 0};
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
    FormChoice form = chooseForm(text);
    if (!form.reader) {
        return failure(fileName, form.line,
                       "expected a signal: ir-ctl's lines (pulse, space, timeout, carrier or "
                       "scancode), a list (+N -N ...), Pronto hex (0000 006D ...) or a Flipper IR "
                       "file (Filetype: IR signals file)");
    }
    forms::Outcome outcome = form.read ? std::move(*form.read) : form.reader(text);
    if (outcome.failed()) {
        return failure(fileName, outcome.line, std::move(outcome.reason));
    }
    if (outcome.signal.durations.empty()) {
        return failure(fileName, 0, "no pulse in the file");
    }
    SignalFileReading reading;
    reading.signal = std::move(outcome.signal);
    reading.form = form.reader == forms::readListForm     ? SignalForm::list
                   : form.reader == forms::readProntoForm ? SignalForm::pronto
                   : form.reader == forms::readFlipperForm ? SignalForm::flipper
                                                           : SignalForm::keywords;
    return reading;
}

}  // namespace ostrel
