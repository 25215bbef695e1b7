// The keyword form, read the way ir-ctl's read_file_pulse_space reads it,
// except that whatever ir-ctl warns about and skips fails the file here.
#include <string>

#include "kernel_limits.h"
#include "signal_forms.h"
#include "text_scanning.h"

namespace ostrel::forms {

namespace {

// Made when a message needs it: a global string would be built, and its
// destructor registered, at every start of the library.
std::string longestText() { return std::to_string(longestDuration); }

// Collects durations as they come, adding pulses (or spaces) in a row
// together and dropping spaces before the first pulse.
class Durations {
public:
    explicit Durations(std::vector<uint32_t>& durations) : durations_(durations) {}

    // False when the value added to the pulse before it is out of range.
    bool addPulse(uint32_t value) { return add(value, lastIsPulse()); }

    bool addSpace(uint32_t value) {
        if (durations_.empty()) {
            return true;  // a leading space sends nothing
        }
        return add(value, !lastIsPulse());
    }

    // Drops a trailing space: a transmission ends with its last pulse.
    void finish() {
        if (!durations_.empty() && !lastIsPulse()) {
            durations_.pop_back();
        }
    }

private:
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
};

}  // namespace

Outcome readKeywordForm(std::string_view text) {
    Outcome outcome;
    // Room for as many values as the kernel sends at once, which is what
    // any file meant to be sent holds at most.
    outcome.signal.durations.reserve(mostValuesPerTransmission + 1);
    Durations durations(outcome.signal.durations);
    size_t carrierLine = 0;
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
        if (*keyword == "scancode") {
            return fail("scancode is not supported; only raw pulses and spaces can be sent");
        }
        if (!pulse && !space && !carrier) {
            return fail("expected pulse, space, timeout or carrier");
        }
        std::optional<std::string_view> argument = lines.nextWord();
        if (!argument || text::startsComment(*argument)) {
            return fail(std::string(*keyword) + " without a value");
        }
        std::optional<uint32_t> value = text::durationValue(*argument);
        if (!value) {
            return fail(text::quoted(*argument) + " is not a decimal number from 1 to " +
                        longestText());
        }
        // After the value only a comment may follow, as a word of its own.
        if (std::optional<std::string_view> after = lines.nextWord();
            after && !text::startsComment(*after)) {
            return fail("unexpected " + text::quoted(*after) + " after the value");
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
        } else if (space && !durations.addSpace(*value)) {
            return fail("spaces in a row add up to more than " + longestText() + " us");
        }
    }
    durations.finish();
    return outcome;
}

}  // namespace ostrel::forms
