// The signals of a kernel keymap (rc_keymap(5), the TOML files of
// ir-keytable under /lib/udev/rc_keymaps), each what `ir-ctl -k KEYMAP -K
// KEY` sends for its key.
#pragma once

#include <string>
#include <string_view>

#include "irsignal/catalog/catalog.h"

namespace irsignal {

// One entry per key of each protocol entry, in the file's order, named by
// its keycode (KEY_POWER). A keycode defined more than once (two scancodes
// for one key, or one key in two protocol entries) is named bare where
// ir-ctl -K takes it from, its first definition in ir-ctl's search order
// (the first protocol entry, then the others from the last to the second;
// within one entry, raw codes from the last, then scancodes from the first),
// and KEYCODE#2, KEYCODE#3, ... at its other definitions in the file's
// order, skipping a name the file already has.
//
// A key sends:
// - of a protocol the kernel encodes (the keymap's variant when it names
//   one, else its protocol: nec, necx, nec32, rc5, rc5_sz, rc6_mce,
//   xbox_dvd, ...): its scancode, normalised as a signal file's scancode
//   line is, every frame its encoder makes, at the protocol's carrier.
//   Unlike ir-ctl -K, which encodes the value as it is, so that its own and
//   the kernel's nec encoders send only the low 16 bits of a `nec` value of
//   24 or 32 bits, a wider nec value is sent as the necx or nec32 scancode
//   it is, the one the keymap's NEC decoder reports; a value with bits
//   outside its protocol's (an rc5 value above 0x1f7f, which no RC-5 frame
//   carries) is refused, where ir-ctl would send it without them.
// - of pulse_distance, pulse_length, manchester or samsung36: the frame of
//   bpf_encoders.h, at the keymap's `carrier` parameter, else 38000 Hz
//   (ir-ctl sets carrier 0 then, which a LIRC driver takes for unmodulated
//   light or refuses);
// - of the raw protocol: its durations, at that carrier.
// Refused, with a line naming the protocol: the kernel's protocols without
// an encoder (unknown, other, imon, cec, rc-mm, xmp, ...), sony and rc6
// without the variant that says which of their encodings the remote sends,
// other protocol names (mce_kbd, the keyboard protocol the kernel decodes
// as mcir2-kbd; other BPF decoders: grundig, imon_rsc, ...), and a signal
// a LIRC device cannot send.
//
// Text that is no keymap gives Catalog::error "PATH:LINE: reason" ("PATH:
// reason" where no line is concerned).
Catalog readKeymap(const std::string& path, std::string_view text);

}  // namespace irsignal
