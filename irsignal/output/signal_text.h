// The pieces of a signal as irsignal's lines show them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ostrel/codec/ir_signal.h"

namespace irsignal {

// The carrier a signal is sent at: "38000 Hz", "unmodulated", or, when the
// signal names none, irplay's default, "38000 Hz".
std::string carrierText(const ostrel::Signal& signal);

// Microseconds as milliseconds with one decimal: "67.5 ms".
std::string millisecondsText(uint64_t microseconds);

// What the durations decode as (the first frame any kernel decoder takes):
// "nec:0x702", "rc5:0x1e01 toggle 1"; nothing when no frame decodes.
std::optional<std::string> decodedText(std::span<const uint32_t> durations);

// "1 frame", "3 frames"; "1 value", "67 values".
std::string framesText(size_t frames);
std::string valuesText(size_t values);

// Text as it may stand in one line on a terminal: control characters
// become "\xNN", everything else stays (text already escaped is not escaped
// again, as ostrel::text::printable would escape its backslashes).
std::string oneLine(std::string_view text);

}  // namespace irsignal
