// The signals a file of codes holds, each under the name `irsignal` gives it,
// with what it sends. Every reader of a form (Flipper files, lircd.conf,
// kernel keymaps, the one-signal forms irplay reads) fills one Catalog.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ostrel/codec/ir_signal.h"
#include "ostrel/codec/protocols/scancode.h"

namespace irsignal {

struct CatalogEntry {
    // The name `list` prints, unique in its file ("Power", "Power#2",
    // "sony_rm:KEY_POWER", "KEY_VOLUMEUP", the file's own name).
    std::string name;
    // Other names that select the same entry ("KEY_POWER" in a lircd.conf
    // that holds one remote).
    std::vector<std::string> aliases;
    size_t line = 0;   // where the entry begins in its file, 1-based
    std::string form;  // what the entry is, e.g. "lircd.conf space encoding", "keymap nec", "flipper parsed NEC"
    // The kernel scancode the entry is, when the source names one of a
    // protocol ostrel encodes; `extract` then writes a scancode line.
    std::optional<ostrel::protocols::Scancode> scancode;
    // What the entry sends: carrier (38000 Hz when the source names none,
    // unmodulated when it says so), duty cycle where the source names one,
    // durations pulse first and last. Empty durations when refusal is set.
    ostrel::Signal signal;
    size_t frames = 0;  // the frames (a code and its repeats) in durations
    // Why the entry cannot be sent ("RC-MM encoding: no sender for it"),
    // empty when it can.
    std::string refusal;
};

struct Catalog {
    std::vector<CatalogEntry> entries;  // in the file's order
    // "FILE:LINE: reason" (or "FILE: reason") when the file cannot be read;
    // then entries is empty.
    std::string error;

    bool ok() const { return error.empty(); }
};

}  // namespace irsignal
