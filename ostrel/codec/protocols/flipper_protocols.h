// The protocols of a Flipper Zero IR file's parsed signals ("type: parsed"),
// each an address and a command laid out on the air as Flipper's firmware
// lays them out (lib/infrared/encoder_decoder of flipperdevices'
// flipperzero-firmware). Where the protocol is one of the kernel's, the
// signal is that scancode, sent as a scancode line sends it; Samsung32,
// Kaseikyo, RCA and Pioneer, which the kernel cannot encode, are sent with
// Flipper's timings, and NEC42ext, whose 42 bits the kernel's sanyo holds only
// when they are values and their complements, with sanyo's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::protocols {

struct FlipperSignal {
    std::vector<uint32_t> durations;  // when ok(): pulse first and last
    uint32_t carrier = 0;             // Hz
    uint32_t dutyCycle = 0;           // percent
    // Why the signal is not sent, and which of the file's values says so.
    std::string reason;
    enum class Fault { none, protocol, address, command } fault = Fault::none;

    bool ok() const { return reason.empty(); }
};

// The signal of a protocol as Flipper names it ("NEC", "NECext", ...; case
// matters, as to Flipper) with the address and command of the file, both
// within the bits the protocol gives them. One frame is sent (SIRC: three,
// 45 ms apart, and Pioneer: two, as Flipper sends at least), at the
// protocol's carrier and Flipper's duty cycle of 33 %.
FlipperSignal encodeFlipperSignal(std::string_view protocol, uint32_t address, uint32_t command);

}  // namespace ostrel::protocols
