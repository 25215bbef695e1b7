// A recording made by irrecord plays back through irplay as the same
// durations, carrier and chosen emitter; and files pass unchanged between
// these tools and ir-ctl, on the same emulated device.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "emulated_device.h"

namespace {

// An NEC key press as a receiver reports it: the carrier, a 9 ms / 4.5 ms
// leader, 32 bits (0x20DF10EF) and the final pulse.
std::string necKey() {
    std::string script = "wait 30\ncarrier 38000\npulse 9000\nspace 4500\n";
    for (int bit = 31; bit >= 0; --bit) {
        bool one = (0x20DF10EFu >> bit) & 1u;
        script += std::string("pulse 560\nspace ") + (one ? "1690" : "560") + "\n";
    }
    return script + "pulse 560\nend\n";
}

std::string necDurations() {
    std::string durations = "9000 4500";
    for (int bit = 31; bit >= 0; --bit) {
        durations += (0x20DF10EFu >> bit) & 1u ? " 560 1690" : " 560 560";
    }
    return durations + " 560";
}

bool haveIrCtl() { return access(IR_CTL, X_OK) == 0; }

TEST(RoundTrip, RecordingPlaysBackAsRecorded) {
    ScratchFolder scratch;
    EmulatedDevice device(scratch, {.receive = necKey()});
    ChildResult recording = device.run({programPath("irrecord"), "-o", "key.ir"});
    ASSERT_EQ(recording.standardOutput, "Record successfull !\n") << recording.standardError;
    ChildResult playing = device.run({programPath("irplay"), "-i", "key.ir", "-b", "2"});
    ASSERT_EQ(playing.standardOutput, "Play successfull !\n") << playing.standardError;
    EXPECT_EQ(device.transmissions(),
              std::vector<std::string>{"send carrier=38000 duty=33 mask=0x2 durations=" +
                                       necDurations()});
}

TEST(IrCtlInterop, IrCtlSendsWhatIrplaySendsOfARecording) {
    if (!haveIrCtl()) {
        GTEST_SKIP() << "no ir-ctl at '" IR_CTL "' (Debian package v4l-utils; IRTOOLS_IR_CTL names another)";
    }
    ScratchFolder scratch;
    EmulatedDevice device(scratch, {.receive = necKey()});
    ChildResult recording = device.run({programPath("irrecord"), "-o", "key.ir"});
    ASSERT_EQ(recording.standardOutput, "Record successfull !\n") << recording.standardError;

    ChildResult irCtl = device.run({IR_CTL, "-d", device.path(), "-e", "2", "--send=key.ir"});
    ASSERT_EQ(irCtl.exitStatus, 0) << irCtl.standardError;
    EXPECT_EQ(irCtl.standardError, "") << "ir-ctl took the file as it is";
    ChildResult playing = device.run({programPath("irplay"), "-i", "key.ir", "-b", "2"});
    ASSERT_EQ(playing.standardOutput, "Play successfull !\n") << playing.standardError;

    std::vector<std::string> sent = device.transmissions();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], sent[1]);
    EXPECT_EQ(sent[1], "send carrier=38000 duty=33 mask=0x2 durations=" + necDurations());
}

TEST(IrCtlInterop, IrplayPlaysWhatIrCtlCaptured) {
    if (!haveIrCtl()) {
        GTEST_SKIP() << "no ir-ctl at '" IR_CTL "' (Debian package v4l-utils; IRTOOLS_IR_CTL names another)";
    }
    ScratchFolder scratch;
    EmulatedDevice device(scratch, {.receive = necKey()});
    ChildResult capture = device.run(
        {IR_CTL, "-d", device.path(), "--receive=key.ir", "--mode2", "--one-shot",
         "--measure-carrier"});
    ASSERT_EQ(capture.exitStatus, 0) << capture.standardError;
    ChildResult playing = device.run({programPath("irplay"), "-i", "key.ir", "-b", "1"});
    ASSERT_EQ(playing.standardOutput, "Play successfull !\n") << playing.standardError;
    EXPECT_EQ(device.transmissions(),
              std::vector<std::string>{"send carrier=38000 duty=33 mask=0x1 durations=" +
                                       necDurations()});
}

}  // namespace
