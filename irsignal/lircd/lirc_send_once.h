// What LIRC's daemon sends for SEND_ONCE REMOTE BUTTON, made by liblirc's
// own sender (transmit.c) driven as the daemon drives it (send_core and the
// repeat timer of lircd.cpp): the code, then its repeats down to min_repeat
// and the further codes of a button of several, each after the gap LIRC
// leaves, a CONST_LENGTH remote's gap making up its whole length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "irsignal/lircd/lirc_library.h"

struct ir_ncode;

namespace irsignal::lircd {

struct SentCode {
    // Microseconds, pulse first and last; empty when refusal is set.
    std::vector<uint32_t> durations;
    size_t frames = 0;  // codes and repeat codes in durations
    // Why LIRC sends nothing, or not what the file means, for the button, in
    // a few words ("LIRC cannot send it: ..."); empty when it can be sent.
    std::string refusal;
};

// The daemon's first SEND_ONCE of the code after it read the file:
// `toggleStateAsRead` is the remote's toggle_bit_mask_state as LIRC's reader
// left it, which SEND_ONCE flips before sending. Changes the sending state
// of remote and code, which are the remote's and code's of one reading.
SentCode sendOnce(LircSession& session, ir_remote& remote, ir_ncode& code, uint64_t toggleStateAsRead);

}  // namespace irsignal::lircd
