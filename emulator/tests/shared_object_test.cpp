// Calls made from another shared object, bound at load time, reach the emulator too.
#include <linux/lirc.h>

#include "emulator/tests/bound_now_client.h"
#include "emulator/tests/emulated_device.h"

namespace {

TEST_F(EmulatedDevice, CallsFromAnImmediatelyBoundLibraryAreEmulated) {
    receive("pulse 700\n");
    ClientOutcome outcome = useDevice(devicePath().c_str());
    EXPECT_TRUE(outcome.characterDevice);
    EXPECT_NE(outcome.features & LIRC_CAN_SEND_PULSE, 0U);
    EXPECT_EQ(outcome.pollReady, 1);
    EXPECT_EQ(outcome.firstSample, LIRC_MODE2_PULSE | 700);
    EXPECT_EQ(outcome.written, 12);
    EXPECT_EQ(logLines(), std::vector<std::string>{"send carrier=36000 duty=50 mask=0x1 durations=900 450 900"});
}

}  // namespace
