// A kernel keymap (rc_keymap(5): the TOML files ir-keytable loads and
// `ir-ctl -k` sends from) as its file lays it out: the protocols it lists,
// each with its parameters and its keys, in the file's order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace irsignal::keymap {

// A field of a protocol entry other than name, protocol, variant, scancodes
// and raw: the parameters of a BPF decoder (bits, header_pulse, ...) and the
// carrier ir-ctl sends such a protocol at.
struct Parameter {
    std::string name;
    // When the field is a whole number: ir-ctl and ir-keytable take no
    // other value for a parameter.
    std::optional<int64_t> value;
    size_t line = 0;
};

// One line of [protocols.scancodes]: `0x800f040c = "KEY_NUMERIC_0"`.
struct ScancodeKey {
    uint64_t scancode = 0;
    std::string keycode;
    size_t line = 0;
};

// One [[protocols.raw]] entry of the raw protocol: a keycode and its pulses
// and spaces, in microseconds, as the text of the file gives them.
struct RawKey {
    std::string keycode;
    std::vector<uint32_t> durations;
    size_t line = 0;
};

struct ProtocolEntry {
    std::string name;      // the remote's model, when the entry names one
    std::string protocol;  // "nec", "rc5", "pulse_distance", "unknown", ...
    std::optional<std::string> variant;
    size_t line = 0;  // where the entry's table begins
    std::vector<Parameter> parameters;
    std::vector<ScancodeKey> scancodes;  // in the file's order
    std::vector<RawKey> rawKeys;         // in the file's order
};

struct KeymapDocument {
    std::vector<ProtocolEntry> protocols;  // in the file's order
    // Why the text is no keymap, empty when it is one; errorLine is the
    // 1-based line it concerns, 0 when it concerns the whole file.
    std::string error;
    size_t errorLine = 0;

    bool ok() const { return error.empty(); }
};

// Reads the TOML text of a keymap. Refused with the line: text that is no
// TOML, no `protocols` array of tables, a protocol entry without a
// `protocol` string, a `variant` or keycode that is no string, a scancode
// that is not a number (decimal, 0x hex or 0 octal, at most 64 bits), a raw
// code that is no list of durations, raw codes beside scancodes or outside
// the raw protocol, as ir-ctl refuses them.
KeymapDocument readKeymapDocument(std::string_view text);

}  // namespace irsignal::keymap
