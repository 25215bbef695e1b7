// The fake USB transceivers (usb_model.h) misbehaving in the kernel VM: a device that
// never completes a transfer, answers busy or stalls, and one that reports garbage or
// packets cut short. irplay and irrecord must end, within their bounds, with their
// failure line and the driver's error, or with what the device did report; the kernel
// log must show no oops; and the device must work again once it behaves. Skipped
// outside the VM, and where vhci-hcd or the driver's module is missing.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <random>
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

// A model whose answers can be made faulty: the answer to an OUT transfer that begins
// with `prefix` replaced (none: the device never answers it), a vendor control
// request stalled. Everything else is the model's.
class FaultyModel : public UsbModel {
public:
    explicit FaultyModel(std::unique_ptr<UsbModel> inner) : inner_(std::move(inner)) {}

    void replaceAnswer(const Bytes& prefix, std::vector<Bytes> answer) {
        std::lock_guard<std::mutex> lock(mutex_);
        prefix_ = prefix;
        replacement_ = std::move(answer);
    }
    void stallRequest(int request) { stalled_ = request; }
    void behave() {
        replaceAnswer({}, {});
        stalled_ = -1;
    }

    Bytes deviceDescriptor() const override { return inner_->deviceDescriptor(); }
    Bytes configDescriptor() const override { return inner_->configDescriptor(); }
    std::vector<std::string> strings() const override { return inner_->strings(); }
    int speed() const override { return inner_->speed(); }
    std::vector<Bytes> answer(const Bytes& out) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!prefix_.empty() && out.size() >= prefix_.size() &&
                std::equal(prefix_.begin(), prefix_.end(), out.begin())) {
                return replacement_;
            }
        }
        return inner_->answer(out);
    }
    bool started(const std::vector<UsbTransfer>& outs) const override { return inner_->started(outs); }
    std::vector<DeviceTransmission> transmissions(const std::vector<UsbTransfer>& outs) const override {
        return inner_->transmissions(outs);
    }
    uint32_t durationTolerance() const override { return inner_->durationTolerance(); }
    double carrierTolerance() const override { return inner_->carrierTolerance(); }
    uint32_t emitterCount() const override { return inner_->emitterCount(); }
    bool choosesEmitters() const override { return inner_->choosesEmitters(); }
    bool control(const uint8_t* setup, const Bytes& data, Bytes& reply) override {
        return setup[1] != stalled_ && inner_->control(setup, data, reply);
    }
    unsigned learningCaptures() const override { return inner_->learningCaptures(); }
    std::vector<Bytes> received(const std::vector<uint32_t>& durations, uint32_t carrier) const override {
        return inner_->received(durations, carrier);
    }
    Bytes recordingStart() const override { return inner_->recordingStart(); }

private:
    std::unique_ptr<UsbModel> inner_;
    std::mutex mutex_;
    Bytes prefix_;
    std::vector<Bytes> replacement_;
    std::atomic<int> stalled_{-1};
};

struct Plugged {
    std::unique_ptr<UsbipDevice> device;
    FaultyModel* model = nullptr;
};
std::map<std::string, Plugged> plugged;
std::map<std::string, std::string> failures;

// The model plugged in on vhci port 0, behaving; the cases of a model share it, and
// the one plugged before goes when another is needed.
Plugged* deviceFor(const std::string& model, std::string& why) {
    if (auto found = failures.find(model); found != failures.end()) {
        why = found->second;
        return nullptr;
    }
    if (auto found = plugged.find(model); found != plugged.end()) {
        found->second.model->behave();
        found->second.device->setOutFault(UsbipDevice::OutFault::none);
        found->second.device->holdControlRequest(-1);
        return &found->second;
    }
    plugged.clear();
    for (int wait = 0; wait < 100 && !lircDevicesOnVhci().empty(); ++wait) {
        usleep(20000);
    }
    auto faulty = std::make_unique<FaultyModel>(makeUsbModel(model));
    FaultyModel* raw = faulty.get();
    auto device = std::make_unique<UsbipDevice>(std::move(faulty));
    if (!device->plug(0, why)) {
        failures[model] = why;
        return nullptr;
    }
    Plugged& entry = plugged[model];
    entry.device = std::move(device);
    entry.model = raw;
    return &entry;
}

