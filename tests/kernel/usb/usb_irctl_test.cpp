// ir-ctl beside irplay on the fake USB transceivers that send (usb_model.h): the same
// file sent with `ir-ctl --send` (and its emitter and carrier options) and with irplay
// reaches the device as the same transmissions, durations, carrier and emitters,
// except where the two are known to differ (README: Where irplay and ir-ctl differ).
// Skipped outside the VM, and where vhci-hcd, the driver's module or ir-ctl is missing.
#include <unistd.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/blackbox/child_process.h"
#include "tests/blackbox/scratch_folder.h"
#include "tests/kernel/usb/usb_case_support.h"
#include "tests/kernel/usb/usbip_device.h"

namespace {

constexpr const char* irCtl = "/usr/bin/ir-ctl";

const std::string necFrame = fileOf({necFrameOf(0xbf40ff00)}, 0);

struct UsbIrCtl {
    std::string name;
    std::string model;
    std::string file;
    int port;                          // irplay's -b
    std::vector<std::string> options;  // ir-ctl's, before --send
    // Where they differ: the carrier the device is left at before (`ir-ctl -c`),
    // which ir-ctl sends at and irplay does not (0: none), or the error ir-ctl fails
    // with, nothing sent (empty: it sends).
    uint32_t leftCarrier = 0;
    std::string irCtlError = "";
};

void PrintTo(const UsbIrCtl& c, std::ostream* out) { *out << c.name; }

std::string emitterList(uint32_t count) {
    std::string list;
    for (uint32_t e = 1; e <= count; ++e) {
        if (e > 1) {
            list += ",";
        }
        list += std::to_string(e);
    }
    return list;
}

// On each model that sends: a NEC frame with a carrier line through emitter 1, 2 and
// all of them, and without one at ir-ctl's -c 38000 and at neither's (ir-ctl sends at
// the carrier the device was left at, irplay at 38 kHz); and on iguanair two frames
// 40 ms apart, which its driver takes only a frame a write.
std::vector<UsbIrCtl> cases() {
    std::vector<UsbIrCtl> all;
    for (size_t m = 0; m < usbModelCount; ++m) {
        std::string model = usbModels[m].name;
        std::unique_ptr<UsbModel> made = makeUsbModel(model);
        uint32_t count = made->emitterCount();
        if (count == 0) {
            continue;
        }
        bool chooses = made->choosesEmitters();
        std::vector<std::string> first = chooses ? std::vector<std::string>{"-e", "1"} : std::vector<std::string>{};
        all.push_back({model + "_CarrierLineEmitter1", model, "carrier 36000\n" + necFrame, 1, first});
        if (chooses && count >= 2) {
            all.push_back({model + "_CarrierLineEmitter2", model, "carrier 40000\n" + necFrame, 2, {"-e", "2"}});
        }
        if (chooses) {
            all.push_back({model + "_CarrierLineAllEmitters", model, "carrier 38000\n" + necFrame, 0,
                           {"-e", emitterList(count)}});
        }
        std::vector<std::string> carrier = first;
        carrier.insert(carrier.end(), {"-c", "38000"});
        all.push_back({model + "_CarrierOption", model, necFrame, 1, carrier});
        all.push_back({model + "_NoCarrier", model, necFrame, 1, first, 40000});
        if (model == "iguanair") {
            all.push_back({model + "_TwoFramesInOneWrite", model, necFrame + "space 40000\n" + necFrame, 1, first, 0,
                           "Invalid argument"});
        }
    }
    return all;
}

std::map<std::string, std::unique_ptr<UsbipDevice>> devices;

UsbipDevice* deviceFor(const std::string& model, std::string& why) {
    if (auto found = devices.find(model); found != devices.end()) {
        return found->second.get();
    }
    devices.clear();
    for (int wait = 0; wait < 100 && !lircDevicesOnVhci().empty(); ++wait) {
        usleep(20000);
    }
    auto device = std::make_unique<UsbipDevice>(makeUsbModel(model));
    if (!device->plug(0, why)) {
        return nullptr;
    }
    return (devices[model] = std::move(device)).get();
}

struct Sent {
    ChildResult run;
    std::vector<DeviceTransmission> transmissions;
};

Sent sendWith(UsbipDevice& device, const UsbModel& decoder, std::vector<std::string> command,
              const std::string& folder) {
    size_t before = decoder.transmissions(device.outTransfers()).size();
    ChildLaunch launch;
    launch.command = std::move(command);
    launch.setEnvironment = {"OSTREL_DEVICE=" + device.lircPath()};
    launch.workingFolder = folder;
    launch.timeoutSeconds = 20;
    Sent sent{runChild(launch), decoder.transmissions(device.outTransfers())};
    sent.transmissions.erase(sent.transmissions.begin(),
                             sent.transmissions.begin() + static_cast<std::ptrdiff_t>(before));
    return sent;
}

std::string describe(const std::vector<DeviceTransmission>& sent) {
    std::ostringstream text;
    for (const DeviceTransmission& t : sent) {
        text << t.carrier << " Hz, emitters 0x" << std::hex << t.emitters << std::dec << ":";
        for (uint32_t d : t.durations) {
            text << " " << d;
        }
        text << "\n";
    }
    return text.str();
}

class IrCtlBesideIrplay : public ::testing::TestWithParam<UsbIrCtl> {};

TEST_P(IrCtlBesideIrplay, TheDeviceReceivesTheSame) {
    const UsbIrCtl& c = GetParam();
    if (std::string skip = cannotRun(c.model); !skip.empty()) {
        GTEST_SKIP() << skip;
    }
    if (access(irCtl, X_OK) != 0) {
        GTEST_SKIP() << "no " << irCtl;
    }
    std::string why;
    UsbipDevice* device = deviceFor(c.model, why);
    ASSERT_NE(device, nullptr) << why;
    std::unique_ptr<UsbModel> decoder = makeUsbModel(c.model);
    ScratchFolder scratch;
    writeFile(scratch / "key.ir", c.file);

    // ir-ctl first: without a carrier option it sends at whatever the device has.
    if (c.leftCarrier != 0) {
        ChildLaunch leave;
        leave.command = {irCtl, "-d", device->lircPath(), "-c", std::to_string(c.leftCarrier)};
        leave.timeoutSeconds = 20;
        ChildResult left = runChild(leave);
        ASSERT_TRUE(left.exited && left.exitStatus == 0) << left.standardError;
    }
    std::vector<std::string> irCtlCommand = {irCtl, "-d", device->lircPath()};
    irCtlCommand.insert(irCtlCommand.end(), c.options.begin(), c.options.end());
    irCtlCommand.insert(irCtlCommand.end(), {"--send", "key.ir"});
    Sent byIrCtl = sendWith(*device, *decoder, irCtlCommand, scratch.path());
    Sent byIrplay = sendWith(*device, *decoder,
                             {std::string(PROGRAMS_FOLDER) + "/irplay", "-i", "key.ir", "-b", std::to_string(c.port)},
                             scratch.path());
    ASSERT_TRUE(byIrCtl.run.exited && byIrplay.run.exited);
    EXPECT_EQ(byIrplay.run.standardOutput, "Play successfull !\n") << byIrplay.run.standardError;
    ASSERT_FALSE(byIrplay.transmissions.empty());
    if (!c.irCtlError.empty()) {
        EXPECT_NE(byIrCtl.run.exitStatus, 0);
        EXPECT_NE(byIrCtl.run.standardError.find(c.irCtlError), std::string::npos) << byIrCtl.run.standardError;
        EXPECT_TRUE(byIrCtl.transmissions.empty()) << describe(byIrCtl.transmissions);
        return;
    }
    EXPECT_EQ(byIrCtl.run.exitStatus, 0) << byIrCtl.run.standardError;
    ASSERT_EQ(byIrCtl.transmissions.size(), byIrplay.transmissions.size())
        << "ir-ctl:\n" << describe(byIrCtl.transmissions) << "irplay:\n" << describe(byIrplay.transmissions);
    for (size_t i = 0; i < byIrCtl.transmissions.size(); ++i) {
        const DeviceTransmission& a = byIrCtl.transmissions[i];
        const DeviceTransmission& b = byIrplay.transmissions[i];
        SCOPED_TRACE("transmission " + std::to_string(i + 1));
        EXPECT_EQ(a.emitters, b.emitters);
        if (c.leftCarrier != 0) {
            // At another carrier a driver that counts carrier periods (iguanair)
            // rounds the durations otherwise.
            ASSERT_EQ(a.durations.size(), b.durations.size());
            for (size_t d = 0; d < a.durations.size(); ++d) {
                EXPECT_NEAR(a.durations[d], b.durations[d], 2 * decoder->durationTolerance()) << "duration " << d + 1;
            }
            EXPECT_NEAR(a.carrier, c.leftCarrier, c.leftCarrier * decoder->carrierTolerance());
            EXPECT_NEAR(b.carrier, 38000, 38000 * decoder->carrierTolerance());
        } else {
            EXPECT_EQ(a.durations, b.durations);
            EXPECT_EQ(a.carrier, b.carrier);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Usb, IrCtlBesideIrplay, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<UsbIrCtl>& each) { return each.param.name; });

}  // namespace
