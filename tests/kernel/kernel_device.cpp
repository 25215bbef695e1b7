// The device tables on the kernel's rc-loopback, /dev/lirc0 in the kernel VM: what a
// program sends is what rc-loopback's receivers hear of it, what it records is what the
// test sends through rc-loopback once the program listens, and the settings are what
// rc-loopback shows of them.
#include <fcntl.h>
#include <linux/lirc.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "tests/device/test_device.h"

namespace {

constexpr const char* kDevice = "/dev/lirc0";
constexpr uint32_t kProbe = 100;  // the pulse that probes the settings, us

// The settings every case starts from: initialDeviceState's.
constexpr uint32_t kCarrier = 40000;
constexpr uint32_t kDutyCycle = 33;
constexpr uint32_t kMask = 0x1;
constexpr uint32_t kTimeout = 100000;

bool inKernelVm() { return getenv("IRTOOLS_KERNEL_VM") != nullptr && access(kDevice, F_OK) == 0; }

// An open file of /dev/lirc0 of the test's own.
class Lirc {
public:
    Lirc() : fd_(open(kDevice, O_RDWR | O_NONBLOCK | O_CLOEXEC)) {}
    ~Lirc() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Lirc(const Lirc&) = delete;
    Lirc& operator=(const Lirc&) = delete;

    bool ok() const { return fd_ >= 0; }

