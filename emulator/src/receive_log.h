// The line recorded for each sample the receiver delivered, with the monotonic time
// (CLOCK_MONOTONIC, microseconds) the script made it ready and the time the emulator
// queued it for the program, which looked at the file then:
//   ready=1234567890 queued=1234567912 timeout 20000
// The sample is written as the receive script names it: pulse N, space N, timeout N,
// carrier N or overflow.
#pragma once

#include <cstdint>
#include <string>

#include "emulator/src/receive_player.h"

namespace lirc_emulator {

std::string receiveLogLine(const Delivery& delivery, int64_t queuedAt);

}  // namespace lirc_emulator
