// irplay on fake USB transceivers in the kernel VM: each model (usb_model.h) is plugged
// into vhci-hcd, its kernel driver makes /dev/lircN of it, and what irplay writes there
// is what the device receives, decoded from the driver's bytes back into durations,
// carrier and emitters. Skipped outside the VM, and where vhci-hcd or the driver's
// module is missing.
#include <dirent.h>
#include <fcntl.h>
#include <linux/lirc.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/blackbox/child_process.h"
#include "tests/blackbox/scratch_folder.h"
#include "tests/kernel/usb/usb_case_support.h"
#include "tests/kernel/usb/usbip_device.h"

namespace {

const std::string key = "pulse 900\nspace 450\npulse 900\n";
const std::vector<uint32_t> keyDurations = {900, 450, 900};

const std::vector<uint32_t> necFrame = necFrameOf(0xbf40ff00);

struct UsbPlay {
    std::string name;
    std::string model;
    std::string file;
    int port;
    std::string error;  // the library's line without "ostrel: "; empty: it plays
    uint32_t carrier = 0;
    uint32_t emitters = 0;
    std::vector<std::vector<uint32_t>> frames = {};  // a transmission each
    // The least time from one transmission reaching the device to the next: the
    // frame and the gap after it, less 10 ms for the first transfer of a write
    // reaching the device late.
    int64_t leastApart = 0;
    // Unplugged this long after the first transmission reached the device; 0: not.
    int unplugAfterMilliseconds = 0;
};

void PrintTo(const UsbPlay& play, std::ostream* out) { *out << play.name; }

std::string emitterCount(uint32_t count) {
    return std::to_string(count) + (count == 1 ? " emitter" : " emitters");
}

// On each model: the key on ports 0, 1 and 2, without a carrier line (38 kHz) and at
// 36 kHz, through exactly the emitters chosen, or refused where the port is missing;
// and on iguanair a key press of two NEC frames, which its driver takes only a frame
// a write.
std::vector<UsbPlay> plays() {
    std::vector<UsbPlay> all;
    for (size_t m = 0; m < usbModelCount; ++m) {
        std::string model = usbModels[m].name;
        std::unique_ptr<UsbModel> made = makeUsbModel(model);
        uint32_t count = made->emitterCount();
        for (int port = 0; port <= 2; ++port) {
            for (uint32_t carrier : {0u, 36000u}) {
                UsbPlay play{model + "_Port" + std::to_string(port) + (carrier ? "_36kHz" : "_NoCarrierLine"),
                             model, (carrier ? "carrier 36000\n" : "") + key, port, ""};
                if (count == 0) {
                    play.error = "{device}: the device cannot send";
                } else if (!made->choosesEmitters() && port > 1) {
                    play.error = "port " + std::to_string(port) + " chosen, but {device} cannot choose among emitters";
                } else if (static_cast<uint32_t>(port) > count) {
                    play.error = "port " + std::to_string(port) + " chosen, but {device} has " + emitterCount(count);
                } else {
                    play.carrier = carrier ? carrier : 38000;
                    play.emitters = port == 0 ? (1u << count) - 1 : 1u << (port - 1);
                    play.frames = {keyDurations};
                }
                all.push_back(play);
            }
        }
        if (count == 0) {
            continue;  // a receiver: nothing to unplug it in the middle of
        }
        // None of these drivers sets a duty cycle: Flipper's 33 % goes out at the
        // device's own, the durations and carrier as the file has them.
        all.push_back({model + "_DutyCycleItCannotSet", model,
                       "Filetype: IR signals file\nVersion: 1\n#\nname: Key\ntype: raw\nfrequency: 36000\n"
                       "duty_cycle: 0.330000\ndata: 900 450 900\n",
                       0, "", 36000, (1u << count) - 1, {keyDurations}});
        // Unplugged mid-play, between the writes of 20 frames 100 ms apart: the write
        // under way ends, the next fails.
        std::vector<std::vector<uint32_t>> frames(20, {50000});
        all.push_back({model + "_UnpluggedMidPlay", model, fileOf(frames, 100000), 1,
                       "{device}: cannot send: No such device"});
        all.back().unplugAfterMilliseconds = 300;
        if (model == "redrat3") {
            // Its signal is a table of at most 255 distinct lengths and an index a
            // duration: 255 are sent, 257 refused before anything is.
            std::vector<uint32_t> distinct255;
            std::vector<uint32_t> distinct257;
            for (uint32_t i = 0; i < 257; ++i) {
                (i < 255 ? distinct255 : distinct257).push_back(300 + 2 * i);
            }
            distinct257.insert(distinct257.begin(), distinct255.begin(), distinct255.end());
            all.push_back({"redrat3_255DistinctDurations", "redrat3", fileOf({distinct255}, 0), 1, "", 38000, 0x1,
                           {distinct255}});
            all.push_back({"redrat3_257DistinctDurationsRefused", "redrat3", fileOf({distinct257}, 0), 1,
                           "{device}: cannot send: Invalid argument"});
        }
        if (model != "iguanair") {
            continue;
        }
        all.push_back({"iguanair_TwoNecFramesAWriteEach", "iguanair", fileOf({necFrame, necFrame}, 40000), 1, "",
                       38000, 0x1, {necFrame, necFrame}, 67980 + 40000 - 10000});
        // 151 durations of 700 us are 151 bytes of carrier periods, one more than its buffer.
        std::vector<uint32_t> tooLong(151, 700);
        all.push_back({"iguanair_FrameOverItsBufferRefused", "iguanair", fileOf({tooLong}, 0), 1,
                       "{device}: cannot send: Invalid argument"});
    }
    return all;
}

std::map<std::string, std::unique_ptr<UsbipDevice>> devices;
std::map<std::string, std::string> failures;

// A model is plugged in on vhci port 0 when a case first needs it, and stays until a
// case needs another or unplugs it: the cases of a model come together.
UsbipDevice* deviceFor(const std::string& model, std::string& why) {
    if (auto found = failures.find(model); found != failures.end()) {
        why = found->second;
        return nullptr;
    }
    if (auto found = devices.find(model); found != devices.end()) {
        return found->second.get();
    }
    // One device at a time: the one plugged before goes first.
    for (auto& [name, device] : devices) {
        device->unplug();
    }
    devices.clear();
    for (int wait = 0; wait < 100 && !lircDevicesOnVhci().empty(); ++wait) {
        usleep(20000);
    }
    auto device = std::make_unique<UsbipDevice>(makeUsbModel(model));
    if (!device->plug(0, why)) {
        failures[model] = why;
        return nullptr;
    }
    return (devices[model] = std::move(device)).get();
}

std::string expand(std::string text, const std::string& device) {
    size_t at = text.find("{device}");
    if (at != std::string::npos) {
        text.replace(at, 8, device);
    }
    return text;
}

std::string durationsText(const std::vector<uint32_t>& durations) {
    std::ostringstream text;
    for (uint32_t d : durations) {
        text << d << " ";
    }
    return text.str();
}

class PlayOnUsbDevice : public ::testing::TestWithParam<UsbPlay> {};

TEST_P(PlayOnUsbDevice, TheDeviceReceivesTheFile) {
    const UsbPlay& c = GetParam();
    if (std::string skip = cannotRun(c.model); !skip.empty()) {
        GTEST_SKIP() << skip;
    }
    std::string why;
    UsbipDevice* device = deviceFor(c.model, why);
    ASSERT_NE(device, nullptr) << why;
    std::unique_ptr<UsbModel> decoder = makeUsbModel(c.model);
    size_t before = decoder->transmissions(device->outTransfers()).size();

    ScratchFolder scratch;
    writeFile(scratch / "key.ir", c.file);
    ChildLaunch launch;
    launch.command = {std::string(PROGRAMS_FOLDER) + "/irplay", "-i", "key.ir", "-b", std::to_string(c.port)};
    launch.setEnvironment = {"OSTREL_DEVICE=" + device->lircPath()};
    launch.workingFolder = scratch.path();
    launch.timeoutSeconds = 20;
    std::thread unplugger;
    int64_t unpluggedAt = 0;
    if (c.unplugAfterMilliseconds != 0) {
        launch.whileRunning = [&](pid_t) {
            unplugger = std::thread([&] {
                // Once the first frame has reached the device: irplay has it open.
                for (int wait = 0; wait < 1000; ++wait) {
                    if (decoder->transmissions(device->outTransfers()).size() > before) {
                        break;
                    }
                    usleep(10000);
                }
                usleep(static_cast<useconds_t>(c.unplugAfterMilliseconds) * 1000);
                unpluggedAt = monotonicNow();
                device->unplug();
            });
        };
    }
    ChildResult run = runChild(launch);
    if (unplugger.joinable()) {
        unplugger.join();
        EXPECT_LT(run.endNanoseconds - unpluggedAt, 2'000'000'000) << "irplay took over 2 s to fail";
        EXPECT_EQ(run.standardOutput, "Play failed !\n");
        EXPECT_EQ(run.standardError, "ostrel: " + expand(c.error, device->lircPath()) + "\n");
        devices.erase(c.model);  // gone: the next case plugs the model in anew
        return;
    }
    ASSERT_TRUE(run.exited) << run.standardError;

    std::vector<DeviceTransmission> sent = decoder->transmissions(device->outTransfers());
    sent.erase(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(std::min(before, sent.size())));
    if (!c.error.empty()) {
        EXPECT_EQ(run.standardOutput, "Play failed !\n");
        EXPECT_EQ(run.standardError, "ostrel: " + expand(c.error, device->lircPath()) + "\n");
        EXPECT_TRUE(sent.empty()) << sent.size() << " signals reached the device";
        return;
    }
    EXPECT_EQ(run.standardOutput, "Play successfull !\n") << run.standardError;
    ASSERT_EQ(sent.size(), c.frames.size());
    for (size_t i = 0; i < sent.size(); ++i) {
        SCOPED_TRACE("transmission " + std::to_string(i + 1) + ": " + durationsText(sent[i].durations));
        EXPECT_NEAR(sent[i].carrier, c.carrier, c.carrier * decoder->carrierTolerance());
        EXPECT_EQ(sent[i].emitters, c.emitters);
        ASSERT_EQ(sent[i].durations.size(), c.frames[i].size());
        for (size_t d = 0; d < sent[i].durations.size(); ++d) {
            EXPECT_NEAR(sent[i].durations[d], c.frames[i][d], decoder->durationTolerance()) << "duration " << d + 1;
        }
        if (i > 0) {
            EXPECT_GE(sent[i].microseconds - sent[i - 1].microseconds, c.leastApart);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Usb, PlayOnUsbDevice, ::testing::ValuesIn(plays()),
                         [](const ::testing::TestParamInfo<UsbPlay>& each) { return each.param.name; });

// irrecord on a model that receives: the device reports a key press (a frame and
// its repeat) as its own packets, with a carrier count where it measures one.
struct UsbRecord {
    std::string name;
    std::string model;
    std::vector<uint32_t> durations;  // whole units of the device's, so heard as they are
    uint32_t carrier;
    // Nonzero: the space at this index is too long for one report of the device's,
    // which reports what comes before it, goes idle (its receive timeout) and, after
    // a pause, reports the rest; the kernel tells the pause as a space after the
    // timeout, by its clock, so that space is only checked to be about as long.
    size_t pausedAt = 0;
    // Unplugged once the first report is out, the recording under way: it fails.
    bool unplugged = false;
    // Nonzero: the durations are not in the device's units, and each is heard within
    // this fraction of it and the model's tolerance; 0: exactly.
    double near = 0;
};

void PrintTo(const UsbRecord& record, std::ostream* out) { *out << record.name; }

// A NEC key press, a frame of the 32 bits and a repeat, in a device's units.
struct NecTimes {
    uint32_t headerPulse, headerSpace, bitPulse, zeroSpace, oneSpace, repeatSpace;
};
std::vector<uint32_t> necKeyIn(const NecTimes& t, uint32_t gap) {
    std::vector<uint32_t> press = {t.headerPulse, t.headerSpace};
    for (int bit = 0; bit < 32; ++bit) {
        press.push_back(t.bitPulse);
        press.push_back((0xbf40ff00u >> bit & 1) != 0 ? t.oneSpace : t.zeroSpace);
    }
    press.insert(press.end(), {t.bitPulse, gap, t.headerPulse, t.repeatSpace, t.bitPulse});
    return press;
}
constexpr size_t necGapAt = 67;

// NEC in whole 50 us units: 560 us as 550, 1690 as 1650.
std::vector<uint32_t> necKeyIn50usUnits(uint32_t gap) { return necKeyIn({9000, 4500, 550, 550, 1650, 2250}, gap); }
// NEC as streamzap hears it, in its units of 256 us and a half: 9088, 4480, 640 for
// 560 and 1664 for 1690, the repeat's space 2176; in one report the gap is at most
// 65152, its longest space short of its timeout.
std::vector<uint32_t> necKeyIn256usUnits(uint32_t gap) { return necKeyIn({9088, 4480, 640, 640, 1664, 2176}, gap); }
// NEC as its microseconds, which redrat3 counts in halves.
std::vector<uint32_t> necKeyInMicroseconds(uint32_t gap) { return necKeyIn({9000, 4500, 560, 560, 1690, 2250}, gap); }
// NEC in whole units of iguanair's 21 us: 9000 us as 9009, 4500 as 4494, 560 as 567,
// 1690 as 1680, 2250 as 2247.
std::vector<uint32_t> necKeyIn21usUnits(uint32_t gap) { return necKeyIn({9009, 4494, 567, 567, 1680, 2247}, gap); }
// NEC in whole bytes of ttusbir's, 62 us as its driver counts them: 9000 us as 8990,
// 4500 as 4526, 560 as 558, 1690 as 1674, 2250 as 2232.
std::vector<uint32_t> necKeyIn62usUnits(uint32_t gap) { return necKeyIn({8990, 4526, 558, 558, 1674, 2232}, gap); }

// On each model, unplugged after the frame and before its repeat; the rows after it
// plug the model in anew.
const UsbRecord records[] = {
    {"mceusb_0815_UnpluggedMidRecord", "mceusb_0815", necKeyIn50usUnits(40000), 38000, necGapAt, true},
    {"mceusb_0815_NecKey40msApart", "mceusb_0815", necKeyIn50usUnits(40000), 38000},
    {"mceusb_060c_UnpluggedMidRecord", "mceusb_060c", necKeyIn50usUnits(40000), 36000, necGapAt, true},
    {"mceusb_060c_NecKey110msApart", "mceusb_060c", necKeyIn50usUnits(110000), 36000},
    {"streamzap_UnpluggedMidRecord", "streamzap", necKeyIn256usUnits(40064), 0, necGapAt, true},
    {"streamzap_NecKey40msApart", "streamzap", necKeyIn256usUnits(40064), 0},
    {"streamzap_NecKey65msApart", "streamzap", necKeyIn256usUnits(65152), 0},
    {"streamzap_NecKey110msApartInTwoReports", "streamzap", necKeyIn256usUnits(110000), 0, necGapAt},
    {"redrat3_UnpluggedMidRecord", "redrat3", necKeyInMicroseconds(40000), 38000, necGapAt, true},
    {"redrat3_NecFrame", "redrat3", necFrame, 38000},
    // Its lengths are 16-bit counts of 0.5 us, so a gap over 32767 us ends a report:
    // on a device whose own timeout is 30 ms. (Setting the timeout through the
    // driver reaches the device, but the driver goes on telling the one it read at
    // start-up, 150 ms, and ends each report with a timeout of that.)
    {"redrat3_30msTimeout_NecKey40msApartInTwoReports", "redrat3_30msTimeout", necKeyInMicroseconds(40000), 38000,
     necGapAt},
    {"redrat3_30msTimeout_NecKey110msApartInTwoReports", "redrat3_30msTimeout", necKeyInMicroseconds(110000),
     38000, necGapAt},
    // iguanair's gaps: spaces of 21845 us (one byte) and whole 21 us units.
    {"iguanair_UnpluggedMidRecord", "iguanair", necKeyIn21usUnits(21845 + 864 * 21), 0, necGapAt, true},
    {"iguanair_NecKey40msApart", "iguanair", necKeyIn21usUnits(21845 + 864 * 21), 0},
    {"iguanair_NecKey110msApart", "iguanair", necKeyIn21usUnits(5 * 21845 + 37 * 21), 0},
    {"ttusbir_UnpluggedMidRecord", "ttusbir", necKeyIn62usUnits(39990), 0, necGapAt, true},
    {"ttusbir_NecKey40msApart", "ttusbir", necKeyIn62usUnits(39990), 0},
    {"ttusbir_NecKey110msApart", "ttusbir", necKeyIn62usUnits(109988), 0},
    // At its rate of 62.5 us a byte, which its driver counts as 62, an edge in a
    // byte 7 us a bit.
    {"ttusbir_NecKeyAtItsBitRate", "ttusbir", necKeyInMicroseconds(40000), 0, 0, false, 0.01},
};

// The receive timeout the device tells, or -errno.
int64_t receiveTimeoutOf(const std::string& lircPath) {
    int descriptor = open(lircPath.c_str(), O_RDONLY | O_NONBLOCK);
    if (descriptor < 0) {
        return -errno;
    }
    uint32_t timeout = 0;
    int64_t result = ioctl(descriptor, LIRC_GET_REC_TIMEOUT, &timeout) == 0 ? timeout : -errno;
    close(descriptor);
    return result;
}

class RecordOnUsbDevice : public ::testing::TestWithParam<UsbRecord> {};

TEST_P(RecordOnUsbDevice, TheWholeKeyPressAndItsCarrier) {
    const UsbRecord& c = GetParam();
    if (std::string skip = cannotRun(c.model); !skip.empty()) {
        GTEST_SKIP() << skip;
    }
    std::string why;
    UsbipDevice* device = deviceFor(c.model, why);
    ASSERT_NE(device, nullptr) << why;
    std::unique_ptr<UsbModel> model = makeUsbModel(c.model);
    size_t before = device->outTransfers().size();
    int64_t timeoutBefore = receiveTimeoutOf(device->lircPath());
    // In one report, or in two with the pause that makes the gap after the
    // receiver's timeout.
    std::vector<uint32_t> first = c.durations;
    std::vector<uint32_t> second;
    useconds_t pause = 0;
    if (c.pausedAt != 0) {
        first.assign(c.durations.begin(), c.durations.begin() + static_cast<std::ptrdiff_t>(c.pausedAt));
        second.assign(c.durations.begin() + static_cast<std::ptrdiff_t>(c.pausedAt) + 1, c.durations.end());
    }
    if (c.pausedAt != 0 && !c.unplugged) {
        ASSERT_GT(timeoutBefore, 0) << "the device tells no receive timeout";
        ASSERT_GT(c.durations[c.pausedAt], timeoutBefore);
        // Less the time the second report takes to reach the driver (redrat3's is
        // ten transfers), which the kernel counts in.
        pause = static_cast<useconds_t>(std::max<int64_t>(c.durations[c.pausedAt] - timeoutBefore - 30000, 0));
    }
    std::vector<Bytes> heardByDevice = model->received(first, c.carrier);
    if (!model->recordingStart().empty()) {
        device->sendAfter(model->recordingStart(), heardByDevice);
    }

    ScratchFolder scratch;
    ChildLaunch launch;
    launch.command = {std::string(PROGRAMS_FOLDER) + "/irrecord", "-o", "key.ir"};
    launch.setEnvironment = {"OSTREL_DEVICE=" + device->lircPath()};
    launch.workingFolder = scratch.path();
    launch.timeoutSeconds = 30;
    std::thread reporter;
    std::atomic<bool> reported{false};
    if (model->recordingStart().empty()) {
        // Samples reach a reader only from its open() on, and a carrier only once
        // the learning receiver captures, where the model has one.
        unsigned captures = device->model().learningCaptures();
        bool learns = c.carrier != 0;
        launch.whileRunning = [&, captures, learns](pid_t pid) {
            reporter = std::thread([&, pid, captures, learns] {
                for (int wait = 0; wait < 1000 && !hasOpen(pid, device->lircPath()); ++wait) {
                    usleep(10000);
                }
                for (int wait = 0; learns && wait < 500 && device->model().learningCaptures() == captures; ++wait) {
                    usleep(10000);
                }
                device->send(heardByDevice);
                reported = true;
                if (!c.unplugged && !second.empty() && device->waitSent(5000)) {
                    usleep(pause);
                    device->send(model->received(second, c.carrier));
                }
            });
        };
    }
    std::thread unplugger;
    int64_t unpluggedAt = 0;
    if (c.unplugged) {
        auto report = launch.whileRunning;
        launch.whileRunning = [&, report](pid_t pid) {
            if (report) {
                report(pid);
            }
            unplugger = std::thread([&] {
                // Once the first report is out: sent after the start of the
                // recording where the driver starts it, else by the reporter.
                const Bytes& start = model->recordingStart();
                for (int wait = 0; wait < 1000; ++wait) {
                    std::vector<UsbTransfer> outs = device->outTransfers();
                    bool begun = start.empty() ? reported.load()
                                               : std::any_of(outs.begin() + static_cast<std::ptrdiff_t>(before),
                                                             outs.end(),
                                                             [&](const UsbTransfer& out) { return out.bytes == start; });
                    if (begun) {
                        break;
                    }
                    usleep(5000);
                }
                device->waitSent(5000);
                unpluggedAt = monotonicNow();
                device->unplug();
            });
        };
    }
    ChildResult run = runChild(launch);
    if (reporter.joinable()) {
        reporter.join();
    }
    if (unplugger.joinable()) {
        unplugger.join();
        EXPECT_LT(run.endNanoseconds - unpluggedAt, 2'000'000'000) << "irrecord took over 2 s to fail";
        EXPECT_EQ(run.standardOutput, "Record failed !\n");
        EXPECT_EQ(run.standardError, "ostrel: " + device->lircPath() + ": the device is gone\n");
        EXPECT_EQ(readFile(scratch / "key.ir"), "") << "written into the file";
        devices.erase(c.model);  // gone: the next case plugs the model in anew
        return;
    }
    ASSERT_TRUE(run.exited) << run.standardError;
    EXPECT_EQ(run.standardOutput, "Record successfull !\n") << run.standardError;
    EXPECT_EQ(run.standardError, "");

    std::istringstream file(readFile(scratch / "key.ir"));
    std::vector<uint32_t> heard;
    uint32_t carrier = 0;
    bool scancode = false;
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line);
        std::string word;
        uint32_t value = 0;
        words >> word >> value;
        if (word == "pulse" || word == "space") {
            heard.push_back(value);
        } else if (word == "carrier") {
            carrier = value;
        }
        scancode = scancode || line.rfind("# scancode nec", 0) == 0;
    }
    if (c.pausedAt != 0 && heard.size() == c.durations.size()) {
        // The pause as the kernel measured it, from its thread, up to the second
        // report's first pulse.
        EXPECT_GE(heard[c.pausedAt] + 45000, c.durations[c.pausedAt]) << "the gap after the pause";
        heard[c.pausedAt] = c.durations[c.pausedAt];
    }
    if (c.near != 0 && heard.size() == c.durations.size()) {
        for (size_t d = 0; d < heard.size(); ++d) {
            EXPECT_NEAR(heard[d], c.durations[d], c.durations[d] * c.near + model->durationTolerance())
                << "duration " << d + 1;
        }
        heard = c.durations;
    }
    EXPECT_EQ(heard, c.durations) << durationsText(heard);
    EXPECT_NEAR(carrier, c.carrier, c.carrier * 0.02);
    EXPECT_TRUE(scancode) << readFile(scratch / "key.ir");

    // Afterwards the device is as it was: put back where the recording changed it
    // (mceusb's learning receiver switched back), no receive timeout sent, and the
    // same receive timeout told.
    std::vector<UsbTransfer> outs = device->outTransfers();
    bool putBack = model->recordingEnd().empty();
    for (size_t i = before; i < outs.size(); ++i) {
        EXPECT_FALSE(model->setsReceiveTimeout(outs[i].bytes)) << "a receive timeout was sent";
        putBack = putBack || outs[i].bytes == model->recordingEnd();
    }
    EXPECT_TRUE(putBack) << "the device was not put back as it was";
    EXPECT_EQ(receiveTimeoutOf(device->lircPath()), timeoutBefore);
}

INSTANTIATE_TEST_SUITE_P(Usb, RecordOnUsbDevice, ::testing::ValuesIn(records),
                         [](const ::testing::TestParamInfo<UsbRecord>& each) { return each.param.name; });

}  // namespace
