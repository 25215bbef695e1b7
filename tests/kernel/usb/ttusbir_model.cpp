// TechnoTrend's USB IR receiver (0b48:2003), as Linux 6.1's ttusbir.c meets it: a
// full-speed device with an isochronous IN endpoint of 16 bytes and a bulk OUT one of
// 32, which only switches its LED (`aa 01 05 01 ON`). The driver keeps four IN
// transfers of 8 packets, 128 bytes, under way; the device samples the receiver a bit
// at a time, most significant first, 8 bits a byte of 62.5 us, a set bit silence and
// bit 0 garbage. The driver makes a byte of one kind 62 us of it, and a byte with an
// edge 7 us a bit. It has no transmitter: nothing to send with.
#include <algorithm>

#include "tests/kernel/usb/usb_model.h"

namespace {

constexpr uint32_t microsecondsAByte = 62;  // as the driver counts a byte
constexpr size_t transferBytes = 128;
// rc-core's receive timeout, which the driver keeps: the silence after a signal
// reported until the driver has told it.
constexpr uint32_t receiveTimeout = 125000;

class TtusbirModel : public UsbModel {
public:
    Bytes deviceDescriptor() const override {
        return {0x12, 0x01, 0x10, 0x01, 0x00, 0x00, 0x00, 0x08, 0x48, 0x0b,
                0x03, 0x20, 0x00, 0x01, 0x01, 0x02, 0x00, 0x01};
    }
    // The driver takes the first alternate setting with both endpoints, and an
    // endpoint's index in it for the endpoint's number: they come at the indices
    // of their numbers, after one it does not use.
    Bytes configDescriptor() const override {
        return {0x09, 0x02, 0x27, 0x00, 0x01, 0x01, 0x00, 0x80, 0x32,
                0x09, 0x04, 0x00, 0x00, 0x03, 0xff, 0x00, 0x00, 0x00,
                0x07, 0x05, 0x83, 0x02, 0x20, 0x00, 0x00,   // bulk IN, unused
                0x07, 0x05, 0x81, 0x01, 0x10, 0x00, 0x01,   // isochronous IN, 16 bytes
                0x07, 0x05, 0x02, 0x02, 0x20, 0x00, 0x00};  // bulk OUT, 32 bytes
    }
    std::vector<std::string> strings() const override { return {"TechnoTrend", "USB IR Receiver"}; }
    int speed() const override { return 2; }

    // The LED's switching needs no answer.
    std::vector<Bytes> answer(const Bytes&) override { return {}; }
    // It sends no start-up commands; its IN transfers come after its LIRC device.
    bool started(const std::vector<UsbTransfer>&) const override { return true; }
    bool startsReading() const override { return true; }
    std::vector<DeviceTransmission> transmissions(const std::vector<UsbTransfer>&) const override { return {}; }

    uint32_t durationTolerance() const override { return 2 * 7; }
    double carrierTolerance() const override { return 0; }
    uint32_t emitterCount() const override { return 0; }

    // Each duration (pulse first) as whole bytes where all are whole bytes of the
    // driver's, else at the device's rate of 62.5 us a byte; bit 0 of every other
    // byte set as garbage; then the silence of the receive timeout, in transfers of
    // 128 bytes.
    std::vector<Bytes> received(const std::vector<uint32_t>& durations, uint32_t) const override {
        bool wholeBytes = std::all_of(durations.begin(), durations.end(),
                                      [](uint32_t d) { return d % microsecondsAByte == 0; });
        std::vector<bool> silent;  // a bit each
        for (size_t i = 0; i < durations.size(); ++i) {
            size_t bits = wholeBytes ? durations[i] / microsecondsAByte * 8 : (durations[i] * 16 + 62) / 125;
            silent.insert(silent.end(), bits, i % 2 != 0);
        }
        silent.insert(silent.end(), (receiveTimeout / microsecondsAByte + 2) * 8, true);
        Bytes stream((silent.size() / 8 + transferBytes - 1) / transferBytes * transferBytes, 0xff);
        for (size_t bit = 0; bit < silent.size(); ++bit) {
            if (!silent[bit]) {
                stream[bit / 8] &= static_cast<uint8_t>(~(0x80 >> bit % 8));
            }
        }
        for (size_t at = 0; at < stream.size(); ++at) {
            stream[at] = static_cast<uint8_t>(at % 2 != 0 ? stream[at] | 0x01 : stream[at] & 0xfe);
        }
        std::vector<Bytes> chunks;
        for (size_t at = 0; at < stream.size(); at += transferBytes) {
            chunks.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                stream.begin() + static_cast<std::ptrdiff_t>(at + transferBytes));
        }
        return chunks;
    }
};

}  // namespace

std::unique_ptr<UsbModel> makeTtusbirModel() { return std::make_unique<TtusbirModel>(); }
