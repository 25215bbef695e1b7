// A Flipper Zero IR file (.ir), as its firmware writes and reads it
// (documentation/file_formats/InfraredFileFormats.md of flipperzero-firmware):
//
//     Filetype: IR signals file
//     Version: 1
//     #
//     name: Power
//     type: parsed
//     protocol: NEC
//     address: 07 00 00 00
//     command: 02 00 00 00
//
// "key: value" lines, "#" lines between signals. A signal is "raw", with its
// carrier ("frequency", Hz), duty cycle ("duty_cycle", a fraction) and
// durations ("data", microseconds, pulse first), or "parsed", a protocol's
// address and command as four hex bytes each, least significant first. A
// file may hold many signals; each is read on its own.
#include <algorithm>
#include <string>
#include <vector>

#include "ostrel/codec/flipper_signals.h"
#include "ostrel/codec/protocols/flipper_protocols.h"
#include "ostrel/codec/signal_forms.h"
#include "ostrel/codec/text_scanning.h"

namespace ostrel::forms {

namespace {

// Flipper's INFRARED_MIN_FREQUENCY and INFRARED_MAX_FREQUENCY: the carriers
// it sends a raw signal at, and takes a file's raw signal with.
constexpr uint32_t lowestFlipperCarrier = 10000;
constexpr uint32_t highestFlipperCarrier = 56000;

struct Entry {
    std::string_view key;
    std::string_view value;
    size_t line;
};

// A value as quoted in an error, cut short when long: blanks stay, as
// Flipper's values have them.
std::string shown(std::string_view value, size_t longest = 40) {
    // Appended piece by piece: g++ 12 at -O3 takes "'" + a string for an
    // overlapping copy (-Wrestrict).
    std::string text = "'";
    text += text::printable(value.substr(0, longest));
    text += value.size() > longest ? "...'" : "'";
    return text;
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view blank = " \t\r";
    size_t first = text.find_first_not_of(blank);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blank) - first + 1);
}