    void set(unsigned long request, uint32_t value) { ioctl(fd_, request, &value); }
    uint32_t get(unsigned long request) {
        uint32_t value = 0;
        ioctl(fd_, request, &value);
        return value;
    }
    void send(const std::vector<uint32_t>& durations) {
        ssize_t written = write(fd_, durations.data(), durations.size() * sizeof(uint32_t));
        (void)written;
    }
    // What has come in, once nothing more has for a while.
    int descriptor() const { return fd_; }

private:
    int fd_;
};

struct Transmission {
    std::optional<uint32_t> carrier;
    std::vector<uint32_t> durations;
    int64_t heardAt = 0;  // when its first sample was read, CLOCK_MONOTONIC us
    bool operator==(const Transmission& other) const {
        return carrier == other.carrier && durations == other.durations;
    }
};

// A sample read from the device, and when.
struct Heard {
    int64_t at = 0;  // CLOCK_MONOTONIC, us
    uint32_t sample = 0;
};

int64_t nowMicroseconds() { return monotonicNow() / 1000; }

// Reads what the device's file hears, from a thread of its own, until stopped: when
// each sample arrived. rc-loopback hands the samples of a write on when the write
// begins, so the first sample of a transmission tells when its write began.
class Listener {
public:
    explicit Listener(int fd) : fd_(fd), thread_([this] { listen(); }) {}
    ~Listener() { stop(); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // What came, once nothing more has for quietMilliseconds.
    std::vector<Heard> stop(int quietMilliseconds = 50) {
        if (thread_.joinable()) {
            quietMilliseconds_ = quietMilliseconds;
            stopping_ = true;
            thread_.join();
        }
        return heard_;
    }

private:
    void listen() {
        int64_t quietSince = 0;
        for (;;) {
            pollfd watch{fd_, POLLIN, 0};
            int ready = poll(&watch, 1, 10);
            if (ready > 0) {
                uint32_t buffer[512];
                ssize_t got = read(fd_, buffer, sizeof buffer);
                int64_t at = nowMicroseconds();
                for (ssize_t i = 0; i < got / 4; ++i) {
                    heard_.push_back({at, buffer[i]});
                }
                quietSince = 0;
                continue;
            }
            if (stopping_) {
                int64_t now = nowMicroseconds();
                quietSince = quietSince == 0 ? now : quietSince;
                if (now - quietSince >= int64_t{quietMilliseconds_} * 1000) {
                    return;
                }
            }
        }
    }

    int fd_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> quietMilliseconds_{50};
    std::vector<Heard> heard_;
    std::thread thread_;
};

// The transmissions in what rc-loopback's receiver delivered: each ends with a timeout
// sample, or (carrier reports on) with a carrier sample of the receive timeout's value
// right behind the last pulse; its carrier report comes before the last pulse; the
// space before the first pulse is the time since the one before.
std::vector<Transmission> transmissionsIn(const std::vector<Heard>& samples, uint32_t timeout) {
    std::vector<Transmission> found;
    Transmission current;
    uint32_t previous = LIRC_MODE2_TIMEOUT;
    for (const auto& [at, sample] : samples) {
        uint32_t type = sample & LIRC_MODE2_MASK;
        uint32_t value = sample & LIRC_VALUE_MASK;
        bool end = type == LIRC_MODE2_TIMEOUT ||
                   (type == LIRC_MODE2_FREQUENCY && previous == LIRC_MODE2_PULSE && value == timeout);
        if (end) {
            if (!current.durations.empty()) {
                found.push_back(current);
            }
            current = {};
        } else if (type == LIRC_MODE2_FREQUENCY) {
            current.carrier = value;
        } else if (type == LIRC_MODE2_PULSE || (type == LIRC_MODE2_SPACE && !current.durations.empty())) {
            if (current.durations.empty()) {
                current.heardAt = at;
            }
            current.durations.push_back(value);
        }
        previous = type;
    }
    if (!current.durations.empty()) {
        found.push_back(current);
    }
    return found;
}

std::string lineOf(const Transmission& sent, uint32_t mask) {
    std::string line = "send carrier=";
    line += sent.carrier ? std::to_string(*sent.carrier) : "?";
    char hex[16];
    snprintf(hex, sizeof hex, "0x%x", mask);
    line += std::string(" mask=") + hex + " durations=";
    for (size_t i = 0; i < sent.durations.size(); ++i) {
        if (i != 0) {
            line += ' ';
        }
        line += std::to_string(sent.durations[i]);
    }
    return line;
}

// What a receive script makes the receiver hear, as one transmission through
// rc-loopback, when it can: waits, at most one carrier, then pulse, space, ..., pulse
// and `end` (rc-loopback always ends a message with its timeout); an overflow after a
// space is a pulse over 50 ms, which rc-loopback reports so. A script without pulses
// hears nothing.
struct TimedWrite {
    int64_t afterMicroseconds = 0;  // after the first write began
    std::vector<uint32_t> durations;
};

struct Incoming {
    bool reproducible = false;
    std::optional<uint32_t> carrier;
    std::vector<uint32_t> durations;
    // Sent in this order once the program listens (a script's message: its
    // durations at once); again each time the program, done with the last, listens
    // anew, as the emulator plays its script into each open of the device.
    std::vector<TimedWrite> writes;
};

Incoming incomingFor(const std::string& script) {
    Incoming incoming;
    std::istringstream lines(script);
    bool ended = false;
    bool pulses = false;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string word;
        uint64_t value = 0;
        if (!(words >> word)) {
            continue;
        }
        bool hasValue = static_cast<bool>(words >> value);
        bool pulseNext = incoming.durations.size() % 2 == 0;
        if (ended) {
            return {};
        }
        if (word == "await-reader" || (word == "wait" && hasValue)) {
            continue;
        }
        if (word == "carrier" && hasValue && !incoming.carrier && incoming.durations.empty()) {
            incoming.carrier = static_cast<uint32_t>(value);
        } else if (word == "pulse" && hasValue && pulseNext) {
            incoming.durations.push_back(static_cast<uint32_t>(value));
            pulses = true;
        } else if (word == "space" && hasValue && !pulseNext) {
            incoming.durations.push_back(static_cast<uint32_t>(value));
        } else if (word == "overflow" && pulseNext && !incoming.durations.empty()) {
            incoming.durations.push_back(50001);
            ended = true;
        } else if (word == "end" && !pulseNext) {
            ended = true;
        } else if ((word == "space" || word == "timeout") && !pulses) {
            continue;  // heard before a message, if at all: nothing the test sends
        } else {
            return {};
        }
    }
    incoming.reproducible = !pulses || ended;
    if (!pulses) {
        incoming.carrier.reset();
        incoming.durations.clear();
    } else {
        incoming.writes = {{0, incoming.durations}};
    }
    return incoming;
}

// Whether the process has the device open and one of its threads waits in read, poll
// or select.
bool receiving(pid_t child) {
    std::string proc = "/proc/" + std::to_string(child);
    // x86_64: read 0, poll 7, select 23, epoll_wait 232, pselect6 270, ppoll 271,
    // epoll_pwait 281.
    static constexpr long waits[] = {0, 7, 23, 232, 270, 271, 281};
    bool waiting = false;
    std::error_code ignored;
    for (const auto& task : std::filesystem::directory_iterator(proc + "/task", ignored)) {
        std::ifstream syscall(task.path() / "syscall");
        long number = -1;
        if (syscall >> number && std::find(std::begin(waits), std::end(waits), number) != std::end(waits)) {
            waiting = true;
            break;
        }
    }
    if (!waiting) {
        return false;
    }
    for (const auto& entry : std::filesystem::directory_iterator(proc + "/fd", ignored)) {
        if (std::filesystem::read_symlink(entry.path(), ignored) == kDevice) {
            return true;
        }
    }
    return false;
}

bool waitUntilReceiving(pid_t child, const std::atomic<bool>& done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done && std::chrono::steady_clock::now() < deadline) {
        if (receiving(child)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// Sends the writes, each at its time after the first began, at the carrier, which is
// then put back: what the program finds and must leave is the device's own. Stops
// early once the program is done. Returns when each write began (CLOCK_MONOTONIC, us),
// as the sender's clock had it: a busy machine can run the sender late.
std::vector<int64_t> sendWrites(const std::vector<TimedWrite>& writes, uint32_t carrier,
                                uint32_t deviceCarrier, const std::atomic<bool>& done) {
    Lirc lirc;
    lirc.set(LIRC_SET_SEND_CARRIER, carrier);
    // The normal receiver's emitter, which a program that played may have changed.
    lirc.set(LIRC_SET_TRANSMITTER_MASK, kMask);
    std::vector<int64_t> began;
    int64_t first = nowMicroseconds();
    for (const TimedWrite& write : writes) {
        if (done) {
            break;
        }
        int64_t wait = first + write.afterMicroseconds - nowMicroseconds();
        if (wait > 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(wait));
        }
        began.push_back(nowMicroseconds());
        lirc.send(write.durations);
    }
    lirc.set(LIRC_SET_SEND_CARRIER, deviceCarrier);
    return began;
}

// irrecord ends a message 150 ms after the last pulse; rc-loopback hands a write's
// samples on when it begins. A write planned to begin within that after the one
// before, to be part of the message, must have begun so, with 10 ms to spare for the
// reader's waking; otherwise the run did not test what was planned.
constexpr int64_t kLatestKeptGap = 140000;

// Why the writes, sent at the times began holds, do not test the plan: the first
// write planned within kLatestKeptGap of the one before that began later than that,
// before the program ended (what comes after, nothing hears). Empty when every one
// came in time.
std::string lateWrite(const std::vector<TimedWrite>& planned, const std::vector<int64_t>& began,
                      int64_t programEnded) {
    for (size_t i = 1; i < began.size() && i < planned.size() && began[i] < programEnded; ++i) {
        int64_t plannedGap = planned[i].afterMicroseconds - planned[i - 1].afterMicroseconds;
        int64_t gap = began[i] - began[i - 1];
        if (plannedGap < kLatestKeptGap && gap >= kLatestKeptGap) {
            return "write " + std::to_string(i + 1) + " began " + std::to_string(gap / 1000) +
                   " ms after the one before, planned " + std::to_string(plannedGap / 1000) + " ms";
        }
    }
    return "";
}

class KernelDevice : public TestDevice {
public:
    KernelDevice(const ScratchFolder& scratch, const DeviceSetup& setup)
        : KernelDevice(scratch, setup, incomingFor(setup.receive)) {}
    KernelDevice(const ScratchFolder& scratch, const DeviceSetup& setup, Incoming incoming)
        : scratch_(scratch), setup_(setup), incoming_(std::move(incoming)) {
        Lirc lirc;
        lirc.set(LIRC_SET_SEND_CARRIER, kCarrier);
        lirc.set(LIRC_SET_SEND_DUTY_CYCLE, kDutyCycle);
        lirc.set(LIRC_SET_TRANSMITTER_MASK, kMask);
        lirc.set(LIRC_SET_REC_TIMEOUT, kTimeout);
        lirc.set(LIRC_SET_MEASURE_CARRIER_MODE, 0);
        lirc.set(LIRC_SET_WIDEBAND_RECEIVER, 0);
        lirc.set(LIRC_SET_REC_CARRIER_RANGE, 1);
        lirc.set(LIRC_SET_REC_CARRIER, UINT32_MAX);
        // The same settings show the same every time: probed once.
        static const std::string initial = state();
        initialState_ = initial;
    }

    std::string path() const override { return kDevice; }

    ChildResult run(std::vector<std::string> command, int signalToSend,
                    int signalAfterMilliseconds) override {
        ChildLaunch launch = launchOf(std::move(command));
        rounds_.clear();
        launch.signalToSend = signalToSend;
        launch.signalAfterMilliseconds = signalAfterMilliseconds;
        // The sender runs beside the child, so that a signal reaches it at its time.
        std::atomic<bool> done{false};
        std::thread sender;
        if (!incoming_.writes.empty()) {
            launch.whileRunning = [this, &done, &sender](pid_t child) {
                sender = std::thread([this, &done, child] {
                    while (waitUntilReceiving(child, done)) {
                        rounds_.push_back(sendWrites(
                            incoming_.writes, incoming_.carrier.value_or(kCarrier), kCarrier, done));
                        // Until the program is done with this message, and may listen anew.
                        std::this_thread::sleep_for(std::chrono::milliseconds(250));
                    }
                });
            };
        }
        ChildResult result = runChild(launch);
        done = true;
        if (sender.joinable()) {
            sender.join();
        }
        lateness_.clear();
        for (const std::vector<int64_t>& began : rounds_) {
            if (lateness_.empty()) {
                lateness_ = lateWrite(incoming_.writes, began, result.endNanoseconds / 1000);
            }
        }
        return result;
    }

    // Runs the command twice from the settings the case starts with, the normal
    // receiver listening, then the wideband one: emitter 1 feeds the one, emitter 2
    // the other, which shows the mask it sent with.
    ChildResult play(std::vector<std::string> command) override {
        std::vector<Transmission> heard[2];
        ChildResult result;
        for (int wideband = 0; wideband < 2; ++wideband) {
            Lirc lirc;
            lirc.set(LIRC_SET_SEND_CARRIER, kCarrier);
            lirc.set(LIRC_SET_TRANSMITTER_MASK, kMask);
            lirc.set(LIRC_SET_WIDEBAND_RECEIVER, wideband);
            lirc.set(LIRC_SET_MEASURE_CARRIER_MODE, 1);
            Listener(lirc.descriptor()).stop(20);
            Listener listener(lirc.descriptor());
            ChildResult run = runChild(launchOf(command));
            heard[wideband] = transmissionsIn(listener.stop(), lirc.get(LIRC_GET_REC_TIMEOUT));
            lirc.set(LIRC_SET_MEASURE_CARRIER_MODE, 0);
            lirc.set(LIRC_SET_WIDEBAND_RECEIVER, 0);
            if (wideband == 0) {
                result = run;
            } else if (run.standardOutput != result.standardOutput ||
                       run.standardError != result.standardError) {
                result.standardError += "[a second run, the wideband receiver listening, said: " +
                                        run.standardOutput + run.standardError + "]";
            }
        }
        // When the writes began, as the normal receiver heard them (or the wideband
        // one, when the normal one heard nothing).
        for (const Transmission& sent : heard[heard[0].empty() ? 1 : 0]) {
            starts_.push_back({sent.heardAt, sent.durations.size()});
        }
        if (heard[0] == heard[1]) {
            for (const Transmission& sent : heard[0]) {
                sent_.push_back(lineOf(sent, 0x3));
            }
        } else {
            for (int wideband = 0; wideband < 2; ++wideband) {
                for (const Transmission& sent : heard[wideband]) {
                    sent_.push_back(lineOf(sent, wideband == 0 ? 0x1 : 0x2));
                }
            }
        }
        return result;
    }

    // Why the last run's writes came too late to test what they were planned to, or
    // nothing when they came in time (as lateWrite says).
    std::string lateness() const { return lateness_; }

    std::vector<std::string> transmissions() const override { return sent_; }
    std::vector<WriteStart> writeStarts() const override { return starts_; }

    // rc-loopback reports the carrier of everything it hears (the test sends at the
    // device's own where the case gives none).
    // It reports that carrier before the last pulse of a write: a recording that
    // holds the last pulse of the first write names it, one that ends before it
    // (at a long space inside the write) names none.
    std::string recording(const std::string& recorded) const override {
        if (recorded.empty() || recorded.find("carrier ") != std::string::npos ||
            incoming_.writes.empty()) {
            return recorded;
        }
        std::istringstream lines(recorded);
        size_t values = 0;
        size_t comments = 0;  // before the durations: where the carrier line goes
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("pulse ", 0) == 0 || line.rfind("space ", 0) == 0) {
                ++values;
            } else if (values == 0) {
                comments += line.size() + 1;
            }
        }
        if (values < incoming_.writes.front().durations.size()) {
            return recorded;
        }
        return recorded.substr(0, comments) + "carrier " + std::to_string(kCarrier) + "\n" +
               recorded.substr(comments);
    }