// The kernel log's lines, to find what a case added to it.
std::vector<std::string> kernelLog() {
    std::vector<std::string> lines;
    FILE* dmesg = popen("dmesg 2>/dev/null", "r");
    if (dmesg == nullptr) {
        return lines;
    }
    char line[1024];
    while (fgets(line, sizeof line, dmesg) != nullptr) {
        lines.emplace_back(line);
    }
    pclose(dmesg);
    return lines;
}

// The lines after the first `from` that tell of a kernel fault.
std::string kernelFaultsSince(size_t from) {
    std::vector<std::string> lines = kernelLog();
    if (lines.empty()) {
        return "no kernel log: dmesg told nothing";
    }
    std::string faults;
    for (size_t i = from; i < lines.size(); ++i) {
        for (const char* mark : {"Oops", "BUG:", "WARNING:", "general protection", "Call Trace", "Kernel panic"}) {
            if (lines[i].find(mark) != std::string::npos) {
                faults += lines[i];
                break;
            }
        }
    }
    return faults;
}

std::string expand(std::string text, const std::string& device) {
    size_t at = text.find("{device}");
    if (at != std::string::npos) {
        text.replace(at, 8, device);
    }
    return text;
}

ChildResult play(const std::string& lircPath, const std::string& file) {
    ScratchFolder scratch;
    writeFile(scratch / "key.ir", file);
    ChildLaunch launch;
    launch.command = {std::string(PROGRAMS_FOLDER) + "/irplay", "-i", "key.ir", "-b", "1"};
    launch.setEnvironment = {"OSTREL_DEVICE=" + lircPath};
    launch.workingFolder = scratch.path();
    launch.timeoutSeconds = 30;
    return runChild(launch);
}

enum class Fault { answerNone, answerBusy, outHeld, outStalled, requestStalled, requestHeld };

struct UsbPlayFault {
    std::string name;
    std::string model;
    Fault fault;
    std::string error;  // the library's line without "ostrel: "
};

void PrintTo(const UsbPlayFault& c, std::ostream* out) { *out << c.name; }

const Bytes iguanairSend = {0x00, 0x00, 0xcd, 0x15};

// What each driver does when the device fails a send: iguanair waits 1000 jiffies (4 s
// at HZ 250) for the device's answer and takes `dc 32` as its buffer overflowing;
// mceusb waits 1 s for each OUT transfer, then kills it, and takes a stall as the
// endpoint halted; redrat3 fails the send when its send request (0xb3) does, or is
// not answered within 10 s.
const UsbPlayFault playFaults[] = {
    {"iguanair_SendNeverAnswered", "iguanair", Fault::answerNone, "{device}: cannot send: Connection timed out"},
    {"iguanair_SendAnsweredBusy", "iguanair", Fault::answerBusy,
     "{device}: cannot send: Value too large for defined data type"},
    {"mceusb_0815_OutNeverCompletes", "mceusb_0815", Fault::outHeld, "{device}: cannot send: Connection timed out"},
    {"mceusb_0815_OutStalled", "mceusb_0815", Fault::outStalled, "{device}: cannot send: Broken pipe"},
    {"redrat3_SendRequestStalled", "redrat3", Fault::requestStalled, "{device}: cannot send: Broken pipe"},
    {"redrat3_SendRequestNeverAnswered", "redrat3", Fault::requestHeld, "{device}: cannot send: Connection timed out"},
};

const std::string key = "pulse 900\nspace 450\npulse 900\n";

class PlayOnFaultyUsbDevice : public ::testing::TestWithParam<UsbPlayFault> {};

