// The forms of signal file, each read by a function of its own. They take
// text already checked to be text, without a byte order mark.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ostrel/codec/ir_signal.h"

namespace ostrel::forms {

struct Outcome {
    // Without any duration when the text holds no pulse; then the caller says so.
    Signal signal;
    size_t line = 0;     // the line of the failure
    std::string reason;  // empty when the text was read

    bool failed() const { return !reason.empty(); }
};

// "pulse N", "space N", "timeout N", "carrier N" and "scancode P:V" lines.
Outcome readKeywordForm(std::string_view text);

// "+N -N +N ..." lines.
Outcome readListForm(std::string_view text);

// Pronto hex: "0000 006D 0000 0022 0157 00AC ...", words of four hex digits.
Outcome readProntoForm(std::string_view text);

// A Flipper Zero IR file: "Filetype: IR signals file", "Version: 1", then
// one signal's "key: value" lines.
Outcome readFlipperForm(std::string_view text);

}  // namespace ostrel::forms
