// Pronto hex, the form in which universal remotes, home-automation systems
// and remote-control forums pass IR codes on: words of four hex digits.
//
// Word 1 is the format. The learned forms, 0000 (modulated) and 0100
// (unmodulated), give in word 2 the frequency code N: one carrier period
// lasts N * 0.241246 us. Words 3 and 4 count the burst pairs (a pulse and a
// space, each a number of carrier periods) of the sequence sent once and of
// the one sent again while a key is held; the pairs follow, so a code has
// 4 + 2 * (once + repeat) words. The signal read is the once sequence and
// then the repeat sequence one time. A modulated code's carrier must lie
// from 10 kHz to 500 kHz; an unmodulated one uses word 2 as its time base
// only. The short forms name a code of a
// protocol instead, sent as that scancode is: 5000 RC5 (system, command),
// 5001 RC5x (system, command, data and a word not used), 6000 RC6 mode 0
// (system, command) and 900A NEC (device and subdevice, command and its
// complement), counted as burst pairs; their word 2 is not used, the
// protocol has its carrier.
#include <cstdio>
#include <string>
#include <vector>

#include "ostrel/codec/protocols/scancode.h"
#include "ostrel/codec/protocols/scancode_encoding.h"
#include "ostrel/codec/signal_forms.h"
#include "ostrel/codec/text_scanning.h"

namespace ostrel::forms {

namespace {

using protocols::Protocol;

struct Word {
    uint32_t value;
    std::string_view text;
    size_t line;
};

std::optional<uint32_t> hexWord(std::string_view text) {
    if (text.size() != 4) {
        return std::nullopt;
    }
    uint32_t value = 0;
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        value = value << 4 | digit;
    }
    return value;
}

// The frequency code's period in units of 10^-6 us: 0.241246 us a step.
constexpr uint64_t periodStep = 241246;
constexpr uint64_t million = 1000000;

// The carriers IR transmitters send: remotes use up to 455 kHz, and none
// is below 10 kHz. A modulated code whose frequency code gives a carrier
// outside them is a mistyped word, not a signal to send.
constexpr uint32_t lowestProntoCarrier = 10000;
constexpr uint32_t highestProntoCarrier = 500000;

class ProntoReader {
public:
    explicit ProntoReader(std::string_view text) : text_(text) {}

    Outcome read();

private:
    bool readWords();
    bool checkCounts();
    bool readLearned(bool modulated);
    bool readShort(Protocol protocol, size_t pairs);

    // The failure at the word numbered from 1.
    bool fail(size_t number, std::string reason) {
        outcome_.line = words_[number - 1].line;
        outcome_.reason = "word " + std::to_string(number) + ": " + std::move(reason);
        return false;
    }
    std::string shown(size_t number) const { return text::quoted(words_[number - 1].text); }
    uint32_t value(size_t number) const { return words_[number - 1].value; }