TEST_P(PlayOnFaultyUsbDevice, FailsWithTheDriversErrorAndRecovers) {
    const UsbPlayFault& c = GetParam();
    if (std::string skip = cannotRun(c.model); !skip.empty()) {
        GTEST_SKIP() << skip;
    }
    std::string why;
    Plugged* plug = deviceFor(c.model, why);
    ASSERT_NE(plug, nullptr) << why;
    size_t logFrom = kernelLog().size();
    switch (c.fault) {
        case Fault::answerNone: plug->model->replaceAnswer(iguanairSend, {}); break;
        case Fault::answerBusy: plug->model->replaceAnswer(iguanairSend, {{0x00, 0x00, 0xdc, 0x32}}); break;
        case Fault::outHeld: plug->device->setOutFault(UsbipDevice::OutFault::hold); break;
        case Fault::outStalled: plug->device->setOutFault(UsbipDevice::OutFault::stall); break;
        case Fault::requestStalled: plug->model->stallRequest(0xb3); break;
        case Fault::requestHeld: plug->device->holdControlRequest(0xb3); break;
    }
    ChildResult run = play(plug->device->lircPath(), key);
    ASSERT_TRUE(run.exited) << "irplay did not end within 30 s";
    EXPECT_EQ(run.standardOutput, "Play failed !\n");
    EXPECT_EQ(run.standardError, "ostrel: " + expand(c.error, plug->device->lircPath()) + "\n");

    // Once the device behaves, the driver sends again.
    plug->model->behave();
    plug->device->setOutFault(UsbipDevice::OutFault::none);
    plug->device->holdControlRequest(-1);
    ChildResult again = play(plug->device->lircPath(), key);
    EXPECT_EQ(again.standardOutput, "Play successfull !\n") << again.standardError;
    EXPECT_EQ(kernelFaultsSince(logFrom), "");
}

INSTANTIATE_TEST_SUITE_P(Usb, PlayOnFaultyUsbDevice, ::testing::ValuesIn(playFaults),
                         [](const ::testing::TestParamInfo<UsbPlayFault>& each) { return each.param.name; });

// NEC key presses (a frame and its repeat) in each receiver's units, heard as they are.
std::vector<uint32_t> necKeyIn(uint32_t pulse, uint32_t one, uint32_t zero, uint32_t leader, uint32_t leaderSpace,
                               uint32_t repeatSpace, uint32_t gap) {
    std::vector<uint32_t> press = {leader, leaderSpace};
    for (int bit = 0; bit < 32; ++bit) {
        press.push_back(pulse);
        press.push_back((0xbf40ff00u >> bit & 1) != 0 ? one : zero);
    }
    press.insert(press.end(), {pulse, gap, leader, repeatSpace, pulse});
    return press;
}

struct GoodKey {
    std::vector<uint32_t> durations;
    uint32_t carrier;
};

GoodKey goodKeyFor(const std::string& model) {
    if (model == "streamzap") {  // units of 256 us, heard at their middle
        return {necKeyIn(640, 1664, 640, 9088, 4480, 2176, 40064), 0};
    }
    if (model == "redrat3") {  // 0.5 us counts
        return {necKeyIn(560, 1690, 560, 9000, 4500, 2250, 40000), 38000};
    }
    if (model == "iguanair") {  // 21 us units, a space of 21845 us a byte
        return {necKeyIn(567, 1680, 567, 9009, 4494, 2247, 21845 + 864 * 21), 0};
    }
    if (model == "ttusbir") {  // bytes of 62 us, as its driver counts them
        return {necKeyIn(558, 1674, 558, 8990, 4526, 2232, 39990), 0};
    }
    return {necKeyIn(550, 1650, 550, 9000, 4500, 2250, 40000), 38000};  // 50 us units
}

size_t samplesIn(const std::string& file) {
    size_t count = 0;
    std::istringstream lines(file);
    for (std::string line; std::getline(lines, line);) {
        count += line.rfind("pulse ", 0) == 0 || line.rfind("space ", 0) == 0 ? 1 : 0;
    }
    return count;
}

struct UsbGarbage {
    std::string name;
    std::string model;
    std::vector<Bytes> chunks;  // an IN transfer each
};

void PrintTo(const UsbGarbage& c, std::ostream* out) { *out << c.name; }

std::vector<Bytes> randomChunks(size_t count, size_t size, uint32_t seed) {
    std::minstd_rand random(seed);
    std::vector<Bytes> chunks(count, Bytes(size));
    for (Bytes& chunk : chunks) {
        for (uint8_t& byte : chunk) {
            byte = static_cast<uint8_t>(random() >> 8);
        }
    }
    return chunks;
}

