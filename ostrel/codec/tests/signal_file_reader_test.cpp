#include <gtest/gtest.h>

#include "ostrel/codec/protocols/scancode_encoding.h"
#include "ostrel/codec/signal_file.h"
#include "ostrel/codec/tests/signal_file_cases.h"

namespace ostrel {
namespace {

using Durations = std::vector<uint32_t>;

// What a scancode line sends, as its encoder makes it.
Durations sent(const char* scancode) {
    return protocols::encodeScancode(protocols::readScancode(scancode).scancode);
}

Durations joined(std::initializer_list<Durations> parts) {
    Durations all;
    for (const Durations& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

const Durations gap = {125000};

}  // namespace

TEST_P(ReadsGoodFile, ToItsSignal) {
    SignalFileReading reading = parseSignalFile(GetParam().text, "key.ir");
    ASSERT_TRUE(reading.ok()) << reading.error;
    EXPECT_EQ(reading.signal.durations, GetParam().durations);
    EXPECT_EQ(reading.signal.carrier, GetParam().carrier);
    EXPECT_EQ(reading.signal.dutyCycle, GetParam().dutyCycle);
}

TEST_P(RefusesBadFile, WithLineAndReason) {
    SignalFileReading reading = parseSignalFile(GetParam().text, "key.ir");
    ASSERT_FALSE(reading.ok());
    EXPECT_EQ(reading.line, GetParam().line);
    EXPECT_EQ(reading.reason, GetParam().reason);
    std::string where = GetParam().line ? std::string(":").append(std::to_string(GetParam().line)) : "";
    EXPECT_EQ(reading.error, "key.ir" + where + ": " + GetParam().reason);
}

namespace {

INSTANTIATE_TEST_SUITE_P(SignalFile, ReadsGoodFile, ::testing::Values(
    GoodFile{"Keywords", "pulse 100\nspace 200\npulse 300\n", {100, 200, 300}},
    GoodFile{"NoFinalLineEnd", "pulse 100\nspace 200\npulse 300", {100, 200, 300}},
    GoodFile{"Carrier", "carrier 38000\npulse 9000\nspace 4500\npulse 560\n", {9000, 4500, 560}, 38000},
    GoodFile{"CarrierLastAndRepeated", "carrier 36000\npulse 1\ncarrier 36000\n", {1}, 36000},
    GoodFile{"TimeoutIsASpace", "pulse 100\ntimeout 200\npulse 300\n", {100, 200, 300}},
    GoodFile{"Comments", "# a\n// b\n  # c\npulse 100 # d\nspace 200 // e\npulse 300 #f g\n", {100, 200, 300}},
    GoodFile{"BlanksAndTabs", "\n \t\n  pulse\t100 \t\n\n", {100}},
    GoodFile{"Crlf", "pulse 100\r\nspace 200\r\npulse 300\r\n", {100, 200, 300}},
    GoodFile{"ByteOrderMark", "\xEF\xBB\xBFpulse 100\n", {100}},
    GoodFile{"TextInComments", "# 38 kHz \xE2\x80\x93 \xB5s\npulse 1\n", {1}},
    GoodFile{"MergesInARow", "pulse 100\npulse 50\nspace 20\nspace 30\ntimeout 5\npulse 7\n", {150, 55, 7}},
    GoodFile{"DropsLeadingSpaces", "space 100\ntimeout 5\npulse 10\nspace 1\npulse 2\n", {10, 1, 2}},
    GoodFile{"DropsTrailingSpaces", "pulse 10\nspace 20\ntimeout 125000\n", {10}},
    GoodFile{"Bounds", "pulse 1\nspace 16777214\npulse 16777213\npulse 1\n", {1, 16777214, 16777214}},
    GoodFile{"LeadingZeros", "pulse 0100\n", {100}},
    GoodFile{"List", "+889 -889 +1778 -889 +889\n", {889, 889, 1778, 889, 889}},
    // As ir-ctl 1.22.1 --receive writes it: the carrier is only a comment.
    GoodFile{"ListAsReceived", "+889 -889 +1778 -125000\n # carrier 36000Hz, timeout 125000\n", {889, 889, 1778}},
    GoodFile{"ListOneShot", "+889 -889 +1778 ", {889, 889, 1778}},
    GoodFile{"ListLinesCommentsCommas", "# rec\n+100 -200 // x\n300,400\n\n 500 #end\n", {100, 200, 300, 400, 500}},
    GoodFile{"ListCrlfAndByteOrderMark", "\xEF\xBB\xBF+100 -200 +300\r\n", {100, 200, 300}},
    // Scancodes: the protocol's carrier when every pulse is a scancode's
    GoodFile{"Scancode", "scancode nec:0x408\n", sent("nec:0x408"), 38000},
    GoodFile{"ScancodeCrlfAndComment", "scancode rc5:0x1e01 # toggle 1\r\n", sent("rc5:0x1e01"), 36000},
    GoodFile{"ScancodeRepeated", "scancode sony12:0x10015\ntimeout 100000\n", sent("sony12:0x10015"), 40000},
    GoodFile{"CarrierLineWins", "scancode nec:0x408\ncarrier 40000\n", sent("nec:0x408"), 40000},
    GoodFile{"TwoScancodes", "scancode rc5:0x1e01\nscancode rc5:0x1e02\n",
             joined({sent("rc5:0x1e01"), gap, sent("rc5:0x1e02")}), 36000},
    GoodFile{"SpaceLineForGap", "scancode nec:0x408\nspace 40000\ntimeout 5\nscancode jvc:0x1234\n",
             joined({sent("nec:0x408"), {40005}, sent("jvc:0x1234")}), 38000},
    GoodFile{"CarriersDifferButCarrierLine", "scancode rc5:1\nscancode nec:1\ncarrier 38000\n",
             joined({sent("rc5:1"), gap, sent("nec:1")}), 38000},
    GoodFile{"PulseBeforeScancode", "pulse 100\nscancode nec:0x408\n", joined({{100}, gap, sent("nec:0x408")})},
    GoodFile{"PulseAfterScancode", "scancode nec:0x408\npulse 100\n", joined({sent("nec:0x408"), gap, {100}})},
    GoodFile{"SpaceAndPulseAfterScancode", "scancode nec:0x408\nspace 20000\npulse 100\n",
             joined({sent("nec:0x408"), {20000, 100}})},
    GoodFile{"CarriersDifferButPulse", "scancode rc5:1\nscancode nec:1\npulse 10\n",
             joined({sent("rc5:1"), gap, sent("nec:1"), gap, {10}})},
    GoodFile{"RecordingComment", "# scancode nec:0x408\npulse 10\n", {10}}),
    [](const auto& test) { return test.param.name; });

const std::string notANumber = " is not a decimal number from 1 to 16777214";
const std::string notListed = "expected +N or -N with N from 1 to 16777214, not ";
const std::string keywords = "expected pulse, space, timeout, carrier or scancode";
const std::string noForm =
    "expected a signal: ir-ctl's lines (pulse, space, timeout, carrier or scancode), a list (+N -N "
    "...), Pronto hex (0000 006D ...) or a Flipper IR file (Filetype: IR signals file)";

INSTANTIATE_TEST_SUITE_P(SignalFile, RefusesBadFile, ::testing::Values(
    BadFile{"UnknownKeyword", "pulse 100\nspace 200\nflash 300\n", 3, keywords},
    BadFile{"UpperCase", "PULSE 100\n", 1, noForm},
    BadFile{"NotAComment", "/ x\npulse 1\n", 1, noForm},
    BadFile{"ListInKeywords", "pulse 100\n+200 -300\n", 2, keywords},
    BadFile{"ScancodeUpperCase", "SCANCODE nec:0x1\n", 1, noForm},
    BadFile{"ScancodeNoValue", "pulse 1\nscancode # nec:1\n", 2, "scancode without a value"},
    BadFile{"ScancodeUnknown", "scancode foo:1\n", 1,
            "scancode 'foo:1': unknown protocol; the protocols are rc5, rc5x_20, rc5_sz, sony12, sony15, "
            "sony20, jvc, nec, necx, nec32, sanyo, rc6_0, rc6_6a_20, rc6_6a_24, rc6_6a_32, rc6_mce, sharp, xbox-dvd"},
    BadFile{"ScancodeTooLarge", "pulse 1\nscancode rc5:0x2000\n", 2,
            "scancode 'rc5:0x2000': rc5:0x2000 has bits outside 0x1f7f, the bits of rc5 scancodes"},
    BadFile{"ScancodeWordAfter", "scancode rc5:1 toggle\n", 1, "unexpected 'toggle' after the value"},
    BadFile{"ScancodeCarriersDiffer", "scancode rc5:1\n\nscancode jvc:1\nscancode nec:1\n", 3,
            "jvc is sent at 38000 Hz, rc5 on line 1 at 36000 Hz; a carrier line says which"},
    BadFile{"ScancodeInList", "+100 -200\nscancode nec:1\n", 2, notListed + "'scancode'"},
    BadFile{"NoValue", "pulse 100\nspace\n", 2, "space without a value"},
    BadFile{"CommentForValue", "pulse # 100\n", 1, "pulse without a value"},
    BadFile{"Zero", "pulse 0\n", 1, "'0'" + notANumber},
    BadFile{"Negative", "pulse -5\n", 1, "'-5'" + notANumber},
    BadFile{"Signed", "pulse +5\n", 1, "'+5'" + notANumber},
    BadFile{"Hex", "pulse 0x10\n", 1, "'0x10'" + notANumber},
    BadFile{"Exponent", "pulse 1e3\n", 1, "'1e3'" + notANumber},
    BadFile{"Fraction", "pulse 100.5\n", 1, "'100.5'" + notANumber},
    BadFile{"GluedJunk", "pulse 100us\n", 1, "'100us'" + notANumber},
    BadFile{"GluedComment", "pulse 100#c\n", 1, "'100#c'" + notANumber},
    BadFile{"OneTooLarge", "pulse 16777215\n", 1, "'16777215'" + notANumber},
    BadFile{"Beyond32Bits", "pulse 4294967396\n", 1, "'4294967396'" + notANumber},
    BadFile{"Beyond64Bits", "pulse 18446744073709551716\n", 1, "'18446744073709551716'" + notANumber},
    BadFile{"HugeWord", "pulse " + std::string(100000, '9') + "\n", 1, std::string("'").append(24, '9') + "...'" + notANumber},
    BadFile{"WordAfterValue", "pulse 100 200\n", 1, "unexpected '200' after the value"},
    BadFile{"CrOnlyLineEnds", "pulse 100\rspace 200\rpulse 300\r", 1, "unexpected 'space' after the value"},
    BadFile{"CarrierZero", "carrier 0\npulse 1\n", 1, "'0'" + notANumber},
    BadFile{"CarrierTwice", "carrier 36000\npulse 1\ncarrier 38000\n", 3, "carrier 38000 differs from carrier 36000 on line 1"},
    BadFile{"PulsesOverflow", "pulse 16777214\npulse 1\n", 2, "pulses in a row add up to more than 16777214 us"},
    BadFile{"SpacesOverflow", "pulse 1\nspace 16777214\ntimeout 1\npulse 1\n", 3, "spaces in a row add up to more than 16777214 us"},
    BadFile{"ListLeadingSpace", "-50 +100\n", 1, "space '-50' where a pulse is due"},
    BadFile{"ListTwoPulses", "+100\n+200\n", 2, "pulse '+200' where a space is due"},
    BadFile{"ListTwoSpaces", "+100 -200 -300\n", 1, "space '-300' where a pulse is due"},
    BadFile{"ListKeyword", "+100 -200\npulse 300\n", 2, notListed + "'pulse'"},
    BadFile{"ListCarrier", "+100 carrier 38000\n", 1, notListed + "'carrier'"},
    BadFile{"ListZero", "+0\n", 1, notListed + "'+0'"},
    BadFile{"ListSignOnly", "+ 100\n", 1, notListed + "'+'"},
    BadFile{"ListDoubleSign", "+100 --200\n", 1, notListed + "'--200'"},
    BadFile{"ListHex", "+0x10\n", 1, notListed + "'+0x10'"},
    BadFile{"ListGluedComment", "+100 -200#c\n", 1, notListed + "'-200#c'"},
    BadFile{"ListBeyond64Bits", "+18446744073709551716\n", 1, notListed + "'+18446744073709551716'"},
    BadFile{"Empty", "", 0, "no pulse in the file"},
    BadFile{"OnlyComments", "\xEF\xBB\xBF# a\n\n// b\r\n", 0, "no pulse in the file"},
    BadFile{"OnlySpaces", "space 100\ntimeout 200\n", 0, "no pulse in the file"},
    BadFile{"Nul", std::string("pulse 100\npulse\0 200\n", 20), 2, "binary data (byte 0x00), not a signal file"},
    BadFile{"Escape", "pulse 1\n# \x1B[31m\n", 2, "binary data (byte 0x1B), not a signal file"},
    BadFile{"BinaryBeforeSyntax", "flash 1\n\x7F\n", 2, "binary data (byte 0x7F), not a signal file"},
    BadFile{"Utf16", std::string("\xFF\xFEp\0u\0", 6), 0, "UTF-16 text; save the file as UTF-8 or ASCII"},
    BadFile{"TooLarge", std::string(largestSignalFile + 1, '\n'), 0, "larger than 1 MiB, too large for a signal file"}),
    [](const auto& test) { return test.param.name; });

TEST(SignalFile, ReadsFilesUpTo1MiBAndLinesOf100kB) {
    std::string largest = "pulse 1\n#" + std::string(largestSignalFile - 10, 'x') + "\n";
    ASSERT_EQ(largest.size(), largestSignalFile);
    EXPECT_TRUE(parseSignalFile(largest, "f").ok());

    std::string longList;
    while (longList.size() < 100000) {
        longList += "+1 -2 ";
    }
    SignalFileReading reading = parseSignalFile(longList, "f");
    ASSERT_TRUE(reading.ok()) << reading.error;
    EXPECT_EQ(reading.signal.durations.size(), longList.size() / 6 * 2 - 1);
}

}  // namespace
}  // namespace ostrel