    std::string_view text_;
    std::vector<Word> words_;
    Outcome outcome_;
};

Outcome ProntoReader::read() {
    if (!readWords() || !checkCounts()) {
        return std::move(outcome_);
    }
    bool read = false;
    switch (value(1)) {
    case 0x0000:
        read = readLearned(true);
        break;
    case 0x0100:
        read = readLearned(false);
        break;
    case 0x5000:
        read = readShort(Protocol::rc5, 1);
        break;
    case 0x5001:
        read = readShort(Protocol::rc5x_20, 2);
        break;
    case 0x6000:
        read = readShort(Protocol::rc6_0, 1);
        break;
    case 0x900A:
        read = readShort(Protocol::nec, 1);
        break;
    }
    if (!read) {
        outcome_.signal = {};
    }
    return std::move(outcome_);
}

bool ProntoReader::readWords() {
    text::LineWords lines(text_, text::blanks);
    while (lines.nextLine()) {
        while (std::optional<std::string_view> word = lines.nextWord()) {
            if (text::startsComment(*word)) {
                break;
            }
            std::optional<uint32_t> value = hexWord(*word);
            words_.push_back({value.value_or(0), *word, lines.lineNumber()});
            if (!value) {
                return fail(words_.size(), text::quoted(*word) + " is not a word of four hex digits");
            }
        }
    }
    if (words_.size() < 4) {
        outcome_.line = words_.empty() ? 0 : words_.back().line;
        outcome_.reason = std::to_string(words_.size()) +
                          (words_.size() == 1 ? " word" : " words") +
                          "; a Pronto code begins with four: the format, the frequency code and "
                          "the counts of the two sequences";
        return false;
    }
    switch (value(1)) {
    case 0x0000:
    case 0x0100:
    case 0x5000:
    case 0x5001:
    case 0x6000:
    case 0x900A:
        return true;
    default:
        return fail(1, "format " + shown(1) +
                           " is none of 0000 (learned), 0100 (learned unmodulated), 5000 (RC5), "
                           "5001 (RC5x), 6000 (RC6) and 900A (NEC)");
    }
}

bool ProntoReader::checkCounts() {
    uint32_t once = value(3), repeat = value(4);
    size_t expected = 4 + 2 * (size_t{once} + repeat);
    std::string sum = "4 + 2 * (" + std::to_string(once) + " + " + std::to_string(repeat) +
                      ") = " + std::to_string(expected);
    if (once + repeat == 0) {
        return fail(3, "the once and repeat sequences (words 3 and 4) have no burst pairs");
    }
    if (words_.size() > expected) {
        return fail(expected + 1, "more words than words 3 and 4 count: " + sum);
    }
    if (words_.size() < expected) {
        outcome_.line = words_.back().line;
        outcome_.reason = std::to_string(words_.size()) +
                          " words, fewer than words 3 and 4 count: " + sum;
        return false;
    }
    return true;
}

bool ProntoReader::readLearned(bool modulated) {
    uint64_t code = value(2);
    if (code == 0) {
        return fail(2, "frequency code 0000, which gives no carrier period");
    }
    uint64_t period = code * periodStep;  // 10^-6 us
    uint64_t carrier = (million * million + period / 2) / period;
    if (modulated && (carrier < lowestProntoCarrier || carrier > highestProntoCarrier)) {
        return fail(2, "frequency code " + std::string(words_[1].text) + " gives a carrier of " +
                           std::to_string(carrier) + " Hz: expected a carrier from " +
                           std::to_string(lowestProntoCarrier) + " to " +
                           std::to_string(highestProntoCarrier) + " Hz, as IR transmitters send");
    }
    std::vector<uint32_t>& durations = outcome_.signal.durations;
    for (size_t number = 5; number <= words_.size(); ++number) {
        uint64_t microseconds = (value(number) * period + million / 2) / million;
        if (microseconds == 0) {
            return fail(number, shown(number) + " carrier periods last 0 us");
        }
        if (microseconds > longestDuration) {
            return fail(number, shown(number) + " carrier periods last " +
                                    std::to_string(microseconds) + " us, more than " +
                                    std::to_string(longestDuration));
        }
        durations.push_back(static_cast<uint32_t>(microseconds));
    }
    // The last space is the pause after the code; a transmission ends with
    // its last pulse.
    durations.pop_back();
    outcome_.signal.carrier = modulated ? static_cast<uint32_t>(carrier) : unmodulated;
    return true;
}

bool ProntoReader::readShort(Protocol protocol, size_t pairs) {
    struct Field {
        const char* name;
        uint32_t largest;
    };
    // The fields of words 5 on, as the protocol's scancode takes them.
    Field fields[3] = {{"system", 31}, {"command", 127}, {"data", 63}};
    const char* name = "RC5";
    if (protocol == Protocol::rc5x_20) {
        name = "RC5x";
    } else if (protocol == Protocol::rc6_0) {
        name = "RC6";
        fields[0].largest = fields[1].largest = 255;
    } else if (protocol == Protocol::nec) {
        name = "NEC";
    }
    if (value(3) + value(4) != pairs) {
        return fail(3, std::string(name) + "'s short form has " + std::to_string(pairs) +
                           (pairs == 1 ? " burst pair" : " burst pairs") + " (words 3 and 4), not " +
                           std::to_string(value(3) + value(4)));
    }
    uint32_t scancode = 0;
    if (protocol == Protocol::nec) {
        // The device and the subdevice, then the command and its complement.
        uint32_t command = value(6) >> 8;
        if ((value(6) & 0xff) != (~command & 0xff)) {
            char complement[8];
            std::snprintf(complement, sizeof complement, "%02X", ~command & 0xff);
            return fail(6, shown(6) + ": its low byte is not the complement of the command " +
                               "in its high byte, " + complement);
        }
        outcome_.signal.durations = protocols::encodeScancode(
            protocols::necScancode(value(5) >> 8, value(5) & 0xff, command, ~command & 0xff));
        outcome_.signal.carrier = protocols::infoOf(Protocol::nec).carrier;
        return true;
    }
    size_t count = protocol == Protocol::rc5x_20 ? 3 : 2;
    for (size_t field = 0; field < count; ++field) {
        size_t number = 5 + field;
        if (value(number) > fields[field].largest) {
            return fail(number, std::string(name) + " " + fields[field].name + " " + shown(number) +
                                    " is more than " + std::to_string(fields[field].largest));
        }
        scancode = scancode << 8 | value(number);
    }
    outcome_.signal.durations = protocols::encodeScancode({protocol, scancode});
    outcome_.signal.carrier = protocols::infoOf(protocol).carrier;
    return true;
}

}  // namespace

Outcome readProntoForm(std::string_view text) { return ProntoReader(text).read(); }

}  // namespace ostrel::forms