    // rc-loopback cannot show the duty cycle.
    std::vector<std::string> observable(std::vector<std::string> lines) const override {
        for (std::string& line : lines) {
            size_t at = line.find(" duty=");
            if (at != std::string::npos) {
                line.erase(at, line.find(' ', at + 1) - at);
            }
        }
        return lines;
    }

    // What probes show: the receive timeout as the device reports it; which receivers
    // hear a pulse sent as the device is (the transmitter mask); whether a carrier
    // report comes (carrier reports on) and its carrier. The duty cycle does not show,
    // and the wideband receiver, which no program here changes, is left off.
    std::string state() override {
        Lirc lirc;
        uint32_t timeout = lirc.get(LIRC_GET_REC_TIMEOUT);
        Listener(lirc.descriptor()).stop(20);
        auto probe = [&]() {
            Listener listener(lirc.descriptor());
            lirc.send({kProbe});
            return transmissionsIn(listener.stop(), timeout);
        };
        std::vector<Transmission> narrow = probe();
        lirc.set(LIRC_SET_WIDEBAND_RECEIVER, 1);
        std::vector<Transmission> wide = probe();
        lirc.set(LIRC_SET_WIDEBAND_RECEIVER, 0);
        uint32_t mask = (narrow.empty() ? 0 : 0x1) | (wide.empty() ? 0 : 0x2);
        std::optional<uint32_t> reported;
        for (const auto& heard : {narrow, wide}) {
            for (const Transmission& sent : heard) {
                reported = reported ? reported : sent.carrier;
            }
        }
        bool measuring = reported.has_value();
        std::optional<uint32_t> carrier = reported;
        if (!measuring) {
            lirc.set(LIRC_SET_MEASURE_CARRIER_MODE, 1);
            if (mask == 0) {
                lirc.set(LIRC_SET_TRANSMITTER_MASK, 0x1);
            }
            lirc.set(LIRC_SET_WIDEBAND_RECEIVER, (mask & 0x1) == 0 ? 1 : 0);
            for (const Transmission& sent : probe()) {
                carrier = sent.carrier;
            }
            lirc.set(LIRC_SET_WIDEBAND_RECEIVER, 0);
            lirc.set(LIRC_SET_MEASURE_CARRIER_MODE, 0);
            if (mask == 0) {
                lirc.set(LIRC_SET_TRANSMITTER_MASK, 0);
            }
        }
        char text[160];
        snprintf(text, sizeof text, "carrier=%s\ntransmitter_mask=0x%x\nrec_timeout=%u\nmeasure_carrier=%d\n",
                 carrier ? std::to_string(*carrier).c_str() : "?", mask, timeout, measuring ? 1 : 0);
        return text;
    }

