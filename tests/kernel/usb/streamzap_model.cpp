// Streamzap's receiver (0e9c:0000), as Linux 6.1's streamzap.c meets it: a low-speed
// device with one interrupt IN endpoint and no OUT endpoint, so nothing to send with
// and no commands. It reports what it hears in units of 256 us, a sample heard as
// units * 256 + 128 us: a byte holds a pulse in its high nibble and the space after
// it in its low one; a nibble of 0xf says the whole next byte is that sample
// instead (after a whole-byte pulse, the high nibble of the byte that follows is
// ignored), and a whole-byte space of 0xff is the receiver's timeout.
#include <algorithm>

#include "tests/kernel/usb/usb_model.h"

namespace {

constexpr uint32_t unit = 256;
constexpr uint8_t timeoutByte = 0xff;

class StreamzapModel : public UsbModel {
public:
    Bytes deviceDescriptor() const override {
        return {0x12, 0x01, 0x10, 0x01, 0x00, 0x00, 0x00, 0x08, 0x9c, 0x0e,
                0x00, 0x00, 0x00, 0x01, 0x01, 0x02, 0x00, 0x01};
    }
    Bytes configDescriptor() const override {
        return {0x09, 0x02, 0x19, 0x00, 0x01, 0x01, 0x00, 0x80, 0x32,
                0x09, 0x04, 0x00, 0x00, 0x01, 0xff, 0x00, 0x00, 0x00,
                0x07, 0x05, 0x81, 0x03, 0x08, 0x00, 0x0a};  // interrupt IN, 8 bytes
    }
    std::vector<std::string> strings() const override { return {"Streamzap, Inc.", "Streamzap Remote Control"}; }
    int speed() const override { return 1; }

    std::vector<Bytes> answer(const Bytes&) override { return {}; }
    // The driver sends nothing; it sets the receive timeout after its LIRC device is
    // there, then reads.
    bool started(const std::vector<UsbTransfer>&) const override { return true; }
    bool startsReading() const override { return true; }
    std::vector<DeviceTransmission> transmissions(const std::vector<UsbTransfer>&) const override { return {}; }

    uint32_t durationTolerance() const override { return unit / 2; }
    double carrierTolerance() const override { return 0; }
    uint32_t emitterCount() const override { return 0; }

    // Each pulse and the space after it (the last pulse: the timeout) as the device
    // packs them, in transfers of 8 bytes.
    std::vector<Bytes> received(const std::vector<uint32_t>& durations, uint32_t) const override {
        Bytes stream;
        for (size_t i = 0; i < durations.size(); i += 2) {
            uint32_t pulse = unitsOf(durations[i]);
            uint32_t space = i + 1 < durations.size() ? unitsOf(durations[i + 1]) : timeoutByte;
            if (space >= timeoutByte && i + 1 < durations.size()) {
                space = timeoutByte - 1;
            }
            uint8_t spaceNibble = static_cast<uint8_t>(space < 0xf ? space : 0xf);
            if (pulse < 0xf) {
                stream.push_back(static_cast<uint8_t>(pulse << 4 | spaceNibble));
            } else {
                stream.push_back(0xf0);
                stream.push_back(static_cast<uint8_t>(pulse > 0xff ? 0xff : pulse));
                stream.push_back(spaceNibble);
            }
            if (space >= 0xf) {
                stream.push_back(static_cast<uint8_t>(space));
            }
        }
        std::vector<Bytes> chunks;
        for (size_t at = 0; at < stream.size(); at += 8) {
            chunks.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                stream.begin() + static_cast<std::ptrdiff_t>(std::min(at + 8, stream.size())));
        }
        return chunks;
    }

private:
    static uint32_t unitsOf(uint32_t microseconds) { return microseconds < unit / 2 ? 0 : (microseconds - unit / 2) / unit; }
};

}  // namespace

std::unique_ptr<UsbModel> makeStreamzapModel() { return std::make_unique<StreamzapModel>(); }
