// What irsignal makes of a signal: its frames, the file extract writes, the
// lines of list and show, the comparison of two, and the waveform picture.
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "irsignal/compare/signal_comparison.h"
#include "irsignal/output/keyword_file.h"
#include "irsignal/output/list_line.h"
#include "irsignal/show/show_text.h"
#include "irsignal/show/waveform_svg.h"
#include "irsignal/signal/signal_frames.h"
#include "ostrel/codec/protocols/scancode_decoding.h"
#include "ostrel/codec/protocols/scancode_encoding.h"
#include "tests/blackbox/scratch_folder.h"

namespace irsignal {
namespace {

using Durations = std::vector<uint32_t>;
using ostrel::protocols::readScancode;

Durations encoded(const char* scancode) {
    return ostrel::protocols::encodeScancode(readScancode(scancode).scancode);
}

Durations joined(std::initializer_list<Durations> parts) {
    Durations all;
    for (const Durations& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

CatalogEntry entryOf(Durations durations, size_t frames = 0, std::optional<uint32_t> carrier = std::nullopt) {
    CatalogEntry entry;
    entry.name = "key.ir";
    entry.form = "ir-ctl keywords";
    entry.signal.durations = std::move(durations);
    entry.signal.carrier = carrier;
    entry.frames = frames ? frames : countFrames(entry.signal.durations);
    return entry;
}

// A frame no kernel decoder takes.
const Durations odd = {2000, 1000, 560, 700, 560};

struct FramesCase {
    const char* name;
    Durations durations;
    size_t frames;  // what the source says; 0: none
    std::vector<FrameSpan> spans;
};

class SignalFrames : public ::testing::TestWithParam<FramesCase> {};

TEST_P(SignalFrames, CutAtTheLongestSpaces) {
    EXPECT_EQ(splitFrames(GetParam().durations, GetParam().frames), GetParam().spans);
}

INSTANTIATE_TEST_SUITE_P(Cases, SignalFrames, ::testing::Values(
    FramesCase{"OnePulse", {900}, 0, {{0, 1}}},
    FramesCase{"At19msOrMore", {900, 18999, 900, 19000, 900}, 0, {{0, 3}, {4, 1}}},
    FramesCase{"CountGiven", {900, 6000, 900, 600, 900, 7000, 900}, 3, {{0, 1}, {2, 3}, {6, 1}}},
    FramesCase{"EqualSpacesTheEarlier", {900, 500, 900, 500, 900}, 2, {{0, 1}, {2, 3}}},
    FramesCase{"NoMoreThanThePulses", {900, 500, 900}, 5, {{0, 1}, {2, 1}}},
    // sony20's three frames leave 6.6 ms between them at most.
    FramesCase{"SonyFrames", encoded("sony20:0x1fff7f"), 3,
               {{0, 41}, {42, 41}, {84, 41}}}),
    [](const auto& test) { return test.param.name; });

TEST(ScancodeSentAs, OnlyWhatTheScancodeLineSends) {
    ostrel::Signal nec{38000, encoded("nec:0x702")};
    EXPECT_EQ(scancodeSentAs(nec), readScancode("nec:0x702").scancode);
    EXPECT_EQ(scancodeSentAs({std::nullopt, encoded("rc6_0:0x40c")}), readScancode("rc6_0:0x40c").scancode);
    EXPECT_EQ(scancodeSentAs({36000, encoded("nec:0x702")}), std::nullopt) << "at another carrier";
    ostrel::Signal longer = nec;
    longer.durations.back() += 1;
    EXPECT_EQ(scancodeSentAs(longer), std::nullopt);
    // rc5:0x1e01 with toggle 1: the second bit of the frame turned round
    // (889 889 1778 1778 ... begins with toggle 0).
    Durations toggled = encoded("rc5:0x1e01");
    ASSERT_TRUE(ostrel::protocols::decodeSignal(toggled));
    EXPECT_EQ(ostrel::protocols::decodeSignal(toggled)->toggle, false);
    EXPECT_EQ(scancodeSentAs({36000, odd}), std::nullopt);
}

struct KeywordCase {
    const char* name;
    CatalogEntry entry;
    std::string text;     // what extract writes
    std::string refusal;  // or why not
};

CatalogEntry withScancode(CatalogEntry entry, const char* scancode, const char* form = "flipper parsed NEC") {
    entry.scancode = readScancode(scancode).scancode;
    entry.form = form;
    return entry;
}

CatalogEntry withDuty(CatalogEntry entry, uint32_t duty) {
    entry.signal.dutyCycle = duty;
    entry.form = "flipper raw";
    return entry;
}

CatalogEntry refused(const char* reason) {
    CatalogEntry entry = entryOf({});
    entry.form = "flipper parsed Frobnic";
    entry.refusal = reason;
    return entry;
}

Durations repeated(size_t values, uint32_t each) { return Durations(values, each); }

class KeywordFiles : public ::testing::TestWithParam<KeywordCase> {};

TEST_P(KeywordFiles, HoldWhatIrplayPlays) {
    KeywordFile file = keywordFileOf(GetParam().entry, "r.ir#K");
    EXPECT_EQ(file.text, GetParam().text);
    EXPECT_EQ(file.refusal, GetParam().refusal);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeywordFiles, ::testing::Values(
    KeywordCase{"DefaultCarrier", entryOf({900, 450, 900}),
                "# r.ir#K: ir-ctl keywords\ncarrier 38000\npulse 900\nspace 450\npulse 900\n", ""},
    KeywordCase{"Scancode", withScancode(entryOf(encoded("nec:0x702"), 1, 38000), "nec:0x702"),
                "# r.ir#K: flipper parsed NEC\ncarrier 38000\nscancode nec:0x702\n", ""},
    // One sony12 frame, as ir-ctl -S sends it: a scancode line would send three.
    KeywordCase{"ScancodeThatSendsOtherDurations",
                withScancode(entryOf(ostrel::protocols::encodeFrame(readScancode("sony12:0x10015").scancode), 1,
                                     40000),
                             "sony12:0x10015", "keymap sony"),
                "# r.ir#K: keymap sony\n# decodes as sony12:0x10015\ncarrier 40000\npulse 2400\nspace 600\n"
                "pulse 1200\nspace 600\npulse 600\nspace 600\npulse 1200\nspace 600\npulse 600\nspace 600\n"
                "pulse 1200\nspace 600\npulse 600\nspace 600\npulse 600\nspace 600\npulse 1200\nspace 600\n"
                "pulse 600\nspace 600\npulse 600\nspace 600\npulse 600\nspace 600\npulse 600\n", ""},
    KeywordCase{"DutyCycleSaid", withDuty(entryOf({900}, 1, 36000), 50),
                "# r.ir#K: flipper raw\n# duty cycle 50 %, which this form cannot hold: the device sends at "
                "its own\ncarrier 36000\npulse 900\n", ""},
    KeywordCase{"Refused", refused("protocol 'Frobnic': not played"), "", "protocol 'Frobnic': not played"},
    KeywordCase{"Unmodulated", entryOf({270}, 1, 0), "",
                "an unmodulated signal (carrier 0), which the keyword form cannot hold"},
    KeywordCase{"Over60Seconds", entryOf(repeated(9, 16000000)), "",
                "irplay would refuse it: 144000000 us in all, more than the 60000000 us (60 s) played at most"},
    KeywordCase{"PulseLongerThanAWrite", entryOf({600000}), "",
                "irplay would refuse it: pulse 1 (value 1) lasts 600000 us, more than the 500000 a LIRC device "
                "sends in one write"}),
    [](const auto& test) { return test.param.name; });

TEST(ListLine, NamesFormScancodeCarrierDurationFrames) {
    CatalogEntry raw = withDuty(entryOf({900, 460, 900}, 1, 36000), 33);
    EXPECT_EQ(listLine(raw, "Power"), "Power\tflipper raw\t-\t36000 Hz\t2.3 ms\t1 frame\n");
    CatalogEntry sony = entryOf(encoded("sony12:0x10015"), 3, 40000);
    EXPECT_EQ(listLine(sony, "key.ir"), "key.ir\tir-ctl keywords\tsony12:0x10015\t40000 Hz\t109.2 ms\t3 frames\n");
    EXPECT_EQ(listLine(refused("no\nsender"), "P"), "P\tflipper parsed Frobnic\tcannot be sent: no\\x0Asender\n");
}

TEST(ShowText, FramesGapsAndTotal) {
    EXPECT_EQ(showText(entryOf({900, 450, 900, 30000, 900}), "key.ir"),
              "key.ir\n"
              "form: ir-ctl keywords\n"
              "carrier: 38000 Hz (the file names none: irplay's default)\n"
              "duty cycle: the device's own (the file names none)\n"
              "frame 1 of 2: 3 values, 2250 us (2.3 ms), decodes as no protocol\n"
              "    +900 -450 +900\n"
              "gap: 30000 us (30.0 ms)\n"
              "frame 2 of 2: 1 value, 900 us (0.9 ms), decodes as no protocol\n"
              "    +900\n"
              "total: 5 values, 33150 us (33.2 ms)\n");
}

struct CompareCase {
    const char* name;
    Durations first;
    Durations second;
    bool same;
    std::string verdict;  // the last line
};

class Comparisons : public ::testing::TestWithParam<CompareCase> {};

TEST_P(Comparisons, AsAReceiverTakesThem) {
    Comparison comparison = compareSignals(entryOf(GetParam().first), "a", entryOf(GetParam().second), "b");
    EXPECT_EQ(comparison.same, GetParam().same);
    ASSERT_FALSE(comparison.lines.empty());
    EXPECT_EQ(comparison.lines.back(), GetParam().verdict);
}

Durations scaled(Durations durations, double factor) {
    for (uint32_t& d : durations) {
        d = static_cast<uint32_t>(d * factor);
    }
    return durations;
}

// LIRC's rule: |a - b| within 30 % of the longer, or within 100 us.
INSTANTIATE_TEST_SUITE_P(Cases, Comparisons, ::testing::Values(
    CompareCase{"Equal", odd, odd, true, "same code: every value of the first frames within 30 % or 100 us"},
    CompareCase{"Within30Percent", odd, {2000, 1000, 560, 1000, 560}, true,
                "same code: every value of the first frames within 30 % or 100 us"},
    CompareCase{"Beyond30Percent", odd, {2000, 1000, 560, 1001, 560}, false,
                "different codes: value 4 (space), 700 us against 1001 us: 301 us, beyond 300 us"},
    CompareCase{"Within100us", {200, 1000, 560}, {300, 1000, 560}, true,
                "same code: every value of the first frames within 30 % or 100 us"},
    CompareCase{"Beyond100us", {200, 1000, 560}, {301, 1000, 560}, false,
                "different codes: value 1 (pulse), 200 us against 301 us: 101 us, beyond 100 us"},
    CompareCase{"OnlyTheFirstFramesCompared", joined({odd, {40000}, odd}), odd, true,
                "same code: every value of the first frames within 30 % or 100 us"},
    CompareCase{"OtherNumberOfValues", odd, {2000, 1000, 560}, false,
                "different codes: first frames of 5 and 3 values"},
    CompareCase{"BothDecodeAlike", encoded("nec:0x702"), scaled(encoded("nec:0x702"), 1.1), true,
                "same code: nec:0x702, as both decode"},
    CompareCase{"BothDecodeOtherwise", encoded("nec:0x702"), encoded("nec:0x703"), false,
                "different codes: nec:0x702 and nec:0x703"}),
    [](const auto& test) { return test.param.name; });

// The pulses' rects as the picture has them: x and width, in ms.
std::vector<std::pair<std::string, std::string>> rectsOf(const std::string& svg) {
    size_t group = svg.find("<g class=\"pulses\"");
    std::string pulses = svg.substr(group, svg.find("</g>", group) - group);
    std::regex rect("<rect x=\"([0-9.]+)\" y=\"0\" width=\"([0-9.]+)\"");
    std::vector<std::pair<std::string, std::string>> rects;
    for (auto it = std::sregex_iterator(pulses.begin(), pulses.end(), rect); it != std::sregex_iterator(); ++it) {
        rects.emplace_back((*it)[1], (*it)[2]);
    }
    return rects;
}

TEST(WaveformSvg, PulsesOnATimeAxisInMilliseconds) {
    // The 50 ms gap is drawn 3 ms wide: the pulses after it 47 ms early.
    CatalogEntry entry = entryOf({9000, 4500, 560, 560, 560, 50000, 9000, 4500, 560});
    std::string svg = waveformSvg(entry, "key.ir");
    std::vector<std::pair<std::string, std::string>> expected = {
        {"0", "9"}, {"13.5", "0.56"}, {"14.62", "0.56"}, {"18.18", "9"}, {"31.68", "0.56"}};
    EXPECT_EQ(rectsOf(svg), expected);
    EXPECT_NE(svg.find(">50 ms</text>"), std::string::npos) << "the gap's label";
    EXPECT_NE(svg.find("<title>key.ir</title>"), std::string::npos) << "no code: the name";
    // Ticks every 2 ms at this scale, at the true time: none inside the gap.
    EXPECT_NE(svg.find(">14</text>"), std::string::npos);
    EXPECT_EQ(svg.find(">40</text>"), std::string::npos);
    EXPECT_NE(svg.find(">66</text>"), std::string::npos);
}

TEST(WaveformSvg, TitledWithTheCodeAndWellFormed) {
    CatalogEntry entry = entryOf(joined({encoded("nec:0x702"), {40000}, encoded("nec:0x702")}), 2, 38000);
    entry.form = "flipper <parsed> & \"NEC\"";
    std::string svg = waveformSvg(entry, "remote.ir#Power's");
    EXPECT_NE(svg.find("<title>nec:0x702</title>"), std::string::npos);
    EXPECT_EQ(rectsOf(svg).size(), entry.signal.durations.size() / 2 + 1);
    if (std::string(XMLLINT).empty()) {
        GTEST_SKIP() << "xmllint is not installed (Debian: libxml2-utils)";
    }
    ScratchFolder scratch;
    writeFile(scratch / "key.svg", svg);
    std::string command = std::string(XMLLINT) + " --noout " + (scratch / "key.svg") + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << svg;
}

}  // namespace
}  // namespace irsignal