    std::string initialState() const override { return initialState_; }

private:
    ChildLaunch launchOf(std::vector<std::string> command) const {
        ChildLaunch launch;
        launch.command = std::move(command);
        launch.workingFolder = scratch_.path();
        launch.setEnvironment = setup_.settings;  // OSTREL_DEVICE at most
        launch.unsetEnvironment = {"LD_LIBRARY_PATH", "LD_PRELOAD"};
        if (setup_.settings.empty()) {
            launch.unsetEnvironment.push_back("OSTREL_DEVICE");
        }
        launch.timeoutSeconds = 60;
        return launch;
    }

    const ScratchFolder& scratch_;
    DeviceSetup setup_;
    Incoming incoming_;
    std::string initialState_;
    std::vector<std::string> sent_;
    std::vector<WriteStart> starts_;
    std::vector<std::vector<int64_t>> rounds_;  // when the last run's writes began
    std::string lateness_;
};

// Recordings of several writes, which only rc-loopback's own timing shows: it hands
// on all of a write's samples when the write begins, and with carrier reports on
// (irrecord turns them on) it ends each write with a carrier sample of the receive
// timeout's value and reports no gap before the next write. So the space recorded
// between two writes is the receive timeout (the device's 100000 us here), and a
// message ends once no write has begun for 150 ms. The emulator's rows of gaps
// between frames (record_cases_test.cpp) say what a receiver of real IR reports.
// The writes come from a thread in the VM, which a busy machine can run late: a run
// in which a write meant to be part of the message came too late for it is run
// again, up to kTries times.
struct LoopbackRecording {
    const char* name;
    std::vector<TimedWrite> writes;  // at 38000 Hz
    std::string recorded = {};       // the file afterwards
    std::string error = {};          // on standard error, without "ostrel: "
};

