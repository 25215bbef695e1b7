#include "ostrel/codec/protocols/scancode_encoding.h"

#include <numeric>

#include "ostrel/codec/protocols/frame_encoders.h"

namespace ostrel::protocols {

std::vector<uint32_t> encodeFrame(const Scancode& scancode) {
    using enum Protocol;
    switch (scancode.protocol) {
    case rc5:
    case rc5x_20:
    case rc5_sz:
        return encoders::rc5Frame(scancode);
    case sony12:
    case sony15:
    case sony20:
        return encoders::sonyFrame(scancode);
    case jvc:
        return encoders::jvcFrame(scancode.value);
    case nec:
    case necx:
    case nec32:
        return encoders::necFrame(scancode);
    case sanyo:
        return encoders::sanyoFrame(scancode.value);
    case rc6_0:
    case rc6_6a_20:
    case rc6_6a_24:
    case rc6_6a_32:
    case rc6_mce:
        return encoders::rc6Frame(scancode);
    case sharp:
        return encoders::sharpFrame(scancode.value);
    case xbox_dvd:
        return encoders::xboxDvdFrame(scancode.value);
    }
    return {};
}

std::vector<uint32_t> encodeScancode(const Scancode& scancode) {
    const ProtocolInfo& info = infoOf(scancode.protocol);
    std::vector<uint32_t> frame = encodeFrame(scancode);
    std::vector<uint32_t> durations = frame;
    // Each frame of a repeating protocol is shorter than its period.
    uint32_t length = std::accumulate(frame.begin(), frame.end(), uint32_t{0});
    for (unsigned repeat = 1; repeat < info.frames; ++repeat) {
        durations.push_back(info.framePeriod - length);
        durations.insert(durations.end(), frame.begin(), frame.end());
    }
    return durations;
}

}  // namespace ostrel::protocols
