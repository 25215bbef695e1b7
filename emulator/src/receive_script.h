// The receive script: what the emulated receiver hears, one directive a line.
//   pulse N | space N | timeout N | carrier N | overflow   a mode2 sample, ready at once
//   wait MS      nothing arrives for MS milliseconds
//   end          the receiver's own timeout sample, the device's receive timeout later
//   await-reader nothing until the program first waits for samples (reads or polls)
//   unplug       the device goes away
//   flood        endless pulse 500 / space 500 with no pause and no timeout
// A carrier sample reaches only a receiver with carrier measurement on. '#' starts a
// comment; a line that is no directive is skipped and reported on standard error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lirc_emulator {

enum class DirectiveKind { Sample, Wait, End, Unplug, Flood, AwaitReader };

struct Directive {
    DirectiveKind kind = DirectiveKind::Sample;
    uint32_t sample = 0;              // Sample: the mode2 word (type bits and value)
    int64_t waitMicroseconds = 0;     // Wait

    bool operator==(const Directive&) const = default;
};

struct ReceiveScript {
    std::vector<Directive> directives;
    std::vector<std::string> problems;  // "line N: ..." for lines that were skipped
};

ReceiveScript parseReceiveScript(std::string_view text);

}  // namespace lirc_emulator
