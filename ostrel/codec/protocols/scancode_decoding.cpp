#include "ostrel/codec/protocols/scancode_decoding.h"

#include <limits>
#include <vector>

#include "ostrel/codec/protocols/frame_decoders.h"
#include "ostrel/codec/protocols/scancode_encoding.h"

namespace ostrel::protocols {

namespace {

// What the kernel's decoders see after the last pulse: the receiver's
// timeout, by default 125 ms (IR_DEFAULT_TIMEOUT), longer than any trailer.
constexpr uint32_t silenceAfterSignal = 125000;

// Every decoder, each fed every event in turn, as the kernel feeds each
// enabled protocol's decoder.
struct AllDecoders {
    decoders::Rc5Decoder rc5;
    decoders::SonyDecoder sony;
    decoders::JvcDecoder jvc;
    decoders::NecDecoder nec;
    decoders::SanyoDecoder sanyo;
    decoders::Rc6Decoder rc6;
    decoders::SharpDecoder sharp;
    decoders::XboxDvdDecoder xboxDvd;

    // What the decoders report on this event; more than one when the
    // durations pass for frames of several protocols.
    std::vector<Decoded> feed(decoders::Event event) {
        std::vector<Decoded> reports;
        auto feed = [&reports, event](auto& decoder) {
            // A decoder waiting for a frame does nothing with a space.
            if (event.pulse || !decoder.waiting()) {
                if (std::optional<Decoded> decoded = decoder.feed(event)) {
                    reports.push_back(*decoded);
                }
            }
        };
        feed(rc5);
        feed(sony);
        feed(jvc);
        feed(nec);
        feed(sanyo);
        feed(rc6);
        feed(sharp);
        feed(xboxDvd);
        return reports;
    }
};

// How far the durations received before `end` lie from the frame the
// scancode encodes to, in microseconds over all its edges.
uint64_t distance(const Decoded& decoded, std::span<const uint32_t> durations, size_t end) {
    std::vector<uint32_t> frame = encodeFrame(decoded.scancode);
    if (frame.size() > end) {
        return std::numeric_limits<uint64_t>::max();
    }
    uint64_t sum = 0;
    for (size_t i = 0; i < frame.size(); ++i) {
        uint32_t received = durations[end - frame.size() + i];
        sum += received > frame[i] ? received - frame[i] : frame[i] - received;
    }
    return sum;
}

}  // namespace

std::optional<Decoded> decodeSignal(std::span<const uint32_t> durations) {
    AllDecoders all;
    for (size_t i = 0; i <= durations.size(); ++i) {
        decoders::Event event = i < durations.size() ? decoders::Event{i % 2 == 0, durations[i]}
                                                     : decoders::Event{false, silenceAfterSignal};
        std::vector<Decoded> reports = all.feed(event);
        if (reports.empty()) {
            continue;
        }
        // Frames of one protocol can pass the margins of another's decoder
        // (a sony15 frame of zeros is an rc5_sz frame too, to the kernel's
        // decoders as to these): the protocol whose frame lies nearest what
        // was received is the one named.
        const Decoded* nearest = &reports.front();
        uint64_t nearestDistance = distance(*nearest, durations, i);
        for (const Decoded& report : reports) {
            if (uint64_t d = distance(report, durations, i); d < nearestDistance) {
                nearest = &report;
                nearestDistance = d;
            }
        }
        return *nearest;
    }
    return std::nullopt;
}

}  // namespace ostrel::protocols
