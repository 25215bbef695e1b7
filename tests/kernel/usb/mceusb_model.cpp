// Windows Media Center transceivers as Linux 6.1's mceusb.c meets them: a full-speed
// device with a bulk IN and a bulk OUT endpoint of 64 bytes. Commands are `9f CMD ...`
// (the IR port) and `ff CMD ...` (the system port), one an OUT transfer; IR data is
// packets of a header 0x80 | n and n samples (bit 7 a pulse, the rest 50 us units),
// and a lone 0x80 ends a signal. `9f 08 MASK` comes before every signal, `9f 06 P D`
// sets the carrier to 10 MHz / 4^P / D when it changes. Two models differ in how the
// driver encodes the emitter mask: 0471:0815 (the driver's default) as
// ((mask ^ 3) << 1) for one emitter and 3 << 1 for both, 0471:060c as the mask itself.
#include <algorithm>

#include "tests/kernel/usb/usb_model.h"

namespace {

struct Answer {
    Bytes command;  // what the OUT transfer starts with
    Bytes reply;
};

// The answers to the driver's start-up commands: an emulator version 2 device with 2
// receivers, the first in use, its carrier 36 kHz. It tells its number of emitters
// (`9f 16 TX RX`) as the model has them.
const Answer answers[] = {
    {{0xff, 0x22}, {0xff, 0x22, 0x02}},                    // emulator version
    {{0xff, 0x18}, {0xff, 0x18, 0x00, 0x00, 0x00, 0x00}},  // wake version
    {{0x9f, 0x05}, {0x9f, 0x04, 0x00, 0x00}},
    {{0x9f, 0x07}, {0x9f, 0x06, 0x01, 0x45}},  // carrier
    {{0x9f, 0x13}, {0x9f, 0x08, 0x06}},        // emitter mask
    {{0x9f, 0x15}, {0x9f, 0x14, 0x01}},        // receiver in use
    {{0xff, 0x11, 0x00}, {0xff, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00}},  // port 0 cabled
    {{0xff, 0x11, 0x01}, {0xff, 0x11, 0x01, 0x00, 0x00, 0x00, 0x00}},
};

bool startsWith(const Bytes& bytes, const Bytes& prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

class MceusbModel : public UsbModel {
public:
    MceusbModel(uint8_t productLow, uint8_t productHigh, bool plainMask, uint8_t emitters,
                bool missesACyclePerPulse)
        : productLow_(productLow), productHigh_(productHigh), plainMask_(plainMask), emitters_(emitters),
          missesACyclePerPulse_(missesACyclePerPulse) {}

    Bytes deviceDescriptor() const override {
        return {0x12, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x08, 0x71, 0x04,
                productLow_, productHigh_, 0x00, 0x00, 0x01, 0x02, 0x03, 0x01};
    }
    Bytes configDescriptor() const override {
        return {0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, 0xa0, 0x32,
                0x09, 0x04, 0x00, 0x00, 0x02, 0xff, 0xff, 0xff, 0x00,
                0x07, 0x05, 0x81, 0x02, 0x40, 0x00, 0x00,   // bulk IN, 64 bytes
                0x07, 0x05, 0x02, 0x02, 0x40, 0x00, 0x00};  // bulk OUT, 64 bytes
    }
    std::vector<std::string> strings() const override { return {"Philips", "eHome Infrared Transceiver", "PH00001"}; }
    int speed() const override { return 2; }

    std::vector<Bytes> answer(const Bytes& out) override {
        // The receive timeout is echoed when set, which stores it in the driver, and
        // told when asked.
        if (out.size() == 4 && out[0] == 0x9f && out[1] == 0x0c) {
            timeout_ = {out[2], out[3]};
            return {out};
        }
        if (startsWith(out, {0x9f, 0x0d})) {
            return {{0x9f, 0x0c, timeout_[0], timeout_[1]}};
        }
        if (startsWith(out, {0x9f, 0x16})) {
            return {{0x9f, 0x16, emitters_, 0x02}};
        }
        if (startsWith(out, {0x9f, 0x14})) {
            return {out};  // the learning receiver switched
        }
        for (const Answer& known : answers) {
            if (startsWith(out, known.command)) {
                return {known.reply};
            }
        }
        return {};
    }

    // The last start-up commands: the status of each emitter's port (the driver asks
    // for as many as the device told it has) and the LED flashed.
    bool started(const std::vector<UsbTransfer>& outs) const override {
        bool ports = false;
        bool led = false;
        for (const UsbTransfer& out : outs) {
            ports = ports || startsWith(out.bytes, {0xff, 0x11, static_cast<uint8_t>(emitters_ - 1)});
            led = led || startsWith(out.bytes, {0xff, 0x23});
        }
        return ports && led;
    }

    std::vector<DeviceTransmission> transmissions(const std::vector<UsbTransfer>& outs) const override {
        std::vector<DeviceTransmission> sent;
        uint32_t carrier = 10000000 / 4 / 0x45;  // as told at start-up
        uint8_t mask = 0x06;
        bool inSignal = false;
        DeviceTransmission signal;
        bool lastPulse = false;
        for (const UsbTransfer& out : outs) {
            const Bytes& b = out.bytes;
            if (b.size() == 4 && b[0] == 0x9f && b[1] == 0x06) {
                carrier = b[2] == 0x01 && b[3] == 0x80 ? 0 : 10000000 / (1u << (2 * b[2])) / b[3];
                continue;
            }
            if (b.size() == 3 && b[0] == 0x9f && b[1] == 0x08) {
                mask = b[2];
                continue;
            }
            if (b.empty() || b[0] == 0x9f || b[0] == 0xff || b[0] == 0x00) {
                continue;
            }
            // IR data: packets until a lone 0x80.
            size_t i = 0;
            while (i < b.size()) {
                uint8_t header = b[i++];
                if (header == 0x80) {
                    if (inSignal) {
                        sent.push_back(signal);
                    }
                    inSignal = false;
                    continue;
                }
                if (!inSignal) {
                    signal = DeviceTransmission{carrier, emittersOf(mask), {}, out.microseconds};
                    inSignal = true;
                    lastPulse = false;
                }
                size_t samples = header & 0x1f;
                for (size_t n = 0; n < samples && i < b.size(); ++n, ++i) {
                    bool pulse = (b[i] & 0x80) != 0;
                    uint32_t duration = (b[i] & 0x7fu) * 50;
                    if (!signal.durations.empty() && pulse == lastPulse) {
                        signal.durations.back() += duration;
                    } else {
                        signal.durations.push_back(duration);
                    }
                    lastPulse = pulse;
                }
            }
        }
        return sent;
    }

    // The driver cuts each duration down to whole 50 us units; the carrier's divisor
    // is an integer of 10 MHz / 4.
    uint32_t durationTolerance() const override { return 49; }
    double carrierTolerance() const override { return 0.02; }
    uint32_t emitterCount() const override { return emitters_; }

    // IR packets of at most 30 samples (pulse bit 7, 50 us units, at most 127 a
    // sample), the learning receiver's cycle count `9f 15 HI LO` of the pulses, and a
    // lone 0x80: the receiver's timeout. The driver makes the carrier 20000 * (cycles
    // + fix) / pulse units, where fix is the number of pulse samples for the models
    // whose receiver misses a cycle a pulse (its rx2 == 2: 0471:0815) and 0 for the
    // others (0471:060c).
    std::vector<Bytes> received(const std::vector<uint32_t>& durations, uint32_t carrier) const override {
        std::vector<uint8_t> samples;
        uint32_t pulseUnits = 0;
        uint32_t pulseSamples = 0;
        for (size_t i = 0; i < durations.size(); ++i) {
            bool pulse = i % 2 == 0;
            for (uint32_t units = durations[i] / 50; units > 0;) {
                uint32_t part = std::min(units, 127u);
                samples.push_back(static_cast<uint8_t>(part | (pulse ? 0x80 : 0)));
                units -= part;
                if (pulse) {
                    pulseUnits += part;
                    ++pulseSamples;
                }
            }
        }
        std::vector<Bytes> chunks;
        for (size_t at = 0; at < samples.size(); at += 30) {
            size_t count = std::min<size_t>(30, samples.size() - at);
            Bytes packet = {static_cast<uint8_t>(0x80 | count)};
            packet.insert(packet.end(), samples.begin() + static_cast<std::ptrdiff_t>(at),
                          samples.begin() + static_cast<std::ptrdiff_t>(at + count));
            chunks.push_back(packet);
        }
        uint32_t cycles = (carrier * pulseUnits + 10000) / 20000 - (missesACyclePerPulse_ ? pulseSamples : 0);
        chunks.push_back({0x9f, 0x15, static_cast<uint8_t>(cycles >> 8), static_cast<uint8_t>(cycles)});
        chunks.push_back({0x80});
        return chunks;
    }
    // The library asks for carrier reports when it records: the learning receiver.
    Bytes recordingStart() const override { return {0x9f, 0x14, 0x02}; }
    // The receiver in use (the first) switched back.
    Bytes recordingEnd() const override { return {0x9f, 0x14, 0x01}; }
    bool setsReceiveTimeout(const Bytes& out) const override {
        return out.size() >= 2 && out[0] == 0x9f && out[1] == 0x0c;
    }

private:
    uint32_t emittersOf(uint8_t mask) const {
        if (plainMask_) {
            return mask & 0x3;
        }
        // 0x04 drives emitter 1, 0x02 emitter 2.
        return ((mask & 0x04) != 0 ? 1u : 0u) | ((mask & 0x02) != 0 ? 2u : 0u);
    }

    uint8_t productLow_;
    uint8_t productHigh_;
    bool plainMask_;
    uint8_t emitters_;
    bool missesACyclePerPulse_;
    Bytes timeout_ = {0x00, 0xfe};
};

}  // namespace

std::unique_ptr<UsbModel> makeIguanairModel();
std::unique_ptr<UsbModel> makeStreamzapModel();
std::unique_ptr<UsbModel> makeRedrat3Model(uint32_t timeoutMicroseconds);
std::unique_ptr<UsbModel> makeTtusbirModel();

const UsbModelName usbModels[] = {
    {"iguanair", "iguanair"},
    {"mceusb_0815", "mceusb"},
    {"mceusb_060c", "mceusb"},
    {"mceusb_060c_OneEmitter", "mceusb"},
    {"streamzap", "streamzap"},
    {"redrat3", "redrat3"},
    {"ttusbir", "ttusbir"},
};
const size_t usbModelCount = sizeof usbModels / sizeof usbModels[0];

std::unique_ptr<UsbModel> makeUsbModel(const std::string& name) {
    if (name == "iguanair") {
        return makeIguanairModel();
    }
    if (name == "redrat3") {
        return makeRedrat3Model(150000);
    }
    if (name == "redrat3_30msTimeout") {
        return makeRedrat3Model(30000);
    }
    if (name == "ttusbir") {
        return makeTtusbirModel();
    }
    if (name == "streamzap") {
        return makeStreamzapModel();
    }
    if (name == "mceusb_0815") {
        return std::make_unique<MceusbModel>(0x15, 0x08, false, 2, true);
    }
    if (name == "mceusb_060c") {
        return std::make_unique<MceusbModel>(0x0c, 0x06, true, 2, false);
    }
    if (name == "mceusb_060c_OneEmitter") {
        return std::make_unique<MceusbModel>(0x0c, 0x06, true, 1, false);
    }
    return nullptr;
}
