#include "transmit.h"

#include <linux/lirc.h>

#include "lirc_device.h"

namespace ostrel {

namespace {

std::string emitterCount(int count) {
    return std::to_string(count) + (count == 1 ? " emitter" : " emitters");
}

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
    if (port == allEmitters) {
        // A mask with every bit set names emitters the device lacks, so the
        // kernel answers with their number instead of taking it.
        int count = device.request(LIRC_SET_TRANSMITTER_MASK, ~0u, "cannot count emitters", why);
        if (count <= 0) {
            return count == 0;  // all 32 emitters exist and are now chosen
        }
        uint32_t all = count >= 32 ? ~0u : (1u << count) - 1;
        return device.set(LIRC_SET_TRANSMITTER_MASK, all, "cannot choose emitters", why);
    }
    int result = device.request(LIRC_SET_TRANSMITTER_MASK, 1u << (port - 1),
                                "cannot choose the emitter", why);
    if (result > 0) {
        why = "port " + std::to_string(port) + " chosen, but " + device.path() + " has " +
              emitterCount(result);
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
    if (transmission.carrier != 0 && device.can(LIRC_CAN_SET_SEND_CARRIER) &&
        !device.set(LIRC_SET_SEND_CARRIER, transmission.carrier, "cannot set the carrier", why)) {
        return false;
    }
    return chooseEmitters(device, transmission.port, why) &&
           device.send(transmission.durations, why);
}

}  // namespace ostrel
