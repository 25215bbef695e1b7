// poll(2) over a set of fds some of which are open files of the emulated device.
#pragma once

#include <cstdint>
#include <optional>

#include <poll.h>
#include <signal.h>

namespace lirc_emulator {

// nullopt when no fd in the set is emulated: the caller then hands the call to the C
// library as it is. `timeoutMicroseconds` < 0 waits for ever; `signalMask` as for ppoll.
std::optional<int> pollEmulated(pollfd* fds, nfds_t count, int64_t timeoutMicroseconds,
                                const sigset_t* signalMask);

}  // namespace lirc_emulator