// A redrat3 signal packet (type 0x20) whose header promises `length` bytes after it.
Bytes redrat3Header(uint16_t length, uint16_t samples) {
    Bytes packet(19 + 2 * 255, 0);
    packet[0] = static_cast<uint8_t>(length >> 8);
    packet[1] = static_cast<uint8_t>(length);
    packet[3] = 0x20;
    packet[13] = 2;  // two distinct lengths
    packet[16] = static_cast<uint8_t>(samples >> 8);
    packet[17] = static_cast<uint8_t>(samples);
    packet[19] = 0x03;  // 1000 counts: 500 us
    packet[20] = 0xe8;
    packet.resize(64);
    return packet;
}

std::vector<UsbGarbage> garbage() {
    // Random bytes in the transfers of each. A header without its payload: mceusb's
    // cycle count and receive timeout replies with no value, an IR packet promising
    // 15 samples with 2, a lone port header; streamzap's marks of a whole-byte pulse
    // and space at the end of a transfer, with nothing after them; iguanair's reply
    // header with no command, its receive overflow, a packet under its 7 bytes. A
    // packet cut short: mceusb's IR packet of 30 samples with 3, after which the
    // driver takes what comes next as samples, its answers too; redrat3's header
    // promising more than it sends, which the driver waits for and takes from the
    // next packets; and its length over the packet's buffer, which it refuses.
    return {
        {"mceusb_0815_RandomBytes", "mceusb_0815", randomChunks(8, 64, 1)},
        {"mceusb_0815_HeadersWithoutPayload", "mceusb_0815",
         {{0x9f, 0x15}, {0x9f, 0x0c}, {0x8f, 0x95, 0x0a}, {0x9f}, {0xff}, {0x80}}},
        {"mceusb_0815_PacketCutShort", "mceusb_0815", {{0x9e, 0x8a, 0x0a, 0x8a}, {0x80}}},
        {"streamzap_RandomBytes", "streamzap", randomChunks(16, 8, 2)},
        {"streamzap_HeadersWithoutPayload", "streamzap", {{0x23, 0xf0}, {0x1f}, {0xff}}},
        {"redrat3_RandomBytes", "redrat3", randomChunks(8, 64, 3)},
        {"redrat3_LengthOverItsBuffer", "redrat3", {redrat3Header(0xfff0, 4), {0x00, 0x10}}},
        {"redrat3_PacketCutShort", "redrat3", {redrat3Header(19 + 2 * 255 + 100 - 4, 4)}},
        {"iguanair_RandomBytes", "iguanair", randomChunks(16, 8, 4)},
        {"iguanair_HeadersWithoutPayload", "iguanair",
         {{0x00, 0x00, 0xdc}, {0x00, 0x00, 0xdc, 0x31}, {0x00, 0x00}, {0x7f, 0x7f, 0x7f, 0x2c, 0xff}}},
        // ttusbir's bytes are bits of the receiver's state: any is a sample.
        {"ttusbir_RandomBytes", "ttusbir", randomChunks(8, 128, 5)},
        {"ttusbir_TransferCutShort", "ttusbir", {Bytes(50, 0x00)}},
    };
}

struct Recorded {
    ChildResult run;
    std::string file;
};

