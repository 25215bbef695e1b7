#include "irsignal/signal/signal_frames.h"

#include <algorithm>

#include "ostrel/codec/protocols/scancode_decoding.h"
#include "ostrel/codec/protocols/scancode_encoding.h"
#include "ostrel/codec/transmission_plan.h"

namespace irsignal {

size_t countFrames(std::span<const uint32_t> durations) {
    if (durations.empty()) {
        return 0;
    }
    size_t frames = 1;
    for (size_t i = 1; i < durations.size(); i += 2) {
        frames += durations[i] >= ostrel::frameEndingSpace ? 1 : 0;
    }
    return frames;
}

std::vector<FrameSpan> splitFrames(std::span<const uint32_t> durations, size_t frames) {
    if (durations.empty()) {
        return {};
    }
    std::vector<size_t> cuts;  // the spaces between frames, by index
    if (frames == 0) {
        for (size_t i = 1; i < durations.size(); i += 2) {
            if (durations[i] >= ostrel::frameEndingSpace) {
                cuts.push_back(i);
            }
        }
    } else {
        std::vector<size_t> spaces;
        for (size_t i = 1; i < durations.size(); i += 2) {
            spaces.push_back(i);
        }
        size_t wanted = std::min(frames - 1, spaces.size());
        std::stable_sort(spaces.begin(), spaces.end(),
                         [&durations](size_t a, size_t b) { return durations[a] > durations[b]; });
        cuts.assign(spaces.begin(), spaces.begin() + static_cast<std::ptrdiff_t>(wanted));
        std::sort(cuts.begin(), cuts.end());
    }
    std::vector<FrameSpan> spans;
    size_t first = 0;
    for (size_t cut : cuts) {
        spans.push_back({first, cut - first});
        first = cut + 1;
    }
    spans.push_back({first, durations.size() - first});
    return spans;
}

std::optional<ostrel::protocols::Scancode> scancodeSentAs(const ostrel::Signal& signal) {
    std::optional<ostrel::protocols::Decoded> decoded =
        ostrel::protocols::decodeSignal(signal.durations);
    if (!decoded) {
        return std::nullopt;
    }
    const ostrel::protocols::ProtocolInfo& info = ostrel::protocols::infoOf(decoded->scancode.protocol);
    if (signal.carrier && *signal.carrier != info.carrier) {
        return std::nullopt;
    }
    if (ostrel::protocols::encodeScancode(decoded->scancode) != signal.durations) {
        return std::nullopt;
    }
    return decoded->scancode;
}

size_t framesOf(const ostrel::protocols::Scancode& scancode) {
    return ostrel::protocols::infoOf(scancode.protocol).frames;
}

}  // namespace irsignal
