// Receiving one IR message from a LIRC device.
#pragma once

#include <cstdint>
#include <string>

#include "ostrel/codec/ir_signal.h"

namespace ostrel {

// Opens the device, waits up to waitMilliseconds for a message to begin and
// receives it, the whole key press, until no pulse has come for
// messageEndingQuiet (message_assembler.h). False, with the reason, when
// nothing came in time, the message could not be received whole, or a stop
// signal came (which is raised again once the device is put back).
bool capture(const std::string& devicePath, int32_t waitMilliseconds, Signal& message,
             std::string& why);

}  // namespace ostrel
