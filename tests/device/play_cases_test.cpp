// irplay with the real library on a LIRC device: what is sent, through which
// emitters, and the one line on standard error for each failure, when nothing
// is sent, no file is changed and the device's settings are as they were.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/device/test_device.h"

namespace {

const std::string key = "pulse 900\nspace 450\npulse 900\n";
const std::string sentKey = " durations=900 450 900";

// A signal of `values` durations of `each` microseconds.
std::string signalOf(size_t values, uint32_t each) {
    std::string text;
    for (size_t i = 0; i < values; ++i) {
        text += (i % 2 == 0 ? "pulse " : "space ") + std::to_string(each) + "\n";
    }
    return text;
}

// Three frames of 200 ms (pulses of 32 ms, which rc-loopback too reports as they
// are), 50 ms and 60 ms apart: the first two fit one write.
const std::string frameDurations = "32000 10000 32000 10000 32000 10000 32000 10000 32000";
const std::string frame =
    "pulse 32000\nspace 10000\npulse 32000\nspace 10000\npulse 32000\nspace 10000\npulse 32000\n"
    "space 10000\npulse 32000\n";
const std::string frames = frame + "space 50000\n" + frame + "space 60000\n" + frame;

// A fan's frame: a code repeated `codes` times `apart` us apart, with no
// space of 19 ms, as "N N N ...".
std::string codesApart(size_t codes, const std::string& code = "9000 4500 560 560 560 1690 560",
                       const std::string& apart = "8000") {
    std::string text;
    for (size_t i = 0; i < codes; ++i) {
        text += (i == 0 ? "" : " " + apart + " ") + code;
    }
    return text;
}
// 30 codes are 874900 us: cut at the 8 ms spaces, 19 codes (475170 us) in the
// first write, 11 in the second.
const std::string fanFrame = codesApart(30);
const std::string fanFirstWrite = codesApart(19);
const std::string fanSecondWrite = codesApart(11);
// The same in Pronto hex at 38029 Hz, in whole carrier periods of 26.2958 us:
// each code 17381 us, 7994 us apart (753256 us in all), 20 codes in the first
// write (499506 us).
std::string prontoFan() {
    std::string text = "0000 006D 0078 0000";
    for (int i = 0; i < 30; ++i) {
        text += " 0156 00AB 0015 0015 0015 0040 0015 0130";
    }
    return text + "\n";
}
const std::string prontoCode = "8993 4497 552 552 552 1683 552";

// A whole NEC frame of the 32 bits (least significant first), as "N N ...".
std::string necFrameOf(uint32_t bits) {
    std::string text = "9000 4500";
    for (int bit = 0; bit < 32; ++bit) {
        text += (bits >> bit & 1) != 0 ? " 560 1690" : " 560 560";
    }
    return text + " 560";
}
// A key press of two frames 40 ms apart. On iguanair at 38 kHz a frame is 70
// bytes of carrier periods (9000 us 3, 4500 us 2, the rest 1 each) and the gap
// 12: 152 together, over the device's 150, so its driver refuses them in one write.
const std::string necFrame = necFrameOf(0xbf40ff00);  // 16 one bits: 67980 us
const std::string necKey = necFrame + " 40000 " + necFrame;

std::string flipperRawOf(const std::string& data) {
    return "Filetype: IR signals file\nVersion: 1\n#\nname: Fan\ntype: raw\nfrequency: 38000\n"
           "duty_cycle: 0.330000\ndata: " + data + "\n";
}

// "+N -N ..." of "N N ...".
std::string listOf(const std::string& durations) {
    std::string list = "+";
    bool pulse = true;
    for (char c : durations) {
        list += c == ' ' ? std::string(" ") + ((pulse = !pulse) ? "+" : "-") : std::string(1, c);
    }
    return list + "\n";
}

std::string durationsOf(size_t values, uint32_t each) {
    std::string text;
    for (size_t i = 0; i < values; ++i) {
        if (i != 0) {
            text += ' ';
        }
        text += std::to_string(each);
    }
    return text;
}

// A relative name of exactly `length` characters, in a folder so that no path
// component exceeds what file systems allow.
std::string nameOfLength(size_t length) {
    std::string folder(120, 'd');
    return folder + "/" + std::string(length - folder.size() - 1, 'f');
}

struct PlayCase {
    const char* name;
    std::string file = key;  // the content of fileName
    std::string fileName = "key.ir";
    // When set, fileName is made this large by truncate(2): a sparse file.
    off_t sparseSize = 0;
    std::vector<std::string> arguments = {"-i", "key.ir"};
    DeviceSetup device = {};
    // The library's line on standard error, without "ostrel: "; "{device}"
    // stands for the device's path. Empty: the play succeeds.
    std::string error = {};
    std::vector<std::string> sent = {};
    // The write failed after the emitters and carrier had been set for it:
    // LIRC has no request that reads them back, so they stay set.
    bool emittersLeftChosen = false;
    // rc-loopback can show it: false for a signal longer than the 512 samples
    // its receiver's queue holds.
    bool onLoopback = true;
};

std::string sent(const std::string& settings) { return "send " + settings + sentKey; }

const std::string flipperRaw =
    "Filetype: IR signals file\nVersion: 1\n#\nname: Power\ntype: raw\nfrequency: 36000\n"
    "duty_cycle: 0.500000\ndata: 900 450 900\n";

const PlayCase cases[] = {
    // Ports and emitters
    {.name = "Port0SendsOnEveryEmitter", .sent = {sent("carrier=38000 duty=33 mask=0x3")}},
    {.name = "Port1SendsOnFirstEmitter", .arguments = {"-i", "key.ir", "-b", "1"},
     .sent = {sent("carrier=38000 duty=33 mask=0x1")}},
    {.name = "Port2SendsOnSecondEmitter", .arguments = {"-i", "key.ir", "-b", "2"},
     .sent = {sent("carrier=38000 duty=33 mask=0x2")}},
    {.name = "Port0OnFourEmitters", .device = {.settings = {"LIRC_EMULATOR_EMITTERS=4"}},
     .sent = {sent("carrier=38000 duty=33 mask=0xf")}},
    {.name = "Port0OnOneEmitter", .device = {.settings = {"LIRC_EMULATOR_EMITTERS=1"}},
     .sent = {sent("carrier=38000 duty=33 mask=0x1")}},
    {.name = "Port2OnOneEmitterFails", .arguments = {"-b", "2", "-i", "key.ir"},
     .device = {.settings = {"LIRC_EMULATOR_EMITTERS=1"}},
     .error = "port 2 chosen, but {device} has 1 emitter"},
    {.name = "MissingPortLeavesTheCarrier", .file = "carrier 38000\n" + key,
     .arguments = {"-b", "2", "-i", "key.ir"}, .device = {.settings = {"LIRC_EMULATOR_EMITTERS=1"}},
     .error = "port 2 chosen, but {device} has 1 emitter"},
    {.name = "Port0WithoutEmitterSelection", .device = {.settings = {"LIRC_EMULATOR_EMITTERS=0"}},
     .sent = {sent("carrier=38000 duty=33 mask=none")}},
    {.name = "Port1WithoutEmitterSelection", .arguments = {"-b", "1", "-i", "key.ir"},
     .device = {.settings = {"LIRC_EMULATOR_EMITTERS=0"}},
     .sent = {sent("carrier=38000 duty=33 mask=none")}},
    {.name = "Port2WithoutEmitterSelectionFails", .arguments = {"-b", "2", "-i", "key.ir"},
     .device = {.settings = {"LIRC_EMULATOR_EMITTERS=0"}},
     .error = "port 2 chosen, but {device} cannot choose among emitters"},

    // The carrier
    {.name = "CarrierOfTheFileIsSet", .file = "carrier 38000\n" + key,
     .sent = {sent("carrier=38000 duty=33 mask=0x3")}},
    {.name = "WithoutCarrierControlTheDeviceKeepsItsOwn", .file = "carrier 38000\n" + key,
     .device = {.settings = {"LIRC_EMULATOR_WITHOUT=carrier"}},
     .sent = {sent("carrier=40000 duty=33 mask=0x3")}},

    // The device
    {.name = "DeviceThatCannotSend", .device = {.settings = {"LIRC_EMULATOR_WITHOUT=send"}},
     .error = "{device}: the device cannot send"},
    {.name = "MissingDevice", .device = {.settings = {"OSTREL_DEVICE=nolirc"}},
     .error = "nolirc: No such file or directory"},
    {.name = "RegularFileIsNoDevice", .device = {.settings = {"OSTREL_DEVICE=key.ir"}},
     .error = "key.ir: not a LIRC device"},
    {.name = "DevNullIsNoDevice", .device = {.settings = {"OSTREL_DEVICE=/dev/null"}},
     .error = "/dev/null: not a LIRC device"},
    {.name = "WriteFailsWithIoError", .device = {.settings = {"LIRC_EMULATOR_WRITE_ERROR=EIO"}},
     .error = "{device}: cannot send: Input/output error", .emittersLeftChosen = true},
    {.name = "WriteInterrupted", .device = {.settings = {"LIRC_EMULATOR_WRITE_ERROR=EINTR"}},
     .error = "{device}: cannot send: Interrupted system call", .emittersLeftChosen = true},
    {.name = "DeviceUnplugged", .device = {.settings = {"LIRC_EMULATOR_WRITE_ERROR=ENODEV"}},
     .error = "{device}: cannot send: No such device", .emittersLeftChosen = true},

    // Files that are not signal files, or signals the device cannot send
    {.name = "UnknownLineIsRefused", .file = "pulse 900\nspice 450\npulse 900\n",
     .error = "key.ir:2: expected pulse, space, timeout, carrier or scancode"},
    {.name = "ScancodeIsSentAtItsCarrier", .file = "scancode rc5:0x1e01\n",
     .sent = {"send carrier=36000 duty=33 mask=0x3 durations=889 889 1778 1778 889 889 889 889 889 "
              "889 1778 889 889 889 889 889 889 889 889 889 889 1778 889"}},
    // Pronto hex and Flipper IR files: their carrier, a Flipper file's duty
    // cycle where the device can set one, and carrier 0 for an unmodulated code.
    {.name = "ProntoCodeAtItsCarrier", .file = "0000 006D 0000 0002 0010 0020 0030 0040\n",
     .sent = {"send carrier=38029 duty=33 mask=0x3 durations=421 841 1262"}},
    {.name = "FlipperFileSetsItsDutyCycle", .file = flipperRaw,
     .sent = {"send carrier=36000 duty=50 mask=0x3 durations=900 450 900"}},
    {.name = "WithoutDutyCycleControlTheDeviceKeepsItsOwn", .file = flipperRaw,
     .device = {.settings = {"LIRC_EMULATOR_WITHOUT=duty"}},
     .sent = {"send carrier=36000 duty=33 mask=0x3 durations=900 450 900"}},
    {.name = "FlipperFileOfTwoSignalsIsRefused", .file = flipperRaw + "#\nname: Mute\ntype: raw\n",
     .error = "key.ir:10: 2 signals (Power, Mute); irplay plays one signal per file: irsignal "
              "extract FILE#NAME -o KEY.ir saves one in a file of its own"},
    // An unmodulated code asks for carrier 0, which rc-loopback takes (and then
    // its receivers hear nothing) and pwm-ir-tx refuses.
    {.name = "UnmodulatedIsSentAtCarrier0", .file = "0100 0070 0000 0001 000A 0064\n",
     .sent = {"send carrier=0 duty=33 mask=0x3 durations=270"}, .onLoopback = false},
    {.name = "UnmodulatedWhereTheDeviceRefusesCarrier0", .file = "0100 0070 0000 0001 000A 0064\n",
     .device = {.settings = {"LIRC_EMULATOR_PROFILE=pwm-ir-tx"}},
     .error = "{device}: cannot send an unmodulated signal (carrier 0): Invalid argument"},
    {.name = "UnmodulatedWithoutCarrierControl", .file = "0100 0070 0000 0001 000A 0064\n",
     .device = {.settings = {"LIRC_EMULATOR_WITHOUT=carrier"}},
     .error = "{device}: cannot send an unmodulated signal: the device cannot set its carrier"},
    {.name = "ScancodeTooLargeIsRefused", .file = "carrier 36000\nscancode rc5:0x80\n",
     .error = "key.ir:2: scancode 'rc5:0x80': rc5:0x80 has bits outside 0x1f7f, the bits of rc5 scancodes"},
    {.name = "EmptyFileIsRefused", .file = "", .error = "key.ir: no pulse in the file"},
    {.name = "FileFromWindowsIsSent",
     .file = "\xEF\xBB\xBF# NEC leader\r\ncarrier 38000\r\npulse 900\r\nspace 450\r\npulse 900\r\n",
     .sent = {sent("carrier=38000 duty=33 mask=0x3")}},
    // A frame of 1025 values without a longer space than the others is cut
    // where the first write is full.
    {.name = "FrameOfMoreValuesThanTheKernelTakesIsCut", .file = signalOf(1025, 10),
     .sent = {"send carrier=38000 duty=33 mask=0x3 durations=" + durationsOf(1023, 10),
              "send carrier=38000 duty=33 mask=0x3 durations=10"},
     .onLoopback = false},
    {.name = "MostValuesTheKernelTakes", .file = signalOf(1023, 10),
     .sent = {"send carrier=38000 duty=33 mask=0x3 durations=" + durationsOf(1023, 10)},
     .onLoopback = false},
    // Frames are cut at spaces of 19 ms or more, and packed into writes. (rc-loopback
    // reports a pulse over 50 ms as an overflow.)
    {.name = "LongerThanOneWriteGoesAsTwo", .file = signalOf(3, 250001),
     .sent = {"send carrier=38000 duty=33 mask=0x3 durations=250001",
              "send carrier=38000 duty=33 mask=0x3 durations=250001"},
     .onLoopback = false},
    {.name = "FramesPackedIntoWrites", .file = frames,
     .sent = {"send carrier=38000 duty=33 mask=0x3 durations=" + frameDurations + " 50000 " + frameDurations,
              "send carrier=38000 duty=33 mask=0x3 durations=" + frameDurations}},
    // A frame longer than one write is cut at its longest spaces, on every form.
    {.name = "FrameLongerThanOneWriteIsCutAtItsLongestSpace",
     .file = key + "space 40000\npulse 250000\nspace 1000\npulse 100\nspace 18999\npulse 250001\n",
     .sent = {"send carrier=38000 duty=33 mask=0x3 durations=900 450 900 40000 250000 1000 100",
              "send carrier=38000 duty=33 mask=0x3 durations=250001"},
     .onLoopback = false},
    {.name = "FanFrameInAFlipperFileIsCutBetweenItsCodes", .file = flipperRawOf(fanFrame),
     .sent = {"send carrier=38000 duty=33 mask=0x3 durations=" + fanFirstWrite,
              "send carrier=38000 duty=33 mask=0x3 durations=" + fanSecondWrite}},
    {.name = "FanFrameInAListIsCutBetweenItsCodes", .file = listOf(fanFrame),
     .sent = {"send carrier=38000 duty=33 mask=0x3 durations=" + fanFirstWrite,
              "send carrier=38000 duty=33 mask=0x3 durations=" + fanSecondWrite}},
    {.name = "FanFrameInProntoHexIsCutBetweenItsCodes", .file = prontoFan(),
     .sent = {"send carrier=38029 duty=33 mask=0x3 durations=" + codesApart(20, prontoCode, "7994"),
              "send carrier=38029 duty=33 mask=0x3 durations=" + codesApart(10, prontoCode, "7994")}},
    {.name = "PulseLongerThanOneWriteIsRefused", .file = key + "space 40000\npulse 500001\n",
     .error = "key.ir: pulse 3 (value 5) lasts 500001 us, more than the 500000 a LIRC device "
              "sends in one write"},
    {.name = "LongerThan60sIsRefused", .file = signalOf(9, 16000000),
     .error = "key.ir: 144000000 us in all, more than the 60000000 us (60 s) played at most"},
    {.name = "FileOver1MiB", .file = "pulse 900\n" + std::string(1u << 20, '#') + "\n",
     .error = "key.ir: larger than 1 MiB, too large for a signal file"},
    {.name = "SparseFileOf100MB", .sparseSize = 100 << 20,
     .error = "key.ir: larger than 1 MiB, too large for a signal file"},
    // Larger than a 32-bit off_t or size_t holds (armhf): refused the same way.
    {.name = "SparseFileOf5GiB", .sparseSize = off_t{5} << 30,
     .error = "key.ir: larger than 1 MiB, too large for a signal file"},
    {.name = "DevZeroIsNoSignalFile", .arguments = {"-i", "/dev/zero"},
     .error = "/dev/zero: not a regular file"},

    // Names of files: the library's line names the file as it is called,
    // whole, and in one line whatever bytes its name holds.
    // A driver that refuses frames together, which it takes one at a time: each goes
    // as a write of its own; one frame too long for it stays refused with its error.
    {.name = "FramesADriverRefusesTogetherGoAWriteEach", .file = listOf(necKey),
     .device = {.settings = {"LIRC_EMULATOR_PROFILE=iguanair"}},
     .sent = {"send carrier=38000 duty=33 mask=0xf durations=" + necFrame,
              "send carrier=38000 duty=33 mask=0xf durations=" + necFrame}},
    {.name = "FrameADriverRefusesIsRefused", .file = signalOf(151, 700),
     .device = {.settings = {"LIRC_EMULATOR_PROFILE=iguanair"}},
     .error = "{device}: cannot send: Invalid argument", .emittersLeftChosen = true},
    {.name = "FramesTheDriverTakesTogetherStayOneWrite", .file = listOf(necFrame + " 40000 9000 2250 560"),
     .device = {.settings = {"LIRC_EMULATOR_PROFILE=iguanair"}},
     .sent = {"send carrier=38000 duty=33 mask=0xf durations=" + necFrame + " 40000 9000 2250 560"}},

    {.name = "NameOf259Characters", .file = "", .fileName = nameOfLength(259),
     .arguments = {"-i", nameOfLength(259)}, .error = nameOfLength(259) + ": no pulse in the file"},
    {.name = "NameNotUtf8WithLineEnd", .file = "", .fileName = "bad\xFF\nname.ir",
     .arguments = {"-i", "bad\xFF\nname.ir"}, .error = "bad\\xFF\\x0Aname.ir: no pulse in the file"},
    {.name = "NameBeginningWithDash", .file = "pulse 900\n", .fileName = "-key.ir",
     .arguments = {"-i", "-key.ir"}, .sent = {"send carrier=38000 duty=33 mask=0x3 durations=900"}},
};

void PrintTo(const PlayCase& c, std::ostream* out) { *out << c.name; }

class PlayOnDevice : public ::testing::TestWithParam<PlayCase> {};

TEST_P(PlayOnDevice, SendsOrSaysWhyNot) {
    const PlayCase& c = GetParam();
    ScratchFolder scratch;
    writeFile(scratch / c.fileName, c.file);
    if (c.sparseSize != 0) {
        ASSERT_EQ(truncate((scratch / c.fileName).c_str(), c.sparseSize), 0);
    }
    std::unique_ptr<TestDevice> device = makeDevice(scratch, c.device);
    std::set<std::string> filesBefore = filesBelow(scratch.path(), {"device.state"});
    std::vector<std::string> command = {programPath("irplay")};
    command.insert(command.end(), c.arguments.begin(), c.arguments.end());
    ChildResult run = device->play(command);

    ASSERT_TRUE(run.exited) << run.standardError;
    EXPECT_EQ(run.exitStatus, 0);
    if (c.error.empty()) {
        EXPECT_EQ(run.standardOutput, "Play successfull !\n");
        EXPECT_EQ(run.standardError, "");
    } else {
        EXPECT_EQ(run.standardOutput, "Play failed !\n");
        EXPECT_EQ(run.standardError, "ostrel: " + expand(c.error, device->path()) + "\n");
    }
    EXPECT_EQ(device->transmissions(), device->observable(c.sent));
    if (c.sent.empty()) {
        // Nothing was sent, so nothing was written, and the device is as it was.
        EXPECT_EQ(filesBelow(scratch.path(), {"device.state"}), filesBefore);
        if (!c.emittersLeftChosen) {
            EXPECT_EQ(device->state(), device->initialState());
        }
    }
    if (c.sparseSize != 0) {
        EXPECT_EQ(std::filesystem::file_size(scratch / c.fileName), static_cast<uintmax_t>(c.sparseSize));
    } else {
        EXPECT_EQ(readFile(scratch / c.fileName), c.file);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PlayOnDevice, ::testing::ValuesIn(reproducible(cases)),
                         [](const ::testing::TestParamInfo<PlayCase>& caseInfo) {
                             return std::string(caseInfo.param.name);
                         });

// A FIFO opened for reading and writing never shows an end to a reader: the
// library must refuse it rather than wait.
TEST(PlayOnDevice, FifoIsRefusedNotWaitedOn) {
    ScratchFolder scratch;
    ASSERT_EQ(mkfifo((scratch / "fifo").c_str(), 0644), 0);
    std::unique_ptr<TestDevice> device = makeDevice(scratch, {});
    ChildResult run = device->play({programPath("irplay"), "-i", "fifo"});
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.standardOutput, "Play failed !\n");
    EXPECT_EQ(run.standardError, "ostrel: fifo: not a regular file\n");
    EXPECT_TRUE(device->transmissions().empty());
}

// Between two writes the library waits out the first write's signal and the
// gap after it, timed from when it began that write, whenever the write
// returns (on the emulator at once, since it does not wait; on the kernel up to
// a few ms late). The device stamps a write a little after the library began it
// (the emulator once it has checked it, about 1.6 ms for a first write under
// ASan; rc-loopback when its receiver hands the samples on): hence the 10 ms.
struct TimedPlay {
    const char* name;
    std::string file;
    std::vector<size_t> values;  // of each write
    int64_t leastMicroseconds;   // from the first write's start to the second's
    DeviceSetup device = {};
    bool onLoopback = true;
};

void PrintTo(const TimedPlay& c, std::ostream* out) { *out << c.name; }

class WaitsBetweenWrites : public ::testing::TestWithParam<TimedPlay> {};

TEST_P(WaitsBetweenWrites, TheWriteAndTheGapAfterIt) {
    ScratchFolder scratch;
    writeFile(scratch / "key.ir", GetParam().file);
    std::unique_ptr<TestDevice> device = makeDevice(scratch, GetParam().device);
    ChildResult run = device->play({programPath("irplay"), "-i", "key.ir"});
    ASSERT_EQ(run.standardOutput, "Play successfull !\n") << run.standardError;
    std::vector<WriteStart> starts = device->writeStarts();
    ASSERT_EQ(starts.size(), GetParam().values.size());
    for (size_t i = 0; i < starts.size(); ++i) {
        EXPECT_EQ(starts[i].values, GetParam().values[i]) << "write " << i + 1;
    }
    EXPECT_GE(starts[1].microseconds - starts[0].microseconds, GetParam().leastMicroseconds - 10000);
}

const TimedPlay timedPlays[] = {
    {"GapBetweenFrames", frames, {19, 9}, 450000 + 60000},
    // The space the frame was cut at is waited out as a gap is.
    {"SpaceAFrameIsCutAt", flipperRawOf(fanFrame), {151, 87}, 475170 + 8000},
    // Frames the driver refused together keep their gap.
    {"GapBetweenFramesADriverRefusedTogether", listOf(necKey), {67, 67}, 67980 + 40000,
     {.settings = {"LIRC_EMULATOR_PROFILE=iguanair"}}},
};

INSTANTIATE_TEST_SUITE_P(PlayOnDevice, WaitsBetweenWrites, ::testing::ValuesIn(reproducible(timedPlays)),
                         [](const auto& test) { return test.param.name; });

}  // namespace
