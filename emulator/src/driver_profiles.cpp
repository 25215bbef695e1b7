// The values below are read from Linux 6.1's drivers/media/rc: each driver's probe (what
// it sets in its rc_dev) and its s_tx_mask, s_tx_carrier and tx_ir callbacks. Where a
// driver takes its setting from the hardware at start, the driver's own fallback is used.
#include "emulator/src/driver_profiles.h"

#include <algorithm>
#include <array>
#include <vector>

namespace lirc_emulator {

namespace {

constexpr DeviceFeatures transceiver(bool duty, bool measure, bool wideband, bool receiveCarrier) {
    DeviceFeatures features;
    features.duty = duty;
    features.measure = measure;
    features.wideband = wideband;
    features.receiveCarrier = receiveCarrier;
    return features;
}

constexpr DeviceFeatures receiverOnly(bool timeout, bool resolution) {
    DeviceFeatures features;
    features.send = false;
    features.carrier = false;
    features.duty = false;
    features.measure = false;
    features.wideband = false;
    features.receiveCarrier = false;
    features.timeout = timeout;
    features.resolution = resolution;
    return features;
}

constexpr DeviceFeatures transmitterOnly() {
    DeviceFeatures features;
    features.receive = false;
    features.measure = false;
    features.wideband = false;
    features.timeout = false;
    features.resolution = false;
    features.receiveCarrier = false;
    return features;
}

constexpr uint32_t defaultTimeout = 125000;  // IR_DEFAULT_TIMEOUT
constexpr uint32_t tenDefaultTimeouts = 10 * defaultTimeout;

const std::array profiles = {
    // The kernel's software device: its emitters feed its own receivers (emitter 1 the
    // normal one, emitter 2 the wideband one). Any carrier is taken, 0 too (and then
    // nothing is received, 0 being below the receive range).
    DriverProfile{.name = "rc-loopback", .source = "rc-loopback.c",
                  .features = transceiver(true, true, true, true),
                  .emitters = 2, .emitterChoice = EmitterChoice::anySet,
                  .zeroCarrier = true, .resolution = 1,
                  .timeout = defaultTimeout, .minTimeout = 1, .maxTimeout = 0xFFFFFF,
                  .carrier = 36000, .dutyCycle = 50, .transmitterMask = 0x1,
                  .carrierReport = CarrierReport::beforeLastPulse, .checksReceiveRange = true},
    // Media Center transceivers with a transmitter and the second (learning) receiver.
    // The carrier is a prescaler and an 8-bit divisor of 10 MHz, so from 611 Hz up;
    // 0 turns modulation off. The timeout goes to the device in 50 us units, the
    // nearest, and the driver takes the one the device answers. The driver starts
    // with 100 ms, which rc-core replaces through s_timeout with its own for the
    // protocols enabled: with none, 125 ms (rc-loopback's too).
    DriverProfile{.name = "mceusb", .source = "mceusb.c",
                  .features = transceiver(false, true, true, false),
                  .emitters = 2, .emitterChoice = EmitterChoice::anySet,
                  .zeroCarrier = true, .lowestCarrier = 611, .resolution = 50,
                  .timeout = defaultTimeout, .minTimeout = 50, .maxTimeout = tenDefaultTimeouts, .timeoutUnit = 50,
                  .carrier = 0, .transmitterMask = 0x3,
                  .carrierReport = CarrierReport::beforeLastPulse},
    // ITE8704 and later CIR ports: no emitter selection; the carrier is taken as it is
    // (the hardware clamps it); receive carrier range for demodulation. 115200 baud
    // sampling: 8 us resolution, at least 17 FIFO bytes of 8 samples as the timeout.
    DriverProfile{.name = "ite-cir", .source = "ite-cir.c",
                  .features = transceiver(true, false, false, true),
                  .zeroCarrier = true, .resolution = 8,
                  .timeout = defaultTimeout, .minTimeout = 1180, .maxTimeout = tenDefaultTimeouts,
                  .carrier = 38000, .dutyCycle = 33},
    // Nuvoton w836x7hg: a receiver only in 6.1, with a fixed 100 ms timeout.
    DriverProfile{.name = "nuvoton-cir", .source = "nuvoton-cir.c",
                  .features = receiverOnly(false, true), .resolution = 50, .timeout = 100000},
    // Winbond W83667HG: four outputs of which only one can be on at a time; carriers of
    // 30 to 60 kHz (rounded to whole kHz); carrier reports behind the timeout sample.
    DriverProfile{.name = "winbond-cir", .source = "winbond-cir.c",
                  .features = transceiver(false, true, false, false),
                  .emitters = 4, .emitterChoice = EmitterChoice::oneAtATime,
                  .lowestCarrier = 29500, .highestCarrier = 60499, .resolution = 2,
                  .timeout = defaultTimeout, .minTimeout = 1, .maxTimeout = tenDefaultTimeouts,
                  .carrier = 36000, .transmitterMask = 0x1,
                  .carrierReport = CarrierReport::afterTimeout},
    // Fintek F71809: a receiver only, whose timeout is 1 ms: every space of 1 ms or more
    // goes out as a timeout sample.
    DriverProfile{.name = "fintek-cir", .source = "fintek-cir.c",
                  .features = receiverOnly(false, true), .resolution = 50, .timeout = 1000},
    // ENE KB3926 and later, the variants that can learn and send: two emitters, of which
    // at least one must be chosen; the carrier is a 2 MHz period of 2 to 127.
    DriverProfile{.name = "ene_ir", .source = "ene_ir.c",
                  .features = transceiver(true, true, true, false),
                  .emitters = 2, .emitterChoice = EmitterChoice::someEmitter,
                  .lowestCarrier = 15626, .highestCarrier = 1000000, .resolution = 50,
                  .timeout = 150000, .minTimeout = 127 * 50, .maxTimeout = 200000,
                  .carrier = 62500, .dutyCycle = 50, .transmitterMask = 0x3,
                  .carrierReport = CarrierReport::duringMessage},
    // RedRat3: no emitter selection, any carrier but 0, at most 510 durations a signal
    // of at most 255 distinct lengths;
    // carrier reports (which turn on its learning receiver) come ahead of the message.
    // A timeout set goes to the device, but the driver keeps telling the one it read
    // from it at start.
    DriverProfile{.name = "redrat3", .source = "redrat3.c",
                  .features = transceiver(false, true, false, false), .resolution = 2,
                  .timeout = 150000, .minTimeout = 5000, .maxTimeout = 2000000, .keepsTimeoutSet = false,
                  .carrier = 38000, .sendLimitKind = SendLimit::values, .sendLimit = 510,
                  .distinctLengths = 255, .carrierReport = CarrierReport::beforeMessage},
    // IguanaWorks: four channels, 25 to 150 kHz; the signal goes out as carrier periods
    // packed at most 127 a byte into the device's buffer of 150 bytes.
    DriverProfile{.name = "iguanair", .source = "iguanair.c",
                  .features = transceiver(false, false, false, false),
                  .emitters = 4, .emitterChoice = EmitterChoice::anySet,
                  .lowestCarrier = 25000, .highestCarrier = 150000, .resolution = 21,
                  .timeout = defaultTimeout, .minTimeout = 1, .maxTimeout = tenDefaultTimeouts,
                  .carrier = 38000, .transmitterMask = 0,
                  .sendLimitKind = SendLimit::packedPeriods, .sendLimit = 150},
    // Streamzap's receiver: no transmitter, no timeout to set; samples in units of 256 us
    // and its timeout the longest a byte holds, 255 of them.
    DriverProfile{.name = "streamzap", .source = "streamzap.c",
                  .features = receiverOnly(false, true), .resolution = 256, .timeout = 255 * 256},
    // TechnoTrend's USB receiver (ttusbir): no transmitter; rc-core's default timeout,
    // settable within its default limits; a resolution of 14 us, as its driver tells it.
    DriverProfile{.name = "ttusbir", .source = "ttusbir.c",
                  .features = receiverOnly(true, true), .resolution = 14,
                  .timeout = defaultTimeout, .minTimeout = 1, .maxTimeout = tenDefaultTimeouts},
    // Dangerous Prototypes' IR Toy: carriers from 11.8 kHz, 21.3 us units, a timeout of at
    // least 40 ms; the driver never sets a carrier of its own.
    DriverProfile{.name = "ir_toy", .source = "ir_toy.c",
                  .features = transceiver(false, false, false, false),
                  .lowestCarrier = 11800, .resolution = 21,
                  .timeout = defaultTimeout, .minTimeout = 40000, .maxTimeout = 21 * 65535,
                  .carrier = 0},
    // Home-brew serial port receivers and emitters: 20 to 500 kHz, 250 us resolution.
    DriverProfile{.name = "serial_ir", .source = "serial_ir.c",
                  .features = transceiver(true, false, false, false),
                  .lowestCarrier = 20000, .highestCarrier = 500000, .resolution = 250,
                  .timeout = defaultTimeout, .minTimeout = 1, .maxTimeout = tenDefaultTimeouts,
                  .carrier = 38000, .dutyCycle = 50},
    // A bit-banged GPIO emitter: carrier up to 500 kHz, 0 for an unmodulated signal.
    DriverProfile{.name = "gpio-ir-tx", .source = "gpio-ir-tx.c", .features = transmitterOnly(),
                  .zeroCarrier = true, .highestCarrier = 500000, .carrier = 38000,
                  .dutyCycle = 50},
    // A PWM emitter: any carrier but 0.
    DriverProfile{.name = "pwm-ir-tx", .source = "pwm-ir-tx.c", .features = transmitterOnly(),
                  .carrier = 38000, .dutyCycle = 50},
    // A GPIO receiver: no resolution of its own.
    DriverProfile{.name = "gpio-ir-recv", .source = "gpio-ir-recv.c",
                  .features = receiverOnly(true, false),
                  .timeout = defaultTimeout, .minTimeout = 1, .maxTimeout = tenDefaultTimeouts},
    // An IR LED on an SPI bus: any carrier but 0, fewer than 4096 carrier periods a signal.
    DriverProfile{.name = "spi-ir-led", .source = "ir-spi.c", .features = transmitterOnly(),
                  .carrier = 38000, .dutyCycle = 50, .sendLimitKind = SendLimit::periods,
                  .sendLimit = 4096},
};

// DIV_ROUND_CLOSEST of the drivers, in their 32-bit unsigned arithmetic.
uint32_t periodsOf(uint32_t microseconds, uint32_t carrier) {
    uint32_t product = microseconds * carrier;
    return (product + 500000) / 1000000;
}

}  // namespace

std::span<const DriverProfile> driverProfiles() { return profiles; }

const DriverProfile* findProfile(std::string_view name) {
    for (const DriverProfile& profile : profiles) {
        if (profile.name == name) {
            return &profile;
        }
    }
    return nullptr;
}

const DriverProfile& defaultProfile() { return profiles[0]; }

namespace {

// Whether the durations, as 0.5 us counts, take at most `limit` distinct lengths.
bool fewEnoughLengths(std::span<const uint32_t> durations, uint32_t limit) {
    std::vector<uint32_t> lengths;
    for (uint32_t duration : durations) {
        uint32_t length = std::clamp<uint32_t>(duration * 2, 1, 0xffff);
        if (std::find(lengths.begin(), lengths.end(), length) == lengths.end()) {
            if (lengths.size() == limit) {
                return false;
            }
            lengths.push_back(length);
        }
    }
    return true;
}

}  // namespace

bool driverTakes(const DriverProfile& profile, std::span<const uint32_t> durations, uint32_t carrier) {
    if (profile.distinctLengths != 0 && !fewEnoughLengths(durations, profile.distinctLengths)) {
        return false;
    }
    switch (profile.sendLimitKind) {
    case SendLimit::none:
        return true;
    case SendLimit::values:
        return durations.size() <= profile.sendLimit;
    case SendLimit::packedPeriods: {
        uint32_t bytes = 0;
        for (uint32_t duration : durations) {
            bytes += (periodsOf(duration, carrier) + 126) / 127;
        }
        return bytes <= profile.sendLimit;
    }
    case SendLimit::periods: {
        uint32_t periods = 0;
        for (uint32_t duration : durations) {
            periods += periodsOf(duration, carrier);
            if (periods >= profile.sendLimit) {
                return false;
            }
        }
        return true;
    }
    }
    return true;
}

}  // namespace lirc_emulator
