// Receiving one IR message from a LIRC device.
#pragma once

#include <cstdint>
#include <string>

#include "ir_signal.h"

namespace ostrel {

// Opens the device, waits up to waitMilliseconds for a message to begin and
// receives it until it ends. False, with the reason, when nothing came in
// time or the message could not be received whole.
bool capture(const std::string& devicePath, int32_t waitMilliseconds, Signal& message,
             std::string& why);

}  // namespace ostrel
