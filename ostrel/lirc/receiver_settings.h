// The receiver settings a recording changes for its own sake: a short
// receiver timeout, so that the end of a message is reported within tens of
// milliseconds, and carrier reports, so that the file can name the carrier.
// They are the device's state, shared with every other program, so they are
// put back when the recording ends, also when the process is stopped by
// SIGINT, SIGTERM, SIGHUP or SIGQUIT meanwhile, and through a new open of the
// device's path when the open file was unplugged during the recording and the
// device there still has this recording's timeout.
#pragma once

#include <cstdint>

#include "lirc_device.h"

namespace ostrel {

// The receiver timeout a recording asks for, in microseconds: longer than the
// 19 ms space that ends a message anyway, short enough to end it promptly.
constexpr uint32_t recordingTimeoutMicroseconds = 20000;

class ReceiverSettings {
public:
    explicit ReceiverSettings(LircDevice& device);
    ~ReceiverSettings();
    ReceiverSettings(const ReceiverSettings&) = delete;
    ReceiverSettings& operator=(const ReceiverSettings&) = delete;

    // The receiver timeout now in effect, 0 when the device does not say.
    uint32_t timeoutMicroseconds() const { return timeout_; }

private:
    void restore();

    LircDevice& device_;
    uint32_t timeout_ = 0;
};

}  // namespace ostrel
