#include "transmit.h"

#include <cerrno>

#include <linux/lirc.h>

#include "lirc_device.h"

namespace ostrel {

namespace {

std::string emitterCount(int count) {
    return std::to_string(count) + (count == 1 ? " emitter" : " emitters");
}

// Chooses the emitters of the port, or leaves the device as it is when it has no
// emitter selection. Asks the device first how many emitters it has without choosing
// any, so that a port it lacks fails before anything about the device has changed.
bool chooseEmitters(LircDevice& device, int32_t port, std::string& why) {
    if (!device.can(LIRC_CAN_SET_TRANSMITTER_MASK)) {
        // Without emitter selection the device sends on its own emitter, which
        // is port 1; it has no second one to choose.
        if (port > 1) {
            why = "port " + std::to_string(port) + " chosen, but " + device.path() +
                  " cannot choose among emitters";
            return false;
        }
        return true;
    }
    // A mask with every bit set names emitters the device lacks, so the
    // kernel answers with their number instead of taking it; 0 means all 32
    // exist, and are now chosen.
    int count = device.request(LIRC_SET_TRANSMITTER_MASK, ~0u, "cannot count emitters", why);
    if (count < 0) {
        return false;
    }
    if (count == 0) {
        count = 32;
    }
    if (port > count) {
        why = "port " + std::to_string(port) + " chosen, but " + device.path() + " has " +
              emitterCount(count);
        return false;
    }
    if (port != allEmitters) {
        return device.set(LIRC_SET_TRANSMITTER_MASK, 1u << (port - 1), "cannot choose emitters", why);
    }
    uint32_t every = count >= 32 ? ~0u : (1u << count) - 1;
    int result = device.request(LIRC_SET_TRANSMITTER_MASK, every, "cannot choose emitters", why);
    if (result < 0 && errno == EINVAL && count > 1) {
        // A device that drives one emitter at a time (winbond-cir) refuses them
        // all together: port 0 sends on the first.
        return device.set(LIRC_SET_TRANSMITTER_MASK, 1u, "cannot choose emitters", why);
    }
    if (result > 0) {
        why = device.path() + ": cannot choose emitters: unexpected result " + std::to_string(result);
        return false;
    }
    return result == 0;
}

}  // namespace

bool transmit(const std::string& devicePath, const Transmission& transmission, std::string& why) {
    LircDevice device;
    if (!device.open(devicePath, false, why)) {
        return false;
    }
    if (!device.can(LIRC_CAN_SEND_PULSE)) {
        why = devicePath + ": the device cannot send";
        return false;
    }
    if (!device.set(LIRC_SET_SEND_MODE, LIRC_MODE_PULSE, "cannot set pulse mode", why)) {
        return false;
    }
    // The emitters first: no other setting changes before the device has taken them.
    if (!chooseEmitters(device, transmission.port, why)) {
        return false;
    }
    if (transmission.carrier != 0 && device.can(LIRC_CAN_SET_SEND_CARRIER) &&
        !device.set(LIRC_SET_SEND_CARRIER, transmission.carrier, "cannot set the carrier", why)) {
        return false;
    }
    return device.send(transmission.durations, why);
}

}  // namespace ostrel
