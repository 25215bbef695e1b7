// IguanaWorks' transceiver (1781:0938), as Linux 6.1's iguanair.c meets it: a low-speed
// device with an interrupt IN and an interrupt OUT endpoint of 8 bytes. The host sends
// `00 00 cd CMD ...`; the device answers every command with `00 00 dc CMD ...`, which
// the driver waits for (the NOP it sends first too, which it only logs as an unknown
// control code). A send is `00 00 cd 15 LENGTH CHANNELS BUSY7 BUSY4` and LENGTH
// bytes of carrier periods, at most 127 a byte, bit 7 set for a space; CHANNELS is the
// emitter mask shifted left by 4, BUSY7 and BUSY4 the busy loop that makes the carrier.
#include <cstring>

#include "tests/kernel/usb/usb_model.h"

namespace {

constexpr uint8_t commandSend = 0x15;

struct Answer {
    uint8_t command;
    Bytes reply;  // after `00 00 dc CMD`
};

// What the device tells of itself: firmware 0x0308 (the driver wants 0x0205 or
// later), a buffer of 150 bytes and a cycle overhead of 65.
const Answer answers[] = {
    {0x01, {0x08, 0x03}},  // GET_VERSION
    {0x11, {0x96}},        // GET_BUFSIZE
    {0x10, {0x00, 0x41}},  // GET_FEATURES
};

constexpr uint32_t cycleOverhead = 65;

class IguanairModel : public UsbModel {
public:
    Bytes deviceDescriptor() const override {
        return {0x12, 0x01, 0x10, 0x01, 0x00, 0x00, 0x00, 0x08, 0x81, 0x17,
                0x38, 0x09, 0x00, 0x01, 0x01, 0x02, 0x00, 0x01};
    }
    Bytes configDescriptor() const override {
        return {0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, 0x80, 0x32,
                0x09, 0x04, 0x00, 0x00, 0x02, 0xff, 0x00, 0x00, 0x00,
                0x07, 0x05, 0x81, 0x03, 0x08, 0x00, 0x0a,   // interrupt IN, 8 bytes
                0x07, 0x05, 0x02, 0x03, 0x08, 0x00, 0x0a};  // interrupt OUT, 8 bytes
    }
    std::vector<std::string> strings() const override { return {"IguanaWorks", "USB IR Transceiver"}; }
    int speed() const override { return 1; }

    std::vector<Bytes> answer(const Bytes& out) override {
        if (out.size() < 4 || out[0] != 0 || out[1] != 0 || out[2] != 0xcd) {
            return {};
        }
        Bytes reply = {0x00, 0x00, 0xdc, out[3]};
        for (const Answer& known : answers) {
            if (known.command == out[3]) {
                reply.insert(reply.end(), known.reply.begin(), known.reply.end());
            }
        }
        return {reply};
    }

    // The receiver is switched on once the device is registered, last.
    bool started(const std::vector<UsbTransfer>& outs) const override {
        for (const UsbTransfer& out : outs) {
            if (out.bytes.size() == 4 && out.bytes[3] == 0x12) {
                return true;
            }
        }
        return false;
    }

    std::vector<DeviceTransmission> transmissions(const std::vector<UsbTransfer>& outs) const override {
        std::vector<DeviceTransmission> sent;
        for (const UsbTransfer& out : outs) {
            const Bytes& b = out.bytes;
            if (b.size() < 8 || b[2] != 0xcd || b[3] != commandSend || b.size() != 8u + b[4]) {
                continue;
            }
            DeviceTransmission signal;
            signal.emitters = b[5] >> 4;
            signal.microseconds = out.microseconds;
            // BUSY7 = (4 - sevens) * 2 and BUSY4 = 110 - fours: a half period of
            // 7 * sevens + 4 * fours + overhead cycles at 24 MHz.
            uint32_t sevens = 4 - b[6] / 2u;
            uint32_t fours = 110 - b[7];
            uint32_t halfPeriod = 7 * sevens + 4 * fours + cycleOverhead;
            signal.carrier = (24000000 + halfPeriod) / (2 * halfPeriod);
            bool lastSpace = true;
            uint32_t periods = 0;
            auto flush = [&] {
                if (periods != 0) {
                    signal.durations.push_back(static_cast<uint32_t>(
                        (static_cast<uint64_t>(periods) * 2 * halfPeriod * 1000000 + 12000000) / 24000000));
                }
                periods = 0;
            };
            for (size_t i = 8; i < b.size(); ++i) {
                bool space = (b[i] & 0x80) != 0;
                if (space != lastSpace) {
                    flush();
                    lastSpace = space;
                }
                periods += b[i] & 0x7f;
            }
            flush();
            sent.push_back(signal);
        }
        return sent;
    }

    // A period at 38 kHz is 26 us, and the carrier is a whole number of cycles.
    uint32_t durationTolerance() const override { return 27; }
    double carrierTolerance() const override { return 0.005; }
    uint32_t emitterCount() const override { return 4; }

    // What its receiver heard, in IN packets of 8 bytes whose first 7 the driver
    // reads, a byte a sample: a pulse (bit 7 clear) or a space (bit 7 set) of its low
    // 7 bits plus one units of 21 us, but 0x80, a space of 21845 us; the driver joins
    // the samples of a kind, and goes idle once a space reaches its receive timeout,
    // which the spaces after the last pulse do. The durations must be whole units
    // (a space less its 21845 us parts), none of one unit (0x00 would make a packet
    // that begins `00 00` a command's answer).
    std::vector<Bytes> received(const std::vector<uint32_t>& durations, uint32_t) const override {
        Bytes stream;
        for (size_t i = 0; i < durations.size(); ++i) {
            bool space = i % 2 == 1;
            uint32_t left = durations[i];
            while (space && left >= longSpace && (left == longSpace || left - longSpace >= 2 * unit)) {
                stream.push_back(0x80);
                left -= longSpace;
            }
            for (uint32_t units = left / unit; units > 0;) {
                uint32_t n = units > 128 ? 128 : units;
                if (units - n == 1) {
                    --n;
                }
                stream.push_back(static_cast<uint8_t>((space ? 0x80 : 0x00) | (n - 1)));
                units -= n;
            }
        }
        // Silence past the driver's 125 ms timeout, and a whole last packet of it.
        stream.insert(stream.end(), 6, 0x80);
        while (stream.size() % 7 != 0) {
            stream.push_back(0x80);
        }
        std::vector<Bytes> packets;
        for (size_t at = 0; at < stream.size(); at += 7) {
            Bytes packet(stream.begin() + static_cast<std::ptrdiff_t>(at), stream.begin() + static_cast<std::ptrdiff_t>(at + 7));
            packet.push_back(0x80);  // the eighth byte, which the driver leaves
            packets.push_back(std::move(packet));
        }
        return packets;
    }

private:
    static constexpr uint32_t unit = 21;
    static constexpr uint32_t longSpace = 21845;
};

}  // namespace

std::unique_ptr<UsbModel> makeIguanairModel() { return std::make_unique<IguanairModel>(); }