const std::vector<uint32_t> kKey = {900, 450, 900};
const std::vector<uint32_t> kNecFrame = {9000, 4500, 560, 1690, 560};
const std::vector<uint32_t> kNecRepeat = {9000, 2250, 560};
const std::string kKeyFile = "pulse 900\nspace 450\npulse 900\n";
const std::string kNecFrameFile = "pulse 9000\nspace 4500\npulse 560\nspace 1690\npulse 560\n";
const std::string kNecRepeatFile = "pulse 9000\nspace 2250\npulse 560\n";

// A key held down for 10.5 s: a NEC frame, then a repeat every 25 ms, so that the
// sender can be 115 ms late with one and the message still goes on. Each write adds
// its 11810 us and the receive timeout to the message: about 90 pass its 10 s.
std::vector<TimedWrite> heldKey() {
    std::vector<TimedWrite> writes = {{0, kNecFrame}};
    for (int64_t at = 25000; at < 10500000; at += 25000) {
        writes.push_back({at, kNecRepeat});
    }
    return writes;
}

constexpr int kTries = 4;

const LoopbackRecording loopbackRecordings[] = {
    // A frame and its repeats, 108 ms apart as NEC sends them, one write each: the
    // next write's first pulse is not added to the last pulse of the one before.
    {.name = "RepeatsInWritesOfTheirOwnRecordedWhole",
     .writes = {{0, kNecFrame}, {108000, kNecRepeat}, {216000, kNecRepeat}},
     .recorded = "carrier 38000\n" + kNecFrameFile + "space 100000\n" + kNecRepeatFile +
                 "space 100000\n" + kNecRepeatFile},
    {.name = "WriteBegun120msLaterKept", .writes = {{0, kKey}, {120000, kKey}},
     .recorded = "carrier 38000\n" + kKeyFile + "space 100000\n" + kKeyFile},
    {.name = "WriteBegun200msLaterEndsTheMessage", .writes = {{0, kKey}, {200000, kKey}},
     .recorded = "carrier 38000\n" + kKeyFile},
    {.name = "HeldKeyStopsAtTheBound", .writes = heldKey(),
     .error = "/dev/lirc0: the receiver did not go quiet: the message is longer than 10 s"},
};

