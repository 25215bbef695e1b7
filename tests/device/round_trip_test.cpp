// A recording made by irrecord plays back through irplay as the same
// durations, carrier and chosen emitter; and files pass unchanged between
// these tools and ir-ctl, on the same device.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/device/test_device.h"

namespace {

// An NEC key press as a receiver reports it, pressed once the recorder waits
// for it: the carrier, a 9 ms / 4.5 ms leader, 32 bits (0x20DF10EF) and the
// final pulse. A key pressed before the recorder had turned carrier reports on
// would come without its carrier, as on a real receiver.
std::string necKey() {
    std::string script = "await-reader\nwait 30\ncarrier 38000\npulse 9000\nspace 4500\n";
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

// Through each port: 0 sends on both emitters of the device, 1 and 2 on one.
class RoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(RoundTrip, RecordingPlaysBackAsRecorded) {
    int port = GetParam();
    ScratchFolder scratch;
    std::unique_ptr<TestDevice> device = makeDevice(scratch, {.receive = necKey()});
    ChildResult recording = device->run({programPath("irrecord"), "-o", "key.ir"});
    ASSERT_EQ(recording.standardOutput, "Record successfull !\n") << recording.standardError;
    ChildResult playing = device->play({programPath("irplay"), "-i", "key.ir", "-b", std::to_string(port)});
    ASSERT_EQ(playing.standardOutput, "Play successfull !\n") << playing.standardError;
    const char* masks[] = {"0x3", "0x1", "0x2"};
    EXPECT_EQ(device->transmissions(),
              device->observable({std::string("send carrier=38000 duty=33 mask=") + masks[port] +
                                  " durations=" + necDurations()}));
}

INSTANTIATE_TEST_SUITE_P(Ports, RoundTrip, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& each) {
                             return "Port" + std::to_string(each.param);
                         });

TEST(IrCtlInterop, IrCtlSendsWhatIrplaySendsOfARecording) {
    if (!haveIrCtl()) {
        GTEST_SKIP() << "no ir-ctl at '" IR_CTL "' (Debian package v4l-utils; IRTOOLS_IR_CTL names another)";
    }
    ScratchFolder scratch;
    std::unique_ptr<TestDevice> device = makeDevice(scratch, {.receive = necKey()});
    ChildResult recording = device->run({programPath("irrecord"), "-o", "key.ir"});
    ASSERT_EQ(recording.standardOutput, "Record successfull !\n") << recording.standardError;

    ChildResult irCtl = device->play({IR_CTL, "-d", device->path(), "-e", "2", "--send=key.ir"});
    ASSERT_EQ(irCtl.exitStatus, 0) << irCtl.standardError;
    EXPECT_EQ(irCtl.standardError, "") << "ir-ctl took the file as it is";
    ChildResult playing = device->play({programPath("irplay"), "-i", "key.ir", "-b", "2"});
    ASSERT_EQ(playing.standardOutput, "Play successfull !\n") << playing.standardError;

    std::vector<std::string> sent = device->transmissions();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], sent[1]);
    EXPECT_EQ(sent[1], device->observable({"send carrier=38000 duty=33 mask=0x2 durations=" +
                                           necDurations()})[0]);
}

// Without its carrier: ir-ctl reports none unless it measures one, and irplay
// then sends at 38000 Hz, whatever the device was left at.
TEST(IrCtlInterop, IrplayPlaysWhatIrCtlCaptured) {
    if (!haveIrCtl()) {
        GTEST_SKIP() << "no ir-ctl at '" IR_CTL "' (Debian package v4l-utils; IRTOOLS_IR_CTL names another)";
    }
    ScratchFolder scratch;
    std::unique_ptr<TestDevice> device = makeDevice(scratch, {.receive = necKey()});
    ChildResult capture =
        device->run({IR_CTL, "-d", device->path(), "--receive=key.ir", "--mode2", "--one-shot"});
    ASSERT_EQ(capture.exitStatus, 0) << capture.standardError;
    ChildResult playing = device->play({programPath("irplay"), "-i", "key.ir", "-b", "1"});
    ASSERT_EQ(playing.standardOutput, "Play successfull !\n") << playing.standardError;
    EXPECT_EQ(device->transmissions(),
              device->observable({"send carrier=38000 duty=33 mask=0x1 durations=" + necDurations()}));
}

TEST(IrCtlInterop, IrplayPlaysWhatIrCtlCapturedWithItsCarrier) {
    if (!haveIrCtl()) {
        GTEST_SKIP() << IR_CTL << " is not installed (Debian package v4l-utils)";
    }
    if (!emulated()) {
        // With carrier reports on, rc-loopback ends a message with a carrier sample
        // instead of a timeout, and ir-ctl --one-shot waits for a timeout.
        GTEST_SKIP() << "on rc-loopback (Linux 6.1), ir-ctl --one-shot --measure-carrier never stops";
    }
    ScratchFolder scratch;
    std::unique_ptr<TestDevice> device = makeDevice(scratch, {.receive = necKey()});
    ChildResult capture = device->run(
        {IR_CTL, "-d", device->path(), "--receive=key.ir", "--mode2", "--one-shot",
         "--measure-carrier"});
    ASSERT_EQ(capture.exitStatus, 0) << capture.standardError;
    ChildResult playing = device->play({programPath("irplay"), "-i", "key.ir", "-b", "1"});
    ASSERT_EQ(playing.standardOutput, "Play successfull !\n") << playing.standardError;
    EXPECT_EQ(device->transmissions(),
              device->observable({"send carrier=38000 duty=33 mask=0x1 durations=" + necDurations()}));
}

}  // namespace
