// RedRat3 (112a:0001), as Linux 6.1's redrat3.c meets it: a full-speed device with
// two bulk IN endpoints (0x81 the wideband receiver, 0x82 the normal one) and a bulk
// OUT one, driven by vendor control requests. A signal either way is a packet of a
// header (length, type), the carrier as a timer count, a table of at most 255
// distinct lengths (big-endian, in 0.5 us timer counts) and one index into it a
// duration. To send, the driver writes the packet (type 0x21) to the OUT endpoint,
// then asks the device to send it (request 0xb3); the device reports what it hears
// as packets of type 0x20 on either IN endpoint. The driver has no emitter selection.
#include <algorithm>
#include <atomic>

#include "tests/kernel/usb/usb_model.h"

namespace {

constexpr uint8_t resetDevice = 0xa0;
constexpr uint8_t firmwareVersion = 0xb1;
constexpr uint8_t learningCapture = 0xb2;
constexpr uint8_t sendSignal = 0xb3;
constexpr uint8_t setParameter = 0xb7;
constexpr uint8_t getParameter = 0xb8;
constexpr uint8_t blinkLed = 0xb9;
constexpr uint8_t detectorEnable = 0xbb;
constexpr uint8_t detectorStatus = 0xbd;
constexpr uint16_t signalTimeout = 0x05;

// Offsets in a signal packet.
constexpr size_t carrierCountAt = 8;
constexpr size_t periodsAt = 10;
constexpr size_t lengthCountAt = 13;
constexpr size_t signalSizeAt = 16;
constexpr size_t lengthsAt = 19;
constexpr size_t signalAt = lengthsAt + 2 * 255;
constexpr size_t trailer = 2;

uint32_t be16(const Bytes& b, size_t at) { return static_cast<uint32_t>(b[at] << 8 | b[at + 1]); }
void putBe16(Bytes& b, size_t at, uint32_t value) {
    b[at] = static_cast<uint8_t>(value >> 8);
    b[at + 1] = static_cast<uint8_t>(value);
}

class Redrat3Model : public UsbModel {
public:
    // The device's receive timeout, in 0.5 us counts.
    explicit Redrat3Model(uint32_t timeoutCounts)
        : timeout_{0, static_cast<uint8_t>(timeoutCounts >> 16), static_cast<uint8_t>(timeoutCounts >> 8),
                   static_cast<uint8_t>(timeoutCounts)} {}

    Bytes deviceDescriptor() const override {
        return {0x12, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x40, 0x2a, 0x11,
                0x01, 0x00, 0x00, 0x01, 0x01, 0x02, 0x00, 0x01};
    }
    Bytes configDescriptor() const override {
        return {0x09, 0x02, 0x27, 0x00, 0x01, 0x01, 0x00, 0x80, 0x32,
                0x09, 0x04, 0x00, 0x00, 0x03, 0xff, 0x00, 0x00, 0x00,
                0x07, 0x05, 0x81, 0x02, 0x40, 0x00, 0x00,   // bulk IN, wideband
                0x07, 0x05, 0x82, 0x02, 0x40, 0x00, 0x00,   // bulk IN, normal receiver
                0x07, 0x05, 0x02, 0x02, 0x40, 0x00, 0x00};  // bulk OUT
    }
    std::vector<std::string> strings() const override { return {"RedRat", "RedRat3 IR Transceiver"}; }
    int speed() const override { return 2; }

    std::vector<Bytes> answer(const Bytes&) override { return {}; }

