#include "irsignal/lircd/lirc_encoding.h"

#include <cstring>

// liblirc's headers use FILE without including <stdio.h>.
#include <cstdio>
#include <lirc/ir_remote.h>

#include "ostrel/codec/ir_signal.h"

namespace irsignal::lircd {
namespace {

// The most bits one code has: LIRC holds pre_data, the code and post_data
// together in one 64-bit ir_code, and shifts by the bit count when it sends.
constexpr int mostBits = 64;

std::string encodingName(const ir_remote& remote) {
    switch (remote.flags & IR_PROTOCOL_MASK) {
    case RAW_CODES:
        return "raw codes";
    case RC5:  // also SHIFT_ENC
        return "RC-5 bi-phase encoding";
    case RC6:
        return "RC-6 bi-phase encoding";
    case RCMM:
        return "RC-MM encoding";
    case SPACE_ENC:
        return "space encoding";
    case SPACE_FIRST:
        return "space-first encoding";
    case GOLDSTAR:
        return "Goldstar encoding";
    case GRUNDIG:
        return "Grundig encoding";
    case BO:
        return "BO encoding";
    case SERIAL:
        return "serial encoding";
    case XMP:
        return "XMP encoding";
    case 0:
        // An rc6_mask makes LIRC send a remote without a protocol flag as
        // RC-6; otherwise it sends each bit as a pulse and a space, as in
        // space encoding.
        return remote.rc6_mask != 0 ? "RC-6 bi-phase encoding" : "space encoding (no protocol flag)";
    default:
        return "encoding of flags " + std::to_string(remote.flags & IR_PROTOCOL_MASK);
    }
}

}  // namespace

std::string formOf(const ir_remote& remote) {
    return "lircd.conf " + encodingName(remote);
}

std::string remoteRefusal(const ir_remote& remote) {
    if (std::strcmp(remote.name, "lirc") == 0) {
        // LIRC's daemon answers for the remote "lirc" with its own, whose one
        // code tells its file driver to end, and never sends one of this one.
        return "remote named lirc: LIRC's daemon keeps that name for its own use and sends none of its codes";
    }
    // transmit.c: "sorry, can't send this protocol yet".
    if (is_goldstar(&remote) || is_grundig(&remote) || is_bo(&remote) || is_serial(&remote)) {
        return "LIRC has no sender for it";
    }
    if (!is_raw(&remote)) {
        if (remote.pzero == 0 && remote.szero == 0) {
            return "no pulse and space lengths (zero 0 0): a code that a receiver decodes itself (LIRC's "
                   "devinput and other decoding drivers), not a signal";
        }
        if (remote.pre_data_bits < 0 || remote.bits < 0 || remote.post_data_bits < 0 ||
            bit_count(&remote) > mostBits) {
            return std::to_string(remote.pre_data_bits) + " + " + std::to_string(remote.bits) +
                   " + " + std::to_string(remote.post_data_bits) +
                   " bits (pre_data_bits, bits, post_data_bits): LIRC sends codes of 0 to 64 bits";
        }
    }
    if (remote.freq > ostrel::longestDuration) {
        return "frequency " + std::to_string(remote.freq) + " Hz, more than the " +
               std::to_string(ostrel::longestDuration) + " Hz a LIRC device takes";
    }
    if (remote.duty_cycle > ostrel::greatestDutyCycle) {
        return "duty_cycle " + std::to_string(remote.duty_cycle) + " %, more than the " +
               std::to_string(ostrel::greatestDutyCycle) + " % a LIRC device takes";
    }
    return {};
}

}  // namespace irsignal::lircd
