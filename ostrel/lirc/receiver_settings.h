// The one receiver setting a recording changes for its own sake: carrier
// reports, so that the file can name the carrier. It is the device's state,
// shared with every other program, and the kernel has no request that reads
// it back, so it is turned off again afterwards, as the kernel starts it; also
// through a new open of the device's path when the open file was unplugged
// during the recording. The receive timeout is never changed: the end of a
// message is found from the samples and the clock.
#pragma once

#include "ostrel/lirc/lirc_device.h"

namespace ostrel {

class ReceiverSettings {
public:
    // Turns carrier reports on where the device can measure the carrier.
    explicit ReceiverSettings(LircDevice& device);
    ~ReceiverSettings();
    ReceiverSettings(const ReceiverSettings&) = delete;
    ReceiverSettings& operator=(const ReceiverSettings&) = delete;

private:
    LircDevice& device_;
    bool carrierReportsOn_ = false;
};

}  // namespace ostrel
