#include "ostrel/lirc/receiver_settings.h"

#include <cerrno>
#include <string>

#include <linux/lirc.h>

namespace ostrel {

ReceiverSettings::ReceiverSettings(LircDevice& device) : device_(device) {
    std::string ignored;  // a device that refuses keeps reporting no carrier
    if (device.can(LIRC_CAN_MEASURE_CARRIER)) {
        // Marked before the request: a request that fails half way may still
        // have reached the driver.
        carrierReportsOn_ = true;
        device.set(LIRC_SET_MEASURE_CARRIER_MODE, 1, "", ignored);
    }
}

ReceiverSettings::~ReceiverSettings() {
    if (!carrierReportsOn_) {
        return;
    }
    std::string ignored;
    if (device_.set(LIRC_SET_MEASURE_CARRIER_MODE, 0, "", ignored) || errno != ENODEV) {
        return;
    }
    // The open file was unplugged, but the path may lead to the device again:
    // the setting belongs to the device, not the file.
    LircDevice again;
    if (again.open(device_.path(), true, ignored) && again.can(LIRC_CAN_MEASURE_CARRIER)) {
        again.set(LIRC_SET_MEASURE_CARRIER_MODE, 0, "", ignored);
    }
}

}  // namespace ostrel
