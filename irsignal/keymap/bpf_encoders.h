// Encoders for the protocols that ir-keytable decodes with BPF programs
// (v4l-utils' utils/keytable/bpf_protocols) and the kernel cannot encode:
// the generic pulse_distance, pulse_length and manchester, shaped by the
// keymap's parameters as rc_keymap(5) defines them, and samsung36, whose
// decoder fixes its timings.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "irsignal/keymap/keymap_document.h"

namespace irsignal::keymap {

// pulse_distance, pulse_length, manchester or samsung36 (the names as the
// keymap's protocol field and ir-ctl match them: exactly).
bool isBpfProtocol(std::string_view protocol);

struct BpfFrame {
    std::vector<uint32_t> durations;  // pulse first and last; when ok()
    std::string refusal;              // why it cannot be sent

    bool ok() const { return refusal.empty(); }
};

// The frame a remote of the protocol sends for `scancode`, which the BPF
// decoder with these parameters reports as that scancode, once, without a
// repeat message. Refused: a parameter that is no whole number or out of
// its range, a scancode with more bits than the protocol's, and a scancode
// the decoder can never report.
BpfFrame encodeBpfFrame(std::string_view protocol, std::span<const Parameter> parameters, uint64_t scancode);

}  // namespace irsignal::keymap
