// The protocols whose bits are told by the order of a pulse and a space of
// equal length (Manchester or bi-phase coding): RC-5 and RC-6.
#include "ostrel/codec/protocols/edge_builder.h"
#include "ostrel/codec/protocols/frame_encoders.h"
#include "ostrel/codec/protocols/kernel_timings.h"

namespace ostrel::protocols::encoders {

namespace t = timing;

std::vector<uint32_t> rc5Frame(Scancode scancode) {
    // The leader pulse is the second half of the first start bit, which is
    // always 1. The toggle bit is sent as 0.
    constexpr uint32_t unit = t::rc5::unit;
    uint32_t v = scancode.value;
    EdgeBuilder edges;
    if (scancode.protocol == Protocol::rc5) {
        // The second start bit is the inverted 7th command bit, then the
        // toggle, the 5-bit system and the command's low 6 bits.
        uint32_t data = uint32_t{!(v & 0x40)} << 12 | (v & 0x1f00) >> 8 << 6 | (v & 0x3f);
        edges.manchester({unit, 0, unit, false, unit * 10}, 13, data);
    } else if (scancode.protocol == Protocol::rc5x_20) {
        // As rc5, with a space of four units after the system and 6 more
        // bits at the end.
        uint32_t data = uint32_t{!(v & 0x4000)} << 18 | (v & 0x1f0000) >> 16 << 12 |
                        (v & 0x3f00) >> 8 << 6 | (v & 0x3f);
        edges.manchester({unit, 0, unit, false, t::rc5::rc5xSpace}, 7, data >> 12);
        edges.manchester({0, 0, unit, false, unit * 10}, 12, data);
    } else {
        // rc5_sz: the scancode's 14 bits as they are sent, its toggle bit
        // (0x1000) outside the scancode.
        edges.manchester({unit, 0, unit, false, unit * 10}, 14, v & 0x2fff);
    }
    return std::move(edges).frame();
}

std::vector<uint32_t> rc6Frame(Scancode scancode) {
    // The leader, the start bit and the 3-bit mode, the trailer (toggle)
    // bit sent as 0 at twice the length, then the body.
    constexpr uint32_t unit = t::rc6::unit;
    constexpr Manchester header{t::rc6::prefixPulse, t::rc6::prefixSpace, unit, true, 0};
    constexpr Manchester trailerBit{0, 0, 2 * unit, true, 0};
    constexpr Manchester body{0, 0, unit, true, t::rc6::suffixSpace};
    unsigned mode = 6, bits = 32;
    switch (scancode.protocol) {
    case Protocol::rc6_0:
        mode = 0;
        bits = 16;
        break;
    case Protocol::rc6_6a_20:
        bits = 20;
        break;
    case Protocol::rc6_6a_24:
        bits = 24;
        break;
    default:
        break;
    }
    EdgeBuilder edges;
    edges.manchester(header, 4, 1u << 3 | mode);
    edges.manchester(trailerBit, 1, 0);
    edges.manchester(body, bits, scancode.value);
    return std::move(edges).frame();
}

}  // namespace ostrel::protocols::encoders
