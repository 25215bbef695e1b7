// The numbers a keymap writes as text: its scancodes, which are TOML keys,
// and the durations of a raw code, which is a TOML string.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace irsignal::keymap {

// A scancode key as rc_keymap(5) writes it: decimal, 0x hex or 0 octal (as
// C's strtoull with base 0 reads it, but the whole key and without a sign),
// at most 64 bits.
std::optional<uint64_t> keymapScancode(std::string_view text);

struct RawDurations {
    std::vector<uint32_t> durations;  // pulse first; when ok()
    std::string reason;

    bool ok() const { return reason.empty(); }
};

// A raw code as ir-ctl reads it (parse_rawir_string of v4l-utils): decimal
// durations separated by blanks or commas, each 1 to 65535 us, a space
// (every second value) optionally written negative, any value with a "+".
RawDurations keymapRawDurations(std::string_view text);

}  // namespace irsignal::keymap
