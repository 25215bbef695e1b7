// Scancodes beside ir-ctl on the emulated device: what irplay sends of a
// file's "scancode P:V" line against what ir-ctl -S P:V sends, and the few
// places where the two differ on purpose.
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/scancode_cases/scancode_cases.h"
#include <unistd.h>

#include "tests/device/emulated_device.h"
#include "ostrel/codec/protocols/scancode_decoding.h"
#include "ostrel/codec/protocols/scancode_encoding.h"

namespace {

using namespace ostrel::protocols;
using scancode_cases::testName;

bool haveIrCtl() { return access(IR_CTL, X_OK) == 0; }

// A line of the emulator's log: "send carrier=.. duty=.. mask=.. durations=...".
struct Sent {
    std::string settings;
    std::vector<uint32_t> durations;
};

Sent parsed(const std::string& line) {
    Sent sent;
    size_t at = line.find(" durations=");
    sent.settings = line.substr(0, at);
    std::istringstream values(line.substr(at + 11));
    for (uint32_t value; values >> value;) {
        sent.durations.push_back(value);
    }
    return sent;
}

// What one command (ir-ctl) and then irplay sent through the first emitter.
struct BothSent {
    Sent other;
    Sent irplay;
    std::string otherErrors;
};

// otherFile, when given, is other.ir, for the other command to send.
BothSent sendBoth(std::vector<std::string> other, const std::string& file,
                  const std::string& otherFile = {}) {
    ScratchFolder scratch;
    EmulatedDevice device(scratch, {});
    writeFile(scratch / "key.ir", file);
    if (!otherFile.empty()) {
        writeFile(scratch / "other.ir", otherFile);
    }
    other.insert(other.begin() + 1, {"-d", device.path(), "-e", "1"});
    ChildResult irCtl = device.run(other);
    EXPECT_EQ(irCtl.exitStatus, 0) << irCtl.standardError;
    ChildResult irplay = device.run({programPath("irplay"), "-i", "key.ir", "-b", "1"});
    EXPECT_EQ(irplay.standardOutput, "Play successfull !\n") << irplay.standardError;
    std::vector<std::string> sent = device.transmissions();
    EXPECT_EQ(sent.size(), 2u);
    sent.resize(2);
    return {parsed(sent[0]), parsed(sent[1]), irCtl.standardError};
}

// Where ir-ctl 1.22.1's encoder leaves the kernel's, edge by edge: it takes
// NEC and Sanyo edges from units of 562.5 us (9000 us, not 9008) and RC-6
// edges from 444.444 us (2667, not 2664); its Sharp spaces are whole bit
// periods (1000 and 2000 us, not 680 and 1680), as later versions no longer
// have them. Elsewhere it sends what the kernel sends.
uint32_t irCtlDeviation(Protocol protocol) {
    switch (protocol) {
    case Protocol::nec:
    case Protocol::necx:
    case Protocol::nec32:
    case Protocol::sanyo:
        return 8;
    case Protocol::rc6_0:
    case Protocol::rc6_6a_20:
    case Protocol::rc6_6a_24:
    case Protocol::rc6_6a_32:
    case Protocol::rc6_mce:
        return 3;
    case Protocol::sharp:
        return 320;
    default:
        return 0;
    }
}

class IrCtlScancode : public ::testing::TestWithParam<const char*> {};

TEST_P(IrCtlScancode, IrplaySendsWhatIrCtlSends) {
    if (!haveIrCtl()) {
        GTEST_SKIP() << IR_CTL << " is not installed (Debian package v4l-utils)";
    }
    Scancode scancode = readScancode(GetParam()).scancode;
    BothSent sent = sendBoth({IR_CTL, "-S", GetParam()}, "scancode " + std::string(GetParam()) + "\n");
    EXPECT_EQ(sent.irplay.settings, sent.other.settings) << "carrier, duty cycle and emitters";

    // ir-ctl sends one frame; irplay as many as the protocol's receivers want.
    const std::vector<uint32_t>& frame = sent.other.durations;
    const ProtocolInfo& info = infoOf(scancode.protocol);
    uint32_t deviation = irCtlDeviation(scancode.protocol);
    ASSERT_EQ(sent.irplay.durations.size(), info.frames * (frame.size() + 1) - 1);
    for (size_t i = 0; i < sent.irplay.durations.size(); ++i) {
        size_t inFrame = i % (frame.size() + 1);
        if (inFrame == frame.size()) {
            continue;  // the space between two frames
        }
        uint32_t a = sent.irplay.durations[i], b = frame[inFrame];
        EXPECT_LE(a > b ? a - b : b - a, deviation) << "duration " << i;
    }
    // Both are the scancode to the kernel's decoders.
    Decoded decoded = *decodeSignal(encodeFrame(scancode));
    EXPECT_EQ(decodeSignal(frame), decoded);
    EXPECT_EQ(decodeSignal(sent.irplay.durations), decoded);
}

INSTANTIATE_TEST_SUITE_P(Scancodes, IrCtlScancode, ::testing::ValuesIn(scancode_cases::threeOfEachProtocol),
                         [](const auto& test) { return testName(test.param); });

struct Difference {
    const char* name;
    std::vector<std::string> irCtl;  // its arguments besides -d DEVICE
    std::string file;                // what irplay plays
    // What each sent: the log's settings, and what the durations decode as
    // or, with asDurations, the durations themselves.
    std::string irCtlSettings, irCtlSent;
    std::string irplaySettings, irplaySent;
    bool asDurations = false;
    std::string otherFile = {};  // other.ir, for ir-ctl to send
};

std::string describe(const std::vector<uint32_t>& durations, bool asDurations) {
    if (std::optional<Decoded> decoded = decodeSignal(durations); decoded && !asDurations) {
        return formatScancode(decoded->scancode);
    }
    std::string text;
    for (uint32_t d : durations) {
        if (!text.empty()) {
            text += ' ';
        }
        text += std::to_string(d);
    }
    return text;
}

class IrCtlDifference : public ::testing::TestWithParam<Difference> {};

TEST_P(IrCtlDifference, IsOnPurpose) {
    if (!haveIrCtl()) {
        GTEST_SKIP() << IR_CTL << " is not installed (Debian package v4l-utils)";
    }
    std::vector<std::string> irCtl = {IR_CTL};
    irCtl.insert(irCtl.end(), GetParam().irCtl.begin(), GetParam().irCtl.end());
    BothSent sent = sendBoth(irCtl, GetParam().file, GetParam().otherFile);
    EXPECT_EQ(sent.other.settings, "send " + GetParam().irCtlSettings);
    EXPECT_EQ(describe(sent.other.durations, GetParam().asDurations), GetParam().irCtlSent);
    EXPECT_EQ(sent.irplay.settings, "send " + GetParam().irplaySettings);
    EXPECT_EQ(describe(sent.irplay.durations, GetParam().asDurations), GetParam().irplaySent);
}

const char* const device40k = "carrier=40000 duty=33 mask=0x1";

// The raw signal of Flipper's description of its format
// (documentation/file_formats/InfraredFileFormats.md), and the same values
// in the keyword form for ir-ctl.
const char* const flipperData =
    "504 3432 502 483 500 484 510 502 502 482 501 485 509 1452 504 1458 509 1452 504 481 501 474 "
    "509 3420 503";

std::string keywordsOf(const std::string& carrier, const std::string& values) {
    std::istringstream words(values);
    std::string text = "carrier " + carrier + "\n";
    int i = 0;
    for (std::string value; words >> value; ++i) {
        text += (i % 2 == 0 ? "pulse " : "space ") + value + "\n";
    }
    return text;
}

INSTANTIATE_TEST_SUITE_P(Scancodes, IrCtlDifference, ::testing::Values(
    // ir-ctl 1.22.1 gives a file's scancode no carrier ("carrier already
    // specified"); the device keeps the one it had.
    Difference{"FileCarrier", {"--send=key.ir"}, "scancode nec:0x408\n",
               device40k, "nec:0x408", "carrier=38000 duty=33 mask=0x1", "nec:0x408"},
    // ir-ctl names the bytes of a 32-bit NEC value whose command bytes are
    // each other's complement the wrong way round.
    Difference{"Nec32BitValue", {"-S", "nec:0xfe01fd02"}, "carrier 38000\nscancode nec:0xfe01fd02\n",
               "carrier=38000 duty=33 mask=0x1", "nec:0xfefd", "carrier=38000 duty=33 mask=0x1", "nec:0x102"},
    // and reads an nec32 value of 24 bits as necx.
    Difference{"ShortNec32Value", {"-S", "nec32:0x123456"}, "scancode nec32:0x123456\n",
               "carrier=38000 duty=33 mask=0x1", "necx:0x123456", "carrier=38000 duty=33 mask=0x1",
               "nec32:0x123456"},
    // A pulse after a scancode is added to its last pulse by ir-ctl, which
    // makes another frame of it (rc5_sz:0x2f02 to the decoders); irplay
    // keeps them 125 ms apart, as it keeps two scancodes apart.
    Difference{"PulseAfterScancode", {"--send=key.ir"}, "carrier 36000\nscancode rc5:0x1e01\npulse 500\n",
               "carrier=36000 duty=33 mask=0x1",
               "889 889 1778 1778 889 889 889 889 889 889 1778 889 889 889 889 889 889 889 889 889 "
               "889 1778 1389",
               "carrier=36000 duty=33 mask=0x1",
               "889 889 1778 1778 889 889 889 889 889 889 1778 889 889 889 889 889 889 889 889 889 "
               "889 1778 889 125000 500", true},
    // Two scancodes: the same 125 ms apart.
    Difference{"TwoScancodes", {"--send=key.ir"}, "carrier 36000\nscancode rc5:0x1e01\nscancode rc5:0x1e02\n",
               "carrier=36000 duty=33 mask=0x1",
               "889 889 1778 1778 889 889 889 889 889 889 1778 889 889 889 889 889 889 889 889 889 "
               "889 1778 889 125000 889 889 1778 1778 889 889 889 889 889 889 1778 889 889 889 889 "
               "889 889 889 889 1778 1778",
               "carrier=36000 duty=33 mask=0x1",
               "889 889 1778 1778 889 889 889 889 889 889 1778 889 889 889 889 889 889 889 889 889 "
               "889 1778 889 125000 889 889 1778 1778 889 889 889 889 889 889 1778 889 889 889 889 "
               "889 889 889 889 1778 1778", true},
    // A Flipper file's raw signal is its data at its frequency, as ir-ctl
    // sends the same values; irplay also sets its duty cycle.
    Difference{"FlipperRawFile", {"--send=other.ir"},
               std::string("Filetype: IR signals file\nVersion: 1\n#\nname: Button_2\ntype: raw\n"
                           "frequency: 38000\nduty_cycle: 0.600000\ndata: ") + flipperData + "\n",
               "carrier=38000 duty=33 mask=0x1", flipperData, "carrier=38000 duty=60 mask=0x1",
               flipperData, true, keywordsOf("38000", flipperData)},
    // A Pronto code is its durations at its carrier: 0x6D periods of
    // 26.2958 us, 38029 Hz (ostrel/codec/tests/form_expectations.py).
    Difference{"ProntoCode", {"--send=other.ir"}, "0000 006D 0000 0002 0010 0020 0030 0040\n",
               "carrier=38029 duty=33 mask=0x1", "421 841 1262", "carrier=38029 duty=33 mask=0x1",
               "421 841 1262", true, keywordsOf("38029", "421 841 1262")}),
    [](const auto& test) { return test.param.name; });

// A key press of each protocol, as its encoder makes it, recorded: the file
// says first what it decodes as.
class RecordedScancode : public ::testing::TestWithParam<const char*> {};

TEST_P(RecordedScancode, IsNamedInTheFile) {
    Scancode scancode = readScancode(GetParam()).scancode;
    const ProtocolInfo& info = infoOf(scancode.protocol);
    std::string script = "wait 20\ncarrier " + std::to_string(info.carrier) + "\n";
    std::vector<uint32_t> durations = encodeScancode(scancode);
    for (size_t i = 0; i < durations.size(); ++i) {
        script += (i % 2 == 0 ? "pulse " : "space ") + std::to_string(durations[i]) + "\n";
    }
    ScratchFolder scratch;
    EmulatedDevice device(scratch, {.receive = script + "end\n"});
    ChildResult run = device.run({programPath("irrecord"), "-o", "key.ir"});
    ASSERT_EQ(run.standardOutput, "Record successfull !\n") << run.standardError;
    std::string recorded = readFile(scratch / "key.ir");
    std::string named = "# scancode " + formatScancode(scancode) + (info.hasToggle ? " # toggle 0" : "");
    EXPECT_EQ(linesOf(recorded).front(), named);
}

INSTANTIATE_TEST_SUITE_P(Scancodes, RecordedScancode, ::testing::ValuesIn(scancode_cases::oneOfEachProtocol),
                         [](const auto& test) { return testName(test.param); });

}  // namespace