// irrecord on the device, which reports the chunks once the driver listens (once the
// model's recording start has come, or else once irrecord has the device open and,
// for a carrier, the learning receiver captures), and `then` 300 ms later.
Recorded record(Plugged& plug, const std::vector<Bytes>& chunks, const std::vector<Bytes>& then, bool carrier) {
    UsbipDevice& device = *plug.device;
    size_t outsBefore = device.outTransfers().size();
    unsigned captures = plug.model->learningCaptures();
    Bytes start = plug.model->recordingStart();
    ScratchFolder scratch;
    ChildLaunch launch;
    launch.command = {std::string(PROGRAMS_FOLDER) + "/irrecord", "-o", "key.ir"};
    launch.setEnvironment = {"OSTREL_DEVICE=" + device.lircPath()};
    launch.workingFolder = scratch.path();
    launch.timeoutSeconds = 30;
    std::thread reporter;
    launch.whileRunning = [&](pid_t pid) {
        reporter = std::thread([&, pid] {
            // A driver left in the middle of a packet by garbage takes the device's
            // answers as samples, and may not send the start again: then it listens
            // a second after irrecord opened the device.
            int sinceOpen = 0;
            for (int wait = 0; wait < 1000 && sinceOpen < 100; ++wait) {
                bool listening = false;
                if (!start.empty()) {
                    std::vector<UsbTransfer> outs = device.outTransfers();
                    for (size_t i = outsBefore; i < outs.size(); ++i) {
                        listening = listening || outs[i].bytes == start;
                    }
                    sinceOpen += sinceOpen > 0 || hasOpen(pid, device.lircPath()) ? 1 : 0;
                } else {
                    listening = hasOpen(pid, device.lircPath()) &&
                                (!carrier || plug.model->learningCaptures() != captures);
                }
                if (listening) {
                    break;
                }
                usleep(10000);
            }
            usleep(20000);  // the driver's answer to the start goes first
            device.send(chunks);
            if (!then.empty()) {
                usleep(300000);
                device.send(then);
            }
        });
    };
    Recorded recorded{runChild(launch), ""};
    reporter.join();
    recorded.file = readFile(scratch / "key.ir");
    return recorded;
}

class RecordOnFaultyUsbDevice : public ::testing::TestWithParam<UsbGarbage> {};

TEST_P(RecordOnFaultyUsbDevice, EndsWithinItsBoundAndRecovers) {
    const UsbGarbage& c = GetParam();
    if (std::string skip = cannotRun(c.model); !skip.empty()) {
        GTEST_SKIP() << skip;
    }
    std::string why;
    Plugged* plug = deviceFor(c.model, why);
    ASSERT_NE(plug, nullptr) << why;
    size_t logFrom = kernelLog().size();
    GoodKey good = goodKeyFor(c.model);
    std::vector<Bytes> goodChunks = plug->model->received(good.durations, good.carrier);
    ASSERT_FALSE(goodChunks.empty()) << "the model reports nothing it hears";

    // The garbage, then, 300 ms later, a whole key press: irrecord ends on whichever
    // the driver makes a message of, well within its 15 s wait.
    Recorded first = record(*plug, c.chunks, goodChunks, good.carrier != 0);
    ASSERT_TRUE(first.run.exited) << "irrecord did not end within 30 s";
    bool recordedSomething = first.run.standardOutput == "Record successfull !\n";
    EXPECT_TRUE(recordedSomething || first.run.standardOutput == "Record failed !\n") << first.run.standardOutput;
    if (recordedSomething) {
        EXPECT_EQ(first.run.standardError, "");
    }
    // What it writes is a signal: pulse first and last, no duration of 0.
    std::istringstream lines(first.file);
    std::string last;
    bool firstSeen = false;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string word;
        uint64_t value = 0;
        words >> word >> value;
        if (word == "pulse" || word == "space") {
            EXPECT_TRUE(firstSeen || word == "pulse") << first.file;
            EXPECT_GT(value, 0u) << line;
            firstSeen = true;
            last = word;
        }
    }
    if (recordedSomething) {
        EXPECT_EQ(last, "pulse") << first.file;
    }

    // Afterwards the device records a whole key press again.
    usleep(200000);  // what the driver has of the first is handed on
    Recorded second = record(*plug, goodChunks, {}, good.carrier != 0);
    ASSERT_TRUE(second.run.exited);
    EXPECT_EQ(second.run.standardOutput, "Record successfull !\n") << second.run.standardError;
    EXPECT_EQ(samplesIn(second.file), good.durations.size()) << second.file;
    EXPECT_NE(second.file.find("# scancode nec"), std::string::npos) << second.file;
    EXPECT_EQ(kernelFaultsSince(logFrom), "");
}

INSTANTIATE_TEST_SUITE_P(Usb, RecordOnFaultyUsbDevice, ::testing::ValuesIn(garbage()),
                         [](const ::testing::TestParamInfo<UsbGarbage>& each) { return each.param.name; });

}  // namespace
