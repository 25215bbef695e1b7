// What a remote of a lircd.conf is, as LIRC read it: the name of its
// encoding, and why none of its codes can be sent, where that is so.
#pragma once

#include <string>

struct ir_remote;

namespace irsignal::lircd {

// "lircd.conf space encoding", "lircd.conf RC-6 bi-phase encoding",
// "lircd.conf raw codes", ...
std::string formOf(const ir_remote& remote);

// Why no code of the remote can be sent, in a few words that follow its form
// ("LIRC has no sender for it"); empty when its codes can be sent.
std::string remoteRefusal(const ir_remote& remote);

}  // namespace irsignal::lircd