// A fraction as Flipper writes it ("0.330000") in whole percent, halves
// rounded up; nothing for text that is not digits with at most one ".".
std::optional<uint32_t> percentOf(std::string_view text) {
    size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
    auto digitsOnly = [](std::string_view digits) {
        return digits.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if ((whole.empty() && fraction.empty()) || !digitsOnly(whole) || !digitsOnly(fraction)) {
        return std::nullopt;
    }
    constexpr uint64_t billion = 1000000000;
    uint64_t wholeValue = 0;
    for (char c : whole) {
        // Past 1000 the value is no duty cycle however it goes on.
        wholeValue = std::min<uint64_t>(wholeValue * 10 + static_cast<uint64_t>(c - '0'), 1000);
    }
    // In units of 10^-9. Digits past the ninth cannot change a percentage
    // rounded with halves up once the value is cut, not rounded, there.
    uint64_t value = wholeValue * billion;
    uint64_t unit = billion / 10;
    for (size_t i = 0; i < fraction.size() && i < 9; ++i, unit /= 10) {
        value += static_cast<uint64_t>(fraction[i] - '0') * unit;
    }
    return static_cast<uint32_t>((value + billion / 200) / (billion / 100));
}

// Four hex bytes "EE 87 00 00", least significant first.
std::optional<uint32_t> littleEndianOf(std::string_view text) {
    text::LineWords words(text, text::blanks);
    words.nextLine();
    uint32_t value = 0;
    unsigned count = 0;
    while (std::optional<std::string_view> word = words.nextWord()) {
        if (count == 4 || word->size() != 2) {
            return std::nullopt;
        }
        uint32_t byte = 0;
        for (char c : *word) {
            unsigned digit = c >= '0' && c <= '9'   ? static_cast<unsigned>(c - '0')
                             : c >= 'A' && c <= 'F' ? static_cast<unsigned>(c - 'A' + 10)
                             : c >= 'a' && c <= 'f' ? static_cast<unsigned>(c - 'a' + 10)
                                                    : 16;
            if (digit == 16) {
                return std::nullopt;
            }
            byte = byte << 4 | digit;
        }
        value |= byte << (8 * count++);
    }
    if (count != 4) {
        return std::nullopt;
    }
    return value;
}

// A type of signal and the keys it has besides name and type.
struct SignalType {
    const char* name;
    const char* keys[3];
};
constexpr SignalType raw{"raw", {"frequency", "duty_cycle", "data"}};
constexpr SignalType parsed{"parsed", {"protocol", "address", "command"}};

// One signal: the entries from its name: line to the next signal's.
class SignalReader {
public:
    SignalReader(const Entry* begin, const Entry* end) : begin_(begin), end_(end) {}

    FlipperSignalReading read();

private:
    bool readSignal();
    // Fails on a key of the other type, or one of the signal's own missing.
    bool hasKeysOf(const SignalType& own, const SignalType& other);
    bool readRaw();
    bool readParsed();

    const Entry* field(std::string_view key) const;
    bool fail(size_t line, std::string reason) {
        reading_.outcome.line = line;
        reading_.outcome.reason = std::move(reason);
        return false;
    }
    bool fail(const Entry& entry, std::string reason) { return fail(entry.line, std::move(reason)); }

    const Entry* begin_;  // the name: entry
    const Entry* end_;
    FlipperSignalReading reading_;
};

FlipperSignalReading SignalReader::read() {
    reading_.name = begin_->value;
    reading_.line = begin_->line;
    if (!readSignal()) {
        reading_.outcome.signal = {};
    }
    return std::move(reading_);
}

const Entry* SignalReader::field(std::string_view key) const {
    for (const Entry* entry = begin_ + 1; entry != end_; ++entry) {
        if (entry->key == key) {
            return entry;
        }
    }
    return nullptr;
}

bool SignalReader::readSignal() {
    constexpr std::string_view keys[] = {"type",     "frequency", "duty_cycle", "data",
                                         "protocol", "address",   "command"};
    for (const Entry* entry = begin_ + 1; entry != end_; ++entry) {
        bool known = false;
        for (std::string_view key : keys) {
            known = known || entry->key == key;
        }
        if (!known) {
            return fail(*entry, "unknown key " + text::quoted(entry->key) +
                                    "; a signal has name and type, and frequency, duty_cycle and "
                                    "data (raw) or protocol, address and command (parsed)");
        }
        if (const Entry* first = field(entry->key); first != entry) {
            return fail(*entry, std::string(entry->key) + " given twice, first on line " +
                                    std::to_string(first->line));
        }
    }
    const Entry* type = field("type");
    if (!type) {
        return fail(*begin_, "signal without a type: line (raw or parsed)");
    }
    if (type->value == raw.name) {
        reading_.type = type->value;
        return readRaw();
    }
    if (type->value == parsed.name) {
        reading_.type = type->value;
        return readParsed();
    }
    return fail(*type, "type " + shown(type->value) + ": expected raw or parsed");
}

bool SignalReader::hasKeysOf(const SignalType& own, const SignalType& other) {
    for (const char* key : other.keys) {
        if (const Entry* wrong = field(key)) {
            return fail(*wrong, std::string(key) + ": belongs to a " + other.name +
                                    " signal, not a " + own.name + " one");
        }
    }
    for (const char* key : own.keys) {
        if (!field(key)) {
            return fail(*field("type"), std::string(own.name) + " signal without " + key + ":");
        }
    }
    return true;
}

// Decimal digits only, however many.
bool isDecimalNumber(std::string_view word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool SignalReader::readRaw() {
    if (!hasKeysOf(raw, parsed)) {
        return false;
    }
    const Entry* frequency = field("frequency");
    const Entry* dutyCycle = field("duty_cycle");
    const Entry* data = field("data");
    std::optional<uint32_t> carrier = text::durationValue(frequency->value);
    if (!carrier || *carrier < lowestFlipperCarrier || *carrier > highestFlipperCarrier) {
        return fail(*frequency, "frequency " + shown(frequency->value) +
                                    ": expected a carrier from 10000 to 56000 Hz, as Flipper sends");
    }
    std::optional<uint32_t> percent = percentOf(dutyCycle->value);
    if (!percent) {
        return fail(*dutyCycle, "duty_cycle " + shown(dutyCycle->value) +
                                    ": expected a decimal fraction, such as 0.33");
    }
    if (*percent < leastDutyCycle || *percent > greatestDutyCycle) {
        return fail(*dutyCycle, "duty_cycle " + shown(dutyCycle->value) +
                                    ": a LIRC device takes a duty cycle of 1 to 99 %");
    }
    std::vector<uint32_t>& durations = reading_.outcome.signal.durations;
    text::LineWords values(data->value, text::blanks);
    values.nextLine();
    while (std::optional<std::string_view> word = values.nextWord()) {
        std::optional<uint32_t> value = text::durationValue(*word);
        if (!value) {
            // A number no device sends (0, or longer than a LIRC sample holds)
            // refuses this signal; a word that is no number, the file.
            reading_.sendRefused = isDecimalNumber(*word);
            return fail(*data, "data value " + std::to_string(durations.size() + 1) + ", " +
                                   text::quoted(*word) + ", is not a decimal number from 1 to " +
                                   std::to_string(longestDuration));
        }
        durations.push_back(*value);
    }
    if (durations.empty()) {
        return fail(*data, "data: without durations");
    }
    // A capture that ends with a space: a transmission ends with its last pulse.
    if (durations.size() % 2 == 0) {
        durations.pop_back();
    }
    reading_.outcome.signal.carrier = carrier;
    reading_.outcome.signal.dutyCycle = percent;
    return true;
}

bool SignalReader::readParsed() {
    if (!hasKeysOf(parsed, raw)) {
        return false;
    }
    const Entry* protocol = field("protocol");
    const Entry* address = field("address");
    const Entry* command = field("command");
    reading_.protocol = protocol->value;
    std::optional<uint32_t> addressValue = littleEndianOf(address->value);
    std::optional<uint32_t> commandValue = littleEndianOf(command->value);
    for (auto [entry, value] : {std::pair{address, addressValue}, std::pair{command, commandValue}}) {
        if (!value) {
            return fail(*entry, std::string(entry->key) + " " + shown(entry->value) +
                                    ": expected four hex bytes, least significant first, such as "
                                    "07 00 00 00");
        }
    }
    protocols::FlipperSignal signal =
        protocols::encodeFlipperSignal(protocol->value, *addressValue, *commandValue);
    switch (signal.fault) {
    case protocols::FlipperSignal::Fault::none:
        break;
    case protocols::FlipperSignal::Fault::protocol:
        reading_.sendRefused = true;
        return fail(*protocol, "protocol " + shown(protocol->value) + ": " + signal.reason);
    case protocols::FlipperSignal::Fault::address:
        reading_.sendRefused = true;
        return fail(*address, signal.reason);
    case protocols::FlipperSignal::Fault::command:
        reading_.sendRefused = true;
        return fail(*command, signal.reason);
    }
    reading_.outcome.signal.durations = std::move(signal.durations);
    reading_.outcome.signal.carrier = signal.carrier;
    reading_.outcome.signal.dutyCycle = signal.dutyCycle;
    return true;
}

// The file: its entries, its header, then each signal.
class FlipperReader {
public:
    explicit FlipperReader(std::string_view text) : text_(text) {}

    FlipperFileReading read();

private:
    bool readEntries();
    bool readHeader();
    bool readSignals();

    bool fail(size_t line, std::string reason) {
        reading_.line = line;
        reading_.reason = std::move(reason);
        return false;
    }
    bool fail(const Entry& entry, std::string reason) { return fail(entry.line, std::move(reason)); }

    std::string_view text_;
    std::vector<Entry> entries_;
    FlipperFileReading reading_;
};

FlipperFileReading FlipperReader::read() {
    if (!readEntries() || !readHeader() || !readSignals()) {
        reading_.signals.clear();
    }
    return std::move(reading_);
}

bool FlipperReader::readEntries() {
    size_t line = 0;
    for (size_t start = 0; start < text_.size(); ++line) {
        size_t end = text_.find('\n', start);
        if (end == std::string_view::npos) {
            end = text_.size();
        }
        std::string_view content = trimmed(text_.substr(start, end - start));
        start = end + 1;
        if (content.empty() || content.front() == '#') {
            continue;
        }
        size_t colon = content.find(':');
        if (colon == std::string_view::npos) {
            return fail(line + 1, "expected 'key: value', such as 'type: raw', not " +
                                      shown(content));
        }
        entries_.push_back({trimmed(content.substr(0, colon)), trimmed(content.substr(colon + 1)),
                            line + 1});
    }
    return true;
}

bool FlipperReader::readHeader() {
    if (entries_.empty() || entries_.front().key != "Filetype") {
        return fail(entries_.empty() ? 0 : entries_.front().line,
                    "expected Filetype: IR signals file");
    }
    const Entry& filetype = entries_.front();
    if (filetype.value != "IR signals file" && filetype.value != "IR library file") {
        return fail(filetype, "Filetype " + shown(filetype.value) +
                                  " is no IR file; expected Filetype: IR signals file");
    }
    if (entries_.size() < 2 || entries_[1].key != "Version") {
        return fail(entries_.size() < 2 ? filetype.line : entries_[1].line,
                    "expected Version: 1 after the Filetype");
    }
    if (entries_[1].value != "1") {
        return fail(entries_[1], "Version " + shown(entries_[1].value) +
                                     "; Flipper's IR files read here are of version 1");
    }
    return true;
}

// Each signal begins at its name: entry; the first right after the header.
bool FlipperReader::readSignals() {
    const Entry* const end = entries_.data() + entries_.size();
    const Entry* const afterHeader = entries_.data() + 2;
    const Entry* first = std::find_if(afterHeader, end, [](const Entry& e) { return e.key == "name"; });
    if (first == end) {
        return fail(0, "no signal in the file: none has a name: line");
    }
    if (first != afterHeader) {
        return fail(*afterHeader, "expected name: after the Version, not " +
                                      text::quoted(afterHeader->key));
    }
    for (const Entry* begin = first; begin != end;) {
        const Entry* next =
            std::find_if(begin + 1, end, [](const Entry& e) { return e.key == "name"; });
        reading_.signals.push_back(SignalReader(begin, next).read());
        begin = next;
    }
    return true;
}

}  // namespace

FlipperFileReading readFlipperSignals(std::string_view text) { return FlipperReader(text).read(); }

// The one signal of the file; a file of several is refused with their names,
// since irplay plays one signal per file.
Outcome readFlipperForm(std::string_view text) {
    FlipperFileReading file = readFlipperSignals(text);
    Outcome outcome;
    if (file.failed()) {
        outcome.line = file.line;
        outcome.reason = std::move(file.reason);
        return outcome;
    }
    if (file.signals.size() > 1) {
        // As many names as a line can hold; the rest counted.
        constexpr size_t shownNames = 10;
        std::string list;
        for (size_t i = 0; i < file.signals.size() && i < shownNames; ++i) {
            std::string name = shown(file.signals[i].name, 24);
            list += (i == 0 ? "" : ", ") + name.substr(1, name.size() - 2);
        }
        if (file.signals.size() > shownNames) {
            list += " and " + std::to_string(file.signals.size() - shownNames) + " more";
        }
        outcome.line = file.signals[1].line;
        outcome.reason = std::to_string(file.signals.size()) + " signals (" + list +
                         "); irplay plays one signal per file: irsignal extract FILE#NAME -o "
                         "KEY.ir saves one in a file of its own";
        return outcome;
    }
    return std::move(file.signals.front().outcome);
}

}  // namespace ostrel::forms