void PrintTo(const LoopbackRecording& c, std::ostream* out) { *out << c.name; }

// What a run in which the writes came in time must show.
void expectRecording(const LoopbackRecording& c, KernelDevice& device, const ChildResult& run,
                     const ScratchFolder& scratch) {
    ASSERT_TRUE(run.exited) << run.standardError;
    if (c.error.empty()) {
        EXPECT_EQ(run.standardOutput, "Record successfull !\n");
        EXPECT_EQ(run.standardError, "");
    } else {
        EXPECT_EQ(run.standardOutput, "Record failed !\n");
        EXPECT_EQ(run.standardError, "ostrel: " + c.error + "\n");
    }
    EXPECT_EQ(readFile(scratch / "out.ir"), c.recorded);
    EXPECT_EQ(device.state(), device.initialState()) << "the device's settings were not put back";
}

class RecordOnLoopback : public ::testing::TestWithParam<LoopbackRecording> {};

TEST_P(RecordOnLoopback, RecordsOrSaysWhyNot) {
    const LoopbackRecording& c = GetParam();
    std::string lateTries;
    for (int tries = 1;; ++tries) {
        ScratchFolder scratch;
        writeFile(scratch / "out.ir", "an older recording\n");
        Incoming incoming{.reproducible = true, .carrier = 38000, .durations = {}, .writes = c.writes};
        KernelDevice device(scratch, {}, incoming);
        ChildResult run = device.run({programPath("irrecord"), "-o", "out.ir"}, 0, 0);
        if (std::string late = device.lateness(); !late.empty()) {
            lateTries += "\n  try " + std::to_string(tries) + ": " + late;
            if (tries < kTries) {
                continue;
            }
            FAIL() << "the sender was late in every try, so no run tested the case:" << lateTries;
        }
        if (!lateTries.empty()) {
            std::cout << "run again, the sender having been late:" << lateTries << "\n";
        }
        expectRecording(c, device, run, scratch);
        return;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordOnLoopback, ::testing::ValuesIn(loopbackRecordings),
                         [](const ::testing::TestParamInfo<LoopbackRecording>& caseInfo) {
                             return std::string(caseInfo.param.name);
                         });

}  // namespace

std::unique_ptr<TestDevice> makeDevice(const ScratchFolder& scratch, const DeviceSetup& setup) {
    return std::make_unique<KernelDevice>(scratch, setup);
}

bool reproduces(const DeviceSetup& setup) {
    for (const std::string& setting : setup.settings) {
        if (setting.rfind("OSTREL_DEVICE=", 0) != 0) {
            return false;  // a setting of the emulator's
        }
    }
    return incomingFor(setup.receive).reproducible;
}

bool emulated() { return false; }

// Outside the kernel VM there is no rc-loopback to run on: the cases are listed, and
// the run is reported skipped.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!GTEST_FLAG_GET(list_tests) && !inKernelVm()) {
        std::cout << "skipped: needs rc-loopback at " << kDevice << ", in the kernel VM (kernel.boot)\n";
        return 77;
    }
    return RUN_ALL_TESTS();
}
