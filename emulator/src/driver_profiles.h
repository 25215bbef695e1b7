// The LIRC devices of real drivers, as Linux 6.1's drivers/media/rc sets them up: what
// each can do, the values its callbacks accept and refuse, and its settings when it
// starts. LIRC_EMULATOR_PROFILE picks one; rc-loopback is the default.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace lirc_emulator {

// Driver capabilities; LIRC_EMULATOR_WITHOUT removes them.
struct DeviceFeatures {
    bool send = true;        // tx_ir: write(2) and the send ioctls
    bool receive = true;     // raw receiver (RC_DRIVER_IR_RAW rather than RC_DRIVER_IR_RAW_TX)
    bool carrier = true;     // LIRC_SET_SEND_CARRIER
    bool duty = true;        // LIRC_SET_SEND_DUTY_CYCLE
    bool measure = true;     // LIRC_SET_MEASURE_CARRIER_MODE (needs a receiver)
    bool wideband = true;    // LIRC_SET_WIDEBAND_RECEIVER (needs a receiver)
    bool timeout = true;     // LIRC_SET_REC_TIMEOUT and its limits (needs a receiver)
    bool resolution = true;  // LIRC_GET_REC_RESOLUTION (needs a receiver)
    bool receiveCarrier = true;  // LIRC_SET_REC_CARRIER and _RANGE (needs a receiver)
};

// Which transmitter masks the driver's s_tx_mask takes. A mask naming an emitter the
// device lacks is answered with the number of emitters by every driver.
enum class EmitterChoice {
    anySet,       // any set of its emitters, none included (rc-loopback, mceusb, iguanair)
    someEmitter,  // any set but the empty one, which is answered like a missing emitter (ene_ir)
    oneAtATime,   // exactly one emitter; any other set is EINVAL (winbond-cir)
};

// A limit of the driver's tx_ir beyond lirc_dev's 1024 values and 500 ms: EINVAL past it.
enum class SendLimit {
    none,
    values,         // at most `sendLimit` durations (redrat3)
    packedPeriods,  // carrier periods, at most 127 a byte, at most `sendLimit` bytes (iguanair)
    periods,        // carrier periods in all, fewer than `sendLimit` (spi-ir-led)
};

// Where the driver's carrier report (a LIRC_MODE2_FREQUENCY sample) comes among the
// samples of a message, when carrier reports are on. Scripts place it themselves; the
// tests take it from here.
enum class CarrierReport {
    none,            // the driver cannot measure the carrier
    beforeMessage,   // ahead of the first pulse (redrat3)
    duringMessage,   // after some pulse, at an interrupt (ene_ir)
    beforeLastPulse, // after the last space, the last pulse still held back (mceusb, rc-loopback)
    afterTimeout,    // behind the timeout sample (winbond-cir)
};

struct DriverProfile {
    std::string_view name;
    std::string_view source;  // the driver's file in drivers/media/rc
    DeviceFeatures features;
    unsigned emitters = 0;  // 0: no s_tx_mask
    EmitterChoice emitterChoice = EmitterChoice::anySet;
    // LIRC_SET_SEND_CARRIER values the driver takes: 0 only when zeroCarrier, others
    // from lowestCarrier to highestCarrier; EINVAL otherwise.
    bool zeroCarrier = false;
    uint32_t lowestCarrier = 1;
    uint32_t highestCarrier = UINT32_MAX;
    uint32_t resolution = 0;  // us; 0: LIRC_GET_REC_RESOLUTION is ENOTTY
    uint32_t timeout = 0;     // the receive timeout at start, us
    uint32_t minTimeout = 0;  // the range of LIRC_SET_REC_TIMEOUT, when features.timeout
    uint32_t maxTimeout = 0;
    // A timeout set is rounded to the nearest multiple of this, as the device takes it
    // (mceusb: 50 us units, read back from its answer).
    uint32_t timeoutUnit = 1;
    // Whether a timeout set is the one told and used: redrat3 sends it to the device
    // but leaves its own (LIRC_GET_REC_TIMEOUT, the timeout sample) as it started.
    bool keepsTimeoutSet = true;
    // Settings when the driver starts.
    uint32_t carrier = 0;
    uint32_t dutyCycle = 50;
    uint32_t transmitterMask = 0;
    SendLimit sendLimitKind = SendLimit::none;
    uint32_t sendLimit = 0;
    // At most this many distinct durations a signal, each made a whole number of
    // 0.5 us counts of at most 0xffff (redrat3's table of lengths); 0: no limit.
    uint32_t distinctLengths = 0;
    CarrierReport carrierReport = CarrierReport::none;
    // s_rx_carrier_range refuses a range unless 1 <= low <= high (rc-loopback); otherwise
    // it takes any.
    bool checksReceiveRange = false;
};

std::span<const DriverProfile> driverProfiles();

// The profile of that name, or nullptr.
const DriverProfile* findProfile(std::string_view name);

const DriverProfile& defaultProfile();  // rc-loopback

// True when the driver's tx_ir takes these durations at this carrier.
bool driverTakes(const DriverProfile& profile, std::span<const uint32_t> durations, uint32_t carrier);

}  // namespace lirc_emulator
