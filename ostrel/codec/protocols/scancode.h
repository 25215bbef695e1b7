// A scancode: a protocol and the code it sends, as "PROTOCOL:VALUE" names it
// in a signal file's "scancode" line and on ir-ctl's command line (-S).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ostrel/codec/protocols/scancode_protocols.h"

namespace ostrel::protocols {

struct Scancode {
    Protocol protocol;
    uint32_t value;

    bool operator==(const Scancode&) const = default;
};

struct ScancodeReading {
    Scancode scancode{};  // normalised; when ok()
    std::string reason;   // why the text names no scancode that can be sent

    bool ok() const { return reason.empty(); }
};

// Reads "PROTOCOL:VALUE": a name findProtocol knows and a number as ir-ctl
// takes it (C's strtoll with base 0: decimal, 0x hex or 0 octal, an optional
// sign, from 0 to 0xffffffff), then normalises it (normalised). A value with
// bits its protocol lacks is refused: ir-ctl would cut them off.
ScancodeReading readScancode(std::string_view text);

// The one name, among those of the same frames, that the kernel's decoder
// gives them and its encoder takes. A value named nec that does not fit 16
// bits is read as necx when it fits 24, else as nec32, as ir-ctl reads it;
// necx and nec32 values are read as the kernel reads them. The bytes are
// then named as the kernel's NEC decoder names them (necScancode), so that
// a value whose address or command bytes are each other's complement is nec
// or necx. rc6_mce is rc6_6a_32 with the customer code 0x800f. A value with
// bits outside the protocol's is given back as it is; readScancode refuses it.
Scancode normalised(Scancode scancode);

// ir_nec_bytes_to_scancode of the kernel (include/media/rc-core.h): the
// scancode of four NEC bytes as they are received, each least significant
// bit first.
Scancode necScancode(uint32_t address, uint32_t notAddress, uint32_t command,
                     uint32_t notCommand);

// "nec:0x408": the protocol's name and the value in lower-case hex.
std::string formatScancode(const Scancode& scancode);

}  // namespace ostrel::protocols
