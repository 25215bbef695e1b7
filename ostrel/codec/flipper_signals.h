// Every signal of a Flipper Zero IR file. A remote's file or a universal
// library holds many; irplay plays a file of one (readFlipperForm), while
// irsignal lists and takes out any of them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ostrel/codec/signal_forms.h"

namespace ostrel::forms {

struct FlipperSignalReading {
    std::string_view name;      // its name: value, without the blanks around it
    size_t line = 0;            // the line of its name:
    std::string_view type;      // its type: value, "raw" or "parsed" when read
    std::string_view protocol;  // a parsed signal's protocol: value
    Outcome outcome;            // the signal, or the line and reason it is refused with
    // Refused for what it asks to send, its keys and values being well
    // formed: a protocol not played here (or that Flipper does not have), an
    // address or command with bits outside its protocol's, or a raw duration
    // of 0 or longer than a LIRC sample holds. Such a signal is
    // refused on its own; the other signals of its file stay readable.
    bool sendRefused = false;
};

struct FlipperFileReading {
    // The file's signals in its order, each read or refused on its own;
    // none when the file is refused.
    std::vector<FlipperSignalReading> signals;
    size_t line = 0;     // the line of the file's failure
    std::string reason;  // why the file is no Flipper IR file with signals

    bool failed() const { return !reason.empty(); }
};

// The header ("Filetype: IR signals file" or "IR library file", "Version:
// 1"), then each signal from its name: line to the next one. The views point
// into text.
FlipperFileReading readFlipperSignals(std::string_view text);

}  // namespace ostrel::forms
