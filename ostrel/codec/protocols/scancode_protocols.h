// The IR protocols whose scancodes a signal file may name, with what the
// kernel's encoders (drivers/media/rc/ir-*-decoder.c) and v4l-utils' ir-ctl
// know of each: the name, the bits a scancode holds and the carrier.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace ostrel::protocols {

// In the order v4l-utils' ir-encode.c lists them.
enum class Protocol {
    rc5,
    rc5x_20,
    rc5_sz,
    sony12,
    sony15,
    sony20,
    jvc,
    nec,
    necx,
    nec32,
    sanyo,
    rc6_0,
    rc6_6a_20,
    rc6_6a_24,
    rc6_6a_32,
    rc6_mce,
    sharp,
    xbox_dvd,
};

struct ProtocolInfo {
    Protocol protocol;
    std::string_view name;  // ir-ctl's name, which files use
    uint32_t scancodeBits;  // the bits a scancode of the protocol may have set
    uint32_t carrier;       // Hz, as the kernel's encoder and ir-ctl -S send it
    // Frames sent for one scancode, and the time from the start of one to the
    // start of the next: a receiver of some protocols acts only on a frame
    // it has seen repeated.
    unsigned frames;
    uint32_t framePeriod;  // microseconds; 0 when one frame is sent
    bool hasToggle;        // a bit of the frame alternates between key presses
};

std::span<const ProtocolInfo> allProtocols();
const ProtocolInfo& infoOf(Protocol protocol);

struct NameLookup {
    std::optional<Protocol> protocol;  // the protocol so named, when it can be sent
    // The name of a protocol ir-ctl knows but cannot encode (imon, rc-mm-12,
    // ...), when the name is one of those.
    std::string_view withoutEncoder;
};

// Matches names as ir-ctl does: without regard to case, and skipping blanks,
// "-" and "_", so that "NEC-X", "necx" and the kernel's "nec-x" are the same.
NameLookup findProtocol(std::string_view name);

}  // namespace ostrel::protocols
