// The LIRC ioctls of lirc_dev.c, answered for the configured device. The checks, their
// order and their errno values follow the kernel: the argument is fetched first for
// commands that pass one in, an unplugged device is ENODEV, a missing driver capability
// ENOTTY, and a value the driver refuses EINVAL; what the driver's callbacks take comes
// from its profile.
#include <bit>
#include <cerrno>
#include <cstring>

#include <asm/ioctl.h>
#include <linux/lirc.h>

#include "emulator/src/lirc_file.h"
#include "emulator/src/loopback.h"

namespace lirc_emulator {

uint32_t LircFile::features() const {
    const DeviceFeatures& has = config_.features;
    uint32_t bits = 0;
    if (has.receive) {
        bits |= LIRC_CAN_REC_MODE2;
        if (has.resolution) {
            bits |= LIRC_CAN_GET_REC_RESOLUTION;
        }
        if (has.timeout) {
            bits |= LIRC_CAN_SET_REC_TIMEOUT;
        }
        if (has.measure) {
            bits |= LIRC_CAN_MEASURE_CARRIER;
        }
        if (has.wideband) {
            bits |= LIRC_CAN_USE_WIDEBAND_RECEIVER;
        }
        if (has.receiveCarrier) {
            bits |= LIRC_CAN_SET_REC_CARRIER | LIRC_CAN_SET_REC_CARRIER_RANGE;
        }
    }
    if (has.send) {
        bits |= LIRC_CAN_SEND_PULSE;
        if (config_.emitters > 0) {
            bits |= LIRC_CAN_SET_TRANSMITTER_MASK;
        }
        if (has.carrier) {
            bits |= LIRC_CAN_SET_SEND_CARRIER;
        }
        if (has.duty) {
            bits |= LIRC_CAN_SET_SEND_DUTY_CYCLE;
        }
    }
    return bits;
}

int LircFile::ioctl(unsigned long request, void* argument) {
    uint32_t value = 0;
    bool passesIn = (_IOC_DIR(request) & _IOC_WRITE) != 0;
    bool passesOut = (_IOC_DIR(request) & _IOC_READ) != 0;
    if ((passesIn || passesOut) && argument == nullptr) {
        return -EFAULT;
    }
    if (passesIn) {
        memcpy(&value, argument, sizeof value);
    }
    int result = 0;
    {
        std::lock_guard lock(mutex_);
        advance();
        if (player_.unplugged()) {
            return -ENODEV;
        }
        result = handleIoctl(request, value);
    }
    if (result == 0 && passesOut) {
        memcpy(argument, &value, sizeof value);
    }
    return result;
}

int LircFile::handleIoctl(unsigned long request, uint32_t& value) {
    const DeviceFeatures& has = config_.features;
    const DriverProfile& profile = *config_.profile;
    const bool hasTimeout = has.receive && has.timeout;
    switch (request) {
    case LIRC_GET_FEATURES:
        value = features();
        return 0;

    case LIRC_GET_SEND_MODE:
        if (!has.send) {
            return -ENOTTY;
        }
        value = sendMode_;
        return 0;
    case LIRC_SET_SEND_MODE:
        if (!has.send) {
            return -ENOTTY;
        }
        if (value != LIRC_MODE_PULSE) {
            return -EINVAL;
        }
        sendMode_ = value;
        return 0;
    case LIRC_GET_REC_MODE:
        if (!has.receive) {
            return -ENOTTY;
        }
        value = recMode_;
        return 0;
    case LIRC_SET_REC_MODE:
        if (!has.receive) {
            return -ENOTTY;
        }
        if (value != LIRC_MODE_MODE2) {
            return -EINVAL;
        }
        recMode_ = value;
        return 0;

    case LIRC_SET_TRANSMITTER_MASK: {
        if (!has.send || config_.emitters == 0) {
            return -ENOTTY;
        }
        // Naming an emitter the device lacks is answered with the number it has.
        auto emitters = static_cast<int>(config_.emitters);
        if ((value & ~everyEmitter(config_.emitters)) != 0) {
            return emitters;
        }
        switch (profile.emitterChoice) {
        case EmitterChoice::anySet:
            break;
        case EmitterChoice::someEmitter:
            if (value == 0) {
                return emitters;
            }
            break;
        case EmitterChoice::oneAtATime:
            if (std::popcount(value) != 1) {
                return -EINVAL;
            }
            break;
        }
        settings_.update([&](DeviceSettings& settings) { settings.transmitterMask = value; });
        return 0;
    }
    case LIRC_SET_SEND_CARRIER:
        if (!has.send || !has.carrier) {
            return -ENOTTY;
        }
        if (value == 0 ? !profile.zeroCarrier
                       : value < profile.lowestCarrier || value > profile.highestCarrier) {
            return -EINVAL;
        }
        settings_.update([&](DeviceSettings& settings) { settings.carrier = value; });
        return 0;
    case LIRC_SET_SEND_DUTY_CYCLE:
        if (!has.send || !has.duty) {
            return -ENOTTY;
        }
        if (value == 0 || value >= 100) {
            return -EINVAL;
        }
        settings_.update([&](DeviceSettings& settings) { settings.dutyCycle = value; });
        return 0;

    case LIRC_GET_REC_RESOLUTION:
        if (!has.receive || !has.resolution) {
            return -ENOTTY;
        }
        value = profile.resolution;
        return 0;
    case LIRC_SET_REC_CARRIER_RANGE:
        if (!has.receive || !has.receiveCarrier) {
            return -ENOTTY;
        }
        if (value == 0) {
            return -EINVAL;
        }
        receiveCarrierLow_ = value;  // the open file's, until LIRC_SET_REC_CARRIER
        return 0;
    case LIRC_SET_REC_CARRIER:
        if (!has.receive || !has.receiveCarrier) {
            return -ENOTTY;
        }
        if (value == 0) {
            return -EINVAL;
        }
        return profile.checksReceiveRange
                   ? setLoopbackReceiveRange(config_.devicePath, receiveCarrierLow_, value)
                   : 0;
    case LIRC_SET_WIDEBAND_RECEIVER:
        if (!has.receive || !has.wideband) {
            return -ENOTTY;
        }
        settings_.update([&](DeviceSettings& settings) { settings.wideband = value != 0; });
        return 0;
    case LIRC_SET_MEASURE_CARRIER_MODE:
        if (!has.receive || !has.measure) {
            return -ENOTTY;
        }
        settings_.update([&](DeviceSettings& settings) { settings.measureCarrier = value != 0; });
        return 0;

    case LIRC_GET_MIN_TIMEOUT:
        if (!hasTimeout) {
            return -ENOTTY;
        }
        value = profile.minTimeout;
        return 0;
    case LIRC_GET_MAX_TIMEOUT:
        if (!hasTimeout) {
            return -ENOTTY;
        }
        value = profile.maxTimeout;
        return 0;
    case LIRC_SET_REC_TIMEOUT:
        if (!hasTimeout) {
            return -ENOTTY;
        }
        if (value < profile.minTimeout || value > profile.maxTimeout) {
            return -EINVAL;
        }
        if (profile.keepsTimeoutSet) {
            uint64_t units = (static_cast<uint64_t>(value) + profile.timeoutUnit / 2) / profile.timeoutUnit;
            settings_.update([&](DeviceSettings& settings) {
                settings.recTimeout = static_cast<uint32_t>(units * profile.timeoutUnit);
            });
        }
        return 0;
    case LIRC_GET_REC_TIMEOUT:
        // Every raw receiver has a timeout, settable or not; a transmitter has none.
        if (!has.receive) {
            return -ENOTTY;
        }
        value = settings_.load().recTimeout;
        return 0;
    case LIRC_SET_REC_TIMEOUT_REPORTS:
        // Timeout reports are always on since Linux 5.17; the request is only accepted.
        return has.receive ? 0 : -ENOTTY;

    default:
        return -ENOTTY;
    }
}

}  // namespace lirc_emulator
