// The list form "+N -N +N ...", as ir-ctl --receive writes it without
// --mode2 and ir-ctl's read_file_raw reads it: values separated by blanks or
// commas, "+" a pulse, "-" a space, a bare number whichever is due. A sign out
// of turn fails the file, as in ir-ctl: in a list, "+100 +200" is more likely
// a slip than two pulses meant as one.
#include <string>

#include "ostrel/codec/signal_forms.h"
#include "ostrel/codec/text_scanning.h"

namespace ostrel::forms {

Outcome readListForm(std::string_view text) {
    Outcome outcome;
    std::vector<uint32_t>& durations = outcome.signal.durations;
    text::LineWords lines(text, text::blanksAndCommas);
    while (lines.nextLine()) {
        while (std::optional<std::string_view> word = lines.nextWord()) {
            if (text::startsComment(*word)) {
                break;
            }
            char sign = word->front();
            std::optional<uint32_t> value =
                text::durationValue(sign == '+' || sign == '-' ? word->substr(1) : *word);
            bool pulseDue = durations.size() % 2 == 0;
            std::string reason;
            if (!value) {
                reason = "expected +N or -N with N from 1 to " + std::to_string(longestDuration) +
                         ", not " + text::quoted(*word);
            } else if (sign == '+' && !pulseDue) {
                reason = "pulse " + text::quoted(*word) + " where a space is due";
            } else if (sign == '-' && pulseDue) {
                reason = "space " + text::quoted(*word) + " where a pulse is due";
            }
            if (!reason.empty()) {
                outcome.line = lines.lineNumber();
                outcome.reason = std::move(reason);
                return outcome;
            }
            durations.push_back(*value);
        }
    }
    // A list recorded up to its timeout ends with that long space; a
    // transmission ends with its last pulse.
    if (durations.size() % 2 == 0 && !durations.empty()) {
        durations.pop_back();
    }
    return outcome;
}

}  // namespace ostrel::forms
