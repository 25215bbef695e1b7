// The keyword form, read the way ir-ctl's read_file_pulse_space reads it,
// except that whatever ir-ctl warns about and skips fails the file here.
#include <string>

#include "ostrel/codec/kernel_limits.h"
#include "ostrel/codec/protocols/scancode.h"
#include "ostrel/codec/protocols/scancode_encoding.h"
#include "ostrel/codec/signal_forms.h"
#include "ostrel/codec/text_scanning.h"

namespace ostrel::forms {

namespace {

// Made when a message needs it: a global string would be built, and its
// destructor registered, at every start of the library.
std::string longestText() { return std::to_string(longestDuration); }

// Collects durations as they come, adding pulses (or spaces) in a row
// together and dropping spaces before the first pulse. The frames of a
// scancode stand apart from what comes before and after them: a pulse next
// to one is kept from it by scancodeGap, unless the file puts a space there.
class Durations {
public:
    explicit Durations(std::vector<uint32_t>& durations) : durations_(durations) {}

    // False when the value added to the pulse before it is out of range.
    bool addPulse(uint32_t value) {
        if (afterFrames_) {
            durations_.push_back(scancodeGap);
        }
        afterFrames_ = false;
        return add(value, lastIsPulse());
    }

    bool addSpace(uint32_t value) {
        afterFrames_ = false;
        if (durations_.empty()) {
            return true;  // a leading space sends nothing
        }
        return add(value, !lastIsPulse());
    }

    void addFrames(const std::vector<uint32_t>& frames) {
        if (lastIsPulse()) {
            durations_.push_back(scancodeGap);
        }
        durations_.insert(durations_.end(), frames.begin(), frames.end());
        afterFrames_ = true;
    }

    // Drops a trailing space: a transmission ends with its last pulse.
    void finish() {
        if (!durations_.empty() && !lastIsPulse()) {
            durations_.pop_back();
        }
    }

private:
    // ir-ctl's default gap (-g) between the scancodes of a file, 125 ms.
    static constexpr uint32_t scancodeGap = 125000;

    // Pulse and space alternate from a pulse, so an odd count ends with one.
    bool lastIsPulse() const { return durations_.size() % 2 == 1; }

    bool add(uint32_t value, bool sameAsLast) {
        if (!sameAsLast) {
            durations_.push_back(value);
            return true;
        }
        if (value > longestDuration - durations_.back()) {
            return false;
        }
        durations_.back() += value;
        return true;
    }

    std::vector<uint32_t>& durations_;
    bool afterFrames_ = false;  // the last durations are a scancode's frames
};

// The carrier of a file's scancodes: their protocol's, when every pulse of
// the file comes from them and they agree.
class ScancodeCarrier {
public:
    void addScancode(const protocols::Scancode& scancode, size_t line) {
        uint32_t carrier = protocols::infoOf(scancode.protocol).carrier;
        if (!first_) {
            first_ = scancode;
            firstLine_ = line;
        } else if (!conflictLine_ && carrier != protocols::infoOf(first_->protocol).carrier) {
            conflict_ = scancode;
            conflictLine_ = line;
        }
    }
    void addRawPulse() { rawPulse_ = true; }

    // Nothing when the file's pulses are not all from scancodes; a line and
    // a reason when they are from protocols of different carriers.
    std::optional<uint32_t> carrier(size_t& line, std::string& reason) const {
        if (!first_ || rawPulse_) {
            return std::nullopt;
        }
        const protocols::ProtocolInfo& first = protocols::infoOf(first_->protocol);
        if (conflictLine_) {
            const protocols::ProtocolInfo& other = protocols::infoOf(conflict_.protocol);
            line = conflictLine_;
            reason = std::string(other.name) + " is sent at " + std::to_string(other.carrier) +
                     " Hz, " + std::string(first.name) + " on line " + std::to_string(firstLine_) +
                     " at " + std::to_string(first.carrier) + " Hz; a carrier line says which";
            return std::nullopt;
        }
        return first.carrier;
    }

private:
    std::optional<protocols::Scancode> first_;
    size_t firstLine_ = 0;
    protocols::Scancode conflict_{};
    size_t conflictLine_ = 0;
    bool rawPulse_ = false;
};

}  // namespace

Outcome readKeywordForm(std::string_view text) {
    Outcome outcome;
    // Room for as many values as the kernel sends at once, which is what
    // any file meant to be sent holds at most.
    outcome.signal.durations.reserve(mostValuesPerTransmission + 1);
    Durations durations(outcome.signal.durations);
    size_t carrierLine = 0;
    ScancodeCarrier scancodeCarrier;
    text::LineWords lines(text, text::blanks);
    auto fail = [&outcome, &lines](std::string reason) {
        outcome.line = lines.lineNumber();
        outcome.reason = std::move(reason);
        return outcome;
    };
    while (lines.nextLine()) {
        std::optional<std::string_view> keyword = lines.nextWord();
        if (!keyword || text::startsComment(*keyword)) {
            continue;
        }
        bool pulse = *keyword == "pulse";
        bool space = *keyword == "space" || *keyword == "timeout";
        bool carrier = *keyword == "carrier";
        bool scancode = *keyword == "scancode";
        if (!pulse && !space && !carrier && !scancode) {
            return fail("expected pulse, space, timeout, carrier or scancode");
        }
        std::optional<std::string_view> argument = lines.nextWord();
        if (!argument || text::startsComment(*argument)) {
            return fail(std::string(*keyword) + " without a value");
        }
        std::optional<uint32_t> value;
        protocols::ScancodeReading reading;
        if (scancode) {
            reading = protocols::readScancode(*argument);
            if (!reading.ok()) {
                return fail("scancode " + text::quoted(*argument) + ": " + reading.reason);
            }
        } else if (value = text::durationValue(*argument); !value) {
            return fail(text::quoted(*argument) + " is not a decimal number from 1 to " +
                        longestText());
        }
        // After the value only a comment may follow, as a word of its own.
        if (std::optional<std::string_view> after = lines.nextWord();
            after && !text::startsComment(*after)) {
            return fail("unexpected " + text::quoted(*after) + " after the value");
        }
        if (scancode) {
            durations.addFrames(protocols::encodeScancode(reading.scancode));
            scancodeCarrier.addScancode(reading.scancode, lines.lineNumber());
            continue;
        }
        if (carrier) {
            std::optional<uint32_t>& known = outcome.signal.carrier;
            if (known && *known != *value) {
                return fail("carrier " + std::to_string(*value) + " differs from carrier " +
                            std::to_string(*known) + " on line " + std::to_string(carrierLine));
            }
            if (!known) {
                known = value;
                carrierLine = lines.lineNumber();
            }
        } else if (pulse && !durations.addPulse(*value)) {
            return fail("pulses in a row add up to more than " + longestText() + " us");
        } else if (pulse) {
            scancodeCarrier.addRawPulse();
        } else if (space && !durations.addSpace(*value)) {
            return fail("spaces in a row add up to more than " + longestText() + " us");
        }
    }
    durations.finish();
    if (!outcome.signal.carrier) {
        std::string reason;
        size_t line = 0;
        outcome.signal.carrier = scancodeCarrier.carrier(line, reason);
        if (!reason.empty()) {
            outcome.line = line;
            outcome.reason = std::move(reason);
        }
    }
    return outcome;
}

}  // namespace ostrel::forms