    // The receive timeout is kept as set (0.5 us counts) and told when asked; every
    // other request the driver makes is taken, with a byte (or two) of status.
    bool control(const uint8_t* setup, const Bytes& data, Bytes& reply) override {
        uint8_t request = setup[1];
        uint16_t value = static_cast<uint16_t>(setup[2] | setup[3] << 8);
        uint16_t wanted = static_cast<uint16_t>(setup[6] | setup[7] << 8);
        if (request == setParameter) {
            if (value == signalTimeout && data.size() == 4) {
                timeout_ = data;
            }
            return true;
        }
        if (request == getParameter && value == signalTimeout) {
            reply = timeout_;
        } else if (request == firmwareVersion) {
            reply = Bytes{'3', '.', '0', '0', 0};
        } else if (request == detectorStatus) {
            reply = {0x01};
            detectorOn_ = true;
        } else if (request == learningCapture) {
            ++learningCaptures_;
            reply = {0x00};
        } else if (request == sendSignal || request == resetDevice || request == blinkLed ||
                   request == detectorEnable) {
            reply = Bytes(wanted, 0);
        } else {
            return false;
        }
        if (reply.size() > wanted) {
            reply.resize(wanted);
        }
        return true;
    }

    // The detector is switched on once the device is registered, last.
    bool started(const std::vector<UsbTransfer>&) const override { return detectorOn_; }

    std::vector<DeviceTransmission> transmissions(const std::vector<UsbTransfer>& outs) const override {
        std::vector<DeviceTransmission> sent;
        for (const UsbTransfer& out : outs) {
            const Bytes& b = out.bytes;
            if (b.size() < signalAt || be16(b, 2) != 0x21 || b.size() != 4 + be16(b, 0)) {
                continue;
            }
            DeviceTransmission signal;
            signal.emitters = 1;
            signal.microseconds = out.microseconds;
            // The carrier's count is 65536 - 6 MHz / carrier.
            signal.carrier = 6000000 / (65536 - be16(b, carrierCountAt));
            // The signal's size counts a trailer of two 0x7f, which is also the
            // index of the 128th distinct length.
            size_t size = be16(b, signalSizeAt);
            for (size_t i = 0; i + trailer < size && signalAt + i < b.size(); ++i) {
                uint8_t index = b[signalAt + i];
                signal.durations.push_back(index < b[lengthCountAt] ? be16(b, lengthsAt + 2 * index) / 2 : 0);
            }
            sent.push_back(signal);
        }
        return sent;
    }

    // The driver converts microseconds into whole 0.5 us counts; the carrier's
    // count is a whole one of 6 MHz.
    uint32_t durationTolerance() const override { return 1; }
    double carrierTolerance() const override { return 0.01; }
    uint32_t emitterCount() const override { return 1; }
    bool choosesEmitters() const override { return false; }

    // One packet of the whole signal, at most 32767 us a duration, its carrier
    // measured over 8 periods.
    std::vector<Bytes> received(const std::vector<uint32_t>& durations, uint32_t carrier) const override {
        std::vector<uint32_t> lengths;
        Bytes packet(signalAt + durations.size(), 0);
        for (size_t i = 0; i < durations.size(); ++i) {
            uint32_t length = std::min<uint32_t>(durations[i] * 2, 0xffff);
            auto found = std::find(lengths.begin(), lengths.end(), length);
            if (found == lengths.end()) {
                putBe16(packet, lengthsAt + 2 * lengths.size(), length);
                found = lengths.insert(lengths.end(), length);
            }
            packet[signalAt + i] = static_cast<uint8_t>(found - lengths.begin());
        }
        putBe16(packet, 0, static_cast<uint32_t>(packet.size() - 4));
        putBe16(packet, 2, 0x20);
        constexpr uint32_t periods = 8;
        putBe16(packet, carrierCountAt, carrier ? (2000000 * periods + carrier / 2) / carrier : 0);
        putBe16(packet, periodsAt, periods);
        packet[12] = 255;
        packet[lengthCountAt] = static_cast<uint8_t>(lengths.size());
        putBe16(packet, 14, 512);
        putBe16(packet, signalSizeAt, static_cast<uint32_t>(durations.size()));
        return {packet};
    }
    unsigned learningCaptures() const override { return learningCaptures_; }

private:
    Bytes timeout_;
    std::atomic<bool> detectorOn_{false};
    std::atomic<unsigned> learningCaptures_{0};
};

}  // namespace

// As plugged, its receive timeout is 150 ms, or the one given.
std::unique_ptr<UsbModel> makeRedrat3Model(uint32_t timeoutMicroseconds) {
    return std::make_unique<Redrat3Model>(timeoutMicroseconds * 2);
}
