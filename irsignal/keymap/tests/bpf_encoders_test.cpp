// The BPF protocols' encoders against rc_keymap(5)'s definitions of their
// parameters and the decoders of v4l-utils' utils/keytable/bpf_protocols,
// and, where a kernel protocol is one of them with other timings, against
// the kernel's own encoder of it.
#include <sstream>

#include <gtest/gtest.h>

#include "irsignal/keymap/bpf_encoders.h"
#include "ostrel/codec/protocols/scancode.h"
#include "ostrel/codec/protocols/scancode_encoding.h"

namespace irsignal::keymap {
namespace {

std::vector<uint32_t> durationsOf(const std::string& text) {
    std::istringstream words(text);
    std::vector<uint32_t> durations;
    for (uint32_t value; words >> value;) {
        durations.push_back(value);
    }
    return durations;
}

// "bits=4 reverse=1 bit_pulse=x": a parameter that is no number has no value.
std::vector<Parameter> parametersOf(const std::string& text) {
    std::istringstream words(text);
    std::vector<Parameter> parameters;
    for (std::string word; words >> word;) {
        size_t equals = word.find('=');
        Parameter parameter{word.substr(0, equals), std::nullopt, 0};
        std::string value = word.substr(equals + 1);
        if (value.find_first_not_of("-0123456789") == std::string::npos) {
            parameter.value = std::stoll(value);
        }
        parameters.push_back(parameter);
    }
    return parameters;
}

struct EncodingCase {
    const char* name;
    const char* protocol;
    const char* parameters;
    uint64_t scancode;
    const char* durations;  // the frame, or nullptr when refused
    const char* refusal;    // a part of the refusal
};

class BpfEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(BpfEncoding, SendsTheFrameItsDecoderReads) {
    const EncodingCase& c = GetParam();
    BpfFrame frame = encodeBpfFrame(c.protocol, parametersOf(c.parameters), c.scancode);
    if (c.durations != nullptr) {
        EXPECT_EQ(frame.refusal, "");
        EXPECT_EQ(frame.durations, durationsOf(c.durations));
    } else {
        EXPECT_NE(frame.refusal.find(c.refusal), std::string::npos) << frame.refusal;
        EXPECT_TRUE(frame.durations.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keymaps, BpfEncoding,
    ::testing::Values(
        // pulse_distance: header, a pulse and a space per bit (bit_1_space for
        // a 1), most significant first, trailer pulse. The defaults.
        EncodingCase{"DistanceDefaults", "pulse_distance", "", 0xa,
                     "2125 1875 625 1625 625 375 625 1625 625 375 625", nullptr},
        EncodingCase{"DistanceReversed", "pulse_distance", "reverse=1", 0x1,
                     "2125 1875 625 1625 625 375 625 375 625 375 625", nullptr},
        // dish_network.toml's KEY_POWER, as ir-ctl 1.22.1 sends it.
        EncodingCase{"DistanceDishNetwork", "pulse_distance",
                     "trailer_pulse=450 header_optional=1 header_pulse=525 header_space=6045 bits=16 "
                     "bit_pulse=440 bit_1_space=1645 bit_0_space=2780",
                     0x0800,
                     "525 6045 440 2780 440 2780 440 2780 440 2780 440 1645 440 2780 440 2780 440 2780 440 2780 "
                     "440 2780 440 2780 440 2780 440 2780 440 2780 440 2780 440 2780 450",
                     nullptr},
        EncodingCase{"DistanceWithoutHeader", "pulse_distance", "header_pulse=0 header_optional=1 bits=2", 0x2,
                     "625 1625 625 375 625", nullptr},
        EncodingCase{"DistanceOf64Bits", "pulse_distance",
                     "bits=64 header_pulse=100 header_space=100 bit_pulse=1 bit_0_space=2 bit_1_space=3 "
                     "trailer_pulse=4",
                     0x8000000000000001,
                     "100 100 1 3 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 "
                     "1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 "
                     "1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 3 4",
                     nullptr},
        EncodingCase{"DistanceTooWide", "pulse_distance", "bits=16", 0x10000, nullptr,
                     "pulse_distance scancode 0x10000 does not fit its 16 bits"},
        EncodingCase{"DistanceHeaderWithoutSpace", "pulse_distance", "header_space=0", 0x1, nullptr,
                     "header_space is 0 while header_pulse is set"},
        EncodingCase{"DistanceBitPulseZero", "pulse_distance", "bit_pulse=0", 0x1, nullptr,
                     "pulse_distance parameter bit_pulse = 0 is out of its range, 1 to 16777214"},
        EncodingCase{"DistanceBitsNotANumber", "pulse_distance", "bits=sixteen", 0x1, nullptr,
                     "pulse_distance parameter bits is not a whole number"},
        EncodingCase{"DistanceTooManyBits", "pulse_distance", "bits=65", 0x1, nullptr,
                     "bits = 65 is out of its range, 1 to 64"},
        // pulse_length: header, a pulse per bit (bit_1_pulse for a 1) and
        // bit_space between them; the frame ends with the last bit's pulse,
        // where the decoder reports the scancode (ir-ctl 1.22.1 sent the bit
        // lengths as spaces and ended with a space).
        EncodingCase{"LengthDefaults", "pulse_length", "bits=2", 0x2, "2125 1875 1625 625 375", nullptr},
        EncodingCase{"LengthReversed", "pulse_length", "bits=3 reverse=1", 0x1, "2125 1875 1625 625 375 625 375",
                     nullptr},
        EncodingCase{"LengthWithTrailer", "pulse_length", "bits=2 trailer_pulse=600", 0x2,
                     "2125 1875 1625 625 375 625 600", nullptr},
        EncodingCase{"LengthTooWide", "pulse_length", "", 0x10, nullptr, "does not fit its 4 bits"},
        // manchester: a 1 is a space then a pulse, a 0 a pulse then a space,
        // like halves joined; the first bit is a 1 whose space is the header's
        // space or the silence before the frame.
        EncodingCase{"ManchesterWithHeader", "manchester", "header_pulse=3000 header_space=1000 bits=4", 0x9,
                     "3000 1000 1776 888 888 1776 888", nullptr},
        EncodingCase{"ManchesterUnevenHalves", "manchester",
                     "bits=4 one_pulse=400 one_space=500 zero_pulse=600 zero_space=700", 0xb,
                     "1000 1200 400 500 400", nullptr},
        EncodingCase{"ManchesterMaskedStartBit", "manchester", "bits=4 scancode_mask=8", 0x1,
                     "1776 888 888 1776 888", nullptr},
        EncodingCase{"ManchesterToggleSentAsZero", "manchester", "bits=4 toggle_bit=1", 0xf,
                     "888 888 1776 1776 888", nullptr},
        EncodingCase{"ManchesterFirstBitZero", "manchester", "bits=4", 0x7, nullptr,
                     "manchester scancode 0x7 begins with a 0 bit, which the decoder reads as 1"},
        EncodingCase{"ManchesterHeaderWithoutSpace", "manchester", "header_pulse=3000", 0x2001, nullptr,
                     "header_space is 0 while header_pulse is set"},
        // samsung36: its decoder's timings, 16 bits, a 4450 us space, 20 bits.
        // samsung_ak59_00125a.toml's KEY_POWER.
        EncodingCase{"Samsung36", "samsung36", "margin=300", 0x400e00ff,
                     "4500 4500 "
                     "500 500 500 500 500 500 500 500 "  // 0000
                     "500 500 500 1600 500 500 500 500 "  // 0100
                     "500 500 500 500 500 500 500 500 "  // 0000
                     "500 500 500 500 500 500 500 500 "  // 0000
                     "500 4450 "
                     "500 1600 500 1600 500 1600 500 500 "  // 1110
                     "500 500 500 500 500 500 500 500 "  // 0000
                     "500 500 500 500 500 500 500 500 "  // 0000
                     "500 1600 500 1600 500 1600 500 1600 "  // 1111
                     "500 1600 500 1600 500 1600 500 1600 "  // 1111
                     "500",
                     nullptr},
        EncodingCase{"Samsung36TooWide", "samsung36", "", 0x1000000000, nullptr,
                     "samsung36 scancode 0x1000000000 does not fit its 36 bits"},
        EncodingCase{"OtherDecoder", "grundig", "", 0x1, nullptr, "no encoder for grundig"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

ostrel::protocols::Scancode scancodeOf(const char* text) {
    ostrel::protocols::ScancodeReading reading = ostrel::protocols::readScancode(text);
    EXPECT_TRUE(reading.ok()) << reading.reason;
    return reading.scancode;
}

struct KernelTwinCase {
    const char* name;
    const char* protocol;
    const char* parameters;
    uint64_t scancode;  // the kernel scancode's bits in the order they are sent
    const char* kernelScancode;
};

class BpfKernelTwin : public ::testing::TestWithParam<KernelTwinCase> {};

// The generic decoders take a kernel protocol's frames given its timings:
// encoded with them, a kernel scancode's bits make the kernel's own frame.
TEST_P(BpfKernelTwin, MatchesTheKernelsEncoder) {
    const KernelTwinCase& c = GetParam();
    BpfFrame frame = encodeBpfFrame(c.protocol, parametersOf(c.parameters), c.scancode);
    EXPECT_EQ(frame.refusal, "");
    EXPECT_EQ(frame.durations, ostrel::protocols::encodeFrame(scancodeOf(c.kernelScancode)));
}

INSTANTIATE_TEST_SUITE_P(
    Keymaps, BpfKernelTwin,
    ::testing::Values(
        // NEC: address 0x04, its complement, command 0x08, its complement,
        // each byte least significant bit first.
        KernelTwinCase{"Nec", "pulse_distance",
                       "header_pulse=9008 header_space=4504 bit_pulse=563 bit_0_space=563 bit_1_space=1689 "
                       "trailer_pulse=563 bits=32 reverse=1",
                       0xf708fb04, "nec:0x408"},
        // Sony 12-bit: command 21, device 1, least significant bit first.
        KernelTwinCase{"Sony12", "pulse_length",
                       "header_pulse=2400 header_space=600 bit_space=600 bit_0_pulse=600 bit_1_pulse=1200 "
                       "bits=12 reverse=1",
                       0x95, "sony12:0x10015"},
        // RC-5: start bits 1 1, toggle 0 (bit 11), system 0x1e, command 1.
        KernelTwinCase{"Rc5", "manchester", "bits=14 toggle_bit=11 zero_pulse=889 zero_space=889 one_pulse=889 "
                                            "one_space=889",
                       0x3781, "rc5:0x1e01"},
        KernelTwinCase{"Rc5ToggleOne", "manchester", "bits=14 toggle_bit=11 zero_pulse=889 zero_space=889 "
                                                     "one_pulse=889 one_space=889",
                       0x3f81, "rc5:0x1e01"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace irsignal::keymap
