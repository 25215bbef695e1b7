// The kernel's own encoders and decoders against irplay and irrecord, on
// rc-loopback, whose emitters feed its own receiver: what a LIRC_MODE_SCANCODE
// write of a scancode sends is what irplay sends of a file with its scancode
// line; the kernel's decoder, with the protocol enabled, names what irplay
// sent as that scancode; and irrecord's file names what the kernel's decoder
// names. Runs only on rc-loopback (in a VM with Debian's kernel): elsewhere
// it exits 77, which CTest reports as skipped.
//
//   kernel_scancode_test [gtest options]   OSTREL_DEVICE: the device (/dev/lirc0)
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <linux/lirc.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/scancode_cases/scancode_cases.h"

#include "ostrel/codec/protocols/scancode_decoding.h"
#include "ostrel/codec/protocols/scancode_encoding.h"

namespace {

using namespace ostrel::protocols;
using scancode_cases::testName;

std::string devicePath() {
    const char* configured = getenv("OSTREL_DEVICE");
    return configured && *configured ? configured : "/dev/lirc0";
}

// /sys/class/lirc/lircN/device: the rc device behind the LIRC device.
std::string rcFolder() {
    std::string name = devicePath().substr(devicePath().rfind('/') + 1);
    return "/sys/class/lirc/" + name + "/device";
}

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Why the device is not rc-loopback with the kernel's scancode modes, or
// nothing when it is.
std::optional<std::string> notRcLoopback() {
    std::string path = devicePath();
    int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return path + ": " + strerror(errno);
    }
    struct stat status {};
    uint32_t send = LIRC_MODE_SCANCODE, receive = LIRC_MODE_SCANCODE;
    std::optional<std::string> why;
    if (fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) {
        why = path + " is not a character device";
    } else if (ioctl(fd, LIRC_SET_SEND_MODE, &send) != 0 || ioctl(fd, LIRC_SET_REC_MODE, &receive) != 0) {
        why = path + " has no scancode modes (not the kernel's LIRC device)";
    } else if (readText(rcFolder() + "/uevent").find("DRV_NAME=rc-loopback\n") == std::string::npos) {
        why = path + " is not rc-loopback, whose emitters feed its receiver";
    }
    close(fd);
    return why;
}

// The kernel's enum rc_proto value of each protocol, and the name under
// which /sys/class/rc/rcN/protocols enables its decoder.
struct KernelNames {
    uint16_t rcProto;
    const char* decoder;  // nullptr: the kernel has none
};

KernelNames kernelNames(Protocol protocol) {
    switch (protocol) {
    case Protocol::rc5: return {RC_PROTO_RC5, "rc-5"};
    case Protocol::rc5x_20: return {RC_PROTO_RC5X_20, "rc-5"};
    case Protocol::rc5_sz: return {RC_PROTO_RC5_SZ, "rc-5-sz"};
    case Protocol::sony12: return {RC_PROTO_SONY12, "sony"};
    case Protocol::sony15: return {RC_PROTO_SONY15, "sony"};
    case Protocol::sony20: return {RC_PROTO_SONY20, "sony"};
    case Protocol::jvc: return {RC_PROTO_JVC, "jvc"};
    case Protocol::nec: return {RC_PROTO_NEC, "nec"};
    case Protocol::necx: return {RC_PROTO_NECX, "nec"};
    case Protocol::nec32: return {RC_PROTO_NEC32, "nec"};
    case Protocol::sanyo: return {RC_PROTO_SANYO, "sanyo"};
    case Protocol::rc6_0: return {RC_PROTO_RC6_0, "rc-6"};
    case Protocol::rc6_6a_20: return {RC_PROTO_RC6_6A_20, "rc-6"};
    case Protocol::rc6_6a_24: return {RC_PROTO_RC6_6A_24, "rc-6"};
    case Protocol::rc6_6a_32: return {RC_PROTO_RC6_6A_32, "rc-6"};
    case Protocol::rc6_mce: return {RC_PROTO_RC6_MCE, "rc-6"};
    case Protocol::sharp: return {RC_PROTO_SHARP, "sharp"};
    case Protocol::xbox_dvd: return {RC_PROTO_XBOX_DVD, nullptr};
    }
    return {RC_PROTO_UNKNOWN, nullptr};
}

std::optional<Protocol> protocolOf(uint16_t rcProto) {
    for (const ProtocolInfo& info : allProtocols()) {
        if (kernelNames(info.protocol).rcProto == rcProto) {
            return info.protocol;
        }
    }
    return std::nullopt;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Descriptor(Descriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Descriptor& operator=(Descriptor&&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// The receiving end, opened before anything is sent: each open file gets
// its own copy of what the receiver hears.
Descriptor openReceiver(uint32_t mode) {
    Descriptor fd(open(devicePath().c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
    EXPECT_GE(fd.get(), 0) << strerror(errno);
    EXPECT_EQ(ioctl(fd.get(), LIRC_SET_REC_MODE, &mode), 0) << strerror(errno);
    return fd;
}

// Waits up to `milliseconds` for the descriptor to have something to read.
bool readable(int fd, int milliseconds) {
    pollfd watch{fd, POLLIN, 0};
    return poll(&watch, 1, milliseconds) == 1;
}

// The durations of one transmission as the receiver reports it in mode2:
// after the space since the last one, up to the timeout sample that ends it.
std::vector<uint32_t> receivedDurations(const Descriptor& receiver) {
    std::vector<uint32_t> durations;
    while (readable(receiver.get(), 2000)) {
        uint32_t sample;
        if (read(receiver.get(), &sample, sizeof sample) != sizeof sample) {
            break;
        }
        uint32_t type = sample & LIRC_MODE2_MASK, value = sample & LIRC_VALUE_MASK;
        if (type == LIRC_MODE2_TIMEOUT) {
            break;
        }
        if ((type == LIRC_MODE2_PULSE) == (durations.size() % 2 == 0) &&
            (type == LIRC_MODE2_PULSE || type == LIRC_MODE2_SPACE)) {
            durations.push_back(value);
        }
    }
    return durations;
}

// The scancodes the kernel's decoders reported, up to a second after the last.
std::vector<lirc_scancode> receivedScancodes(const Descriptor& receiver) {
    std::vector<lirc_scancode> scancodes;
    lirc_scancode scancode{};
    while (readable(receiver.get(), 1000) &&
           read(receiver.get(), &scancode, sizeof scancode) == sizeof scancode) {
        scancodes.push_back(scancode);
    }
    return scancodes;
}

// Sends through the kernel's encoder; false, with errno, when it refuses.
bool sendByKernel(const Scancode& scancode) {
    Descriptor fd(open(devicePath().c_str(), O_RDWR | O_CLOEXEC));
    uint32_t mode = LIRC_MODE_SCANCODE, narrowband = 1;
    // Emitter 1 feeds rc-loopback's normal (narrowband) receiver.
    if (fd.get() < 0 || ioctl(fd.get(), LIRC_SET_TRANSMITTER_MASK, &narrowband) != 0 ||
        ioctl(fd.get(), LIRC_SET_SEND_MODE, &mode) != 0) {
        return false;
    }
    lirc_scancode sent{};
    sent.rc_proto = kernelNames(scancode.protocol).rcProto;
    sent.scancode = scancode.value;
    return write(fd.get(), &sent, sizeof sent) == static_cast<ssize_t>(sizeof sent);
}

std::string programPath(const std::string& name) { return std::string(PROGRAMS_FOLDER "/") + name; }

// Starts a program of the build with OSTREL_DEVICE set; its output goes to
// ours, so that a failure shows its line.
pid_t start(std::vector<std::string> command) {
    pid_t pid = fork();
    if (pid == 0) {
        setenv("OSTREL_DEVICE", devicePath().c_str(), 1);
        std::vector<char*> argv;
        for (std::string& word : command) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

bool finishedWell(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// True once the process has the device open, as irrecord has while it waits.
bool waitUntilOpened(pid_t pid) {
    char device[PATH_MAX];
    if (!realpath(devicePath().c_str(), device)) {
        return false;
    }
    for (int tries = 0; tries < 1000; ++tries) {
        std::string folder = "/proc/" + std::to_string(pid) + "/fd/";
        for (int fd = 0; fd < 64; ++fd) {
            char target[PATH_MAX];
            ssize_t length = readlink((folder + std::to_string(fd)).c_str(), target, sizeof target - 1);
            if (length > 0 && std::string(target, static_cast<size_t>(length)) == device) {
                return true;
            }
        }
        usleep(10000);
    }
    return false;
}

// Plays "scancode P:V" through emitter 1.
bool sendByIrplay(const Scancode& scancode, const std::string& folder) {
    std::string file = folder + "/scancode.ir";
    std::ofstream(file) << "scancode " << formatScancode(scancode) << "\n";
    return finishedWell(start({programPath("irplay"), "-i", file, "-b", "1"}));
}

// Enables only the decoder of the protocol while it lives, then puts back
// the protocols that were enabled.
class EnabledDecoder {
public:
    explicit EnabledDecoder(const char* decoder) {
        std::string listed = readText(rcFolder() + "/protocols");
        for (size_t open = listed.find('['); open != std::string::npos; open = listed.find('[', open + 1)) {
            before_ += listed.substr(open + 1, listed.find(']', open) - open - 1) + " ";
        }
        enabled_ = write(decoder);
    }
    ~EnabledDecoder() { write(before_.empty() ? "none" : before_); }
    bool enabled() const { return enabled_; }

private:
    static bool write(const std::string& protocols) {
        std::ofstream out(rcFolder() + "/protocols");
        out << protocols << "\n";
        out.flush();
        return out.good();
    }
    std::string before_;
    bool enabled_ = false;
};

class ScratchFolder {
public:
    ScratchFolder() {
        char pattern[] = "/tmp/kernel-scancodes.XXXXXX";
        path_ = mkdtemp(pattern) ? pattern : "/tmp";
    }
    ~ScratchFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

Scancode scancodeOf(const char* text) {
    ScancodeReading reading = readScancode(text);
    EXPECT_TRUE(reading.ok()) << reading.reason;
    return reading.scancode;
}

class KernelEncoder : public ::testing::TestWithParam<const char*> {};

// (b) The kernel's encoder and irplay's file send the same edges; irplay
// repeats the frame where the protocol wants it.
TEST_P(KernelEncoder, SendsWhatIrplaySends) {
    Scancode scancode = scancodeOf(GetParam());
    ScratchFolder scratch;
    std::vector<uint32_t> kernel;
    {
        Descriptor receiver = openReceiver(LIRC_MODE_MODE2);
        if (!sendByKernel(scancode)) {
            ASSERT_EQ(scancode.protocol, Protocol::xbox_dvd) << "refused: " << strerror(errno);
            GTEST_SKIP() << "the kernel has no xbox-dvd encoder (" << strerror(errno) << ")";
        }
        kernel = receivedDurations(receiver);
    }
    EXPECT_EQ(kernel, encodeFrame(scancode));

    Descriptor receiver = openReceiver(LIRC_MODE_MODE2);
    ASSERT_TRUE(sendByIrplay(scancode, scratch.path()));
    std::vector<uint32_t> expected = kernel;
    const ProtocolInfo& info = infoOf(scancode.protocol);
    uint32_t length = 0;
    for (uint32_t d : kernel) {
        length += d;
    }
    for (unsigned frame = 1; frame < info.frames; ++frame) {
        expected.push_back(info.framePeriod - length);
        expected.insert(expected.end(), kernel.begin(), kernel.end());
    }
    EXPECT_EQ(receivedDurations(receiver), expected);
}

INSTANTIATE_TEST_SUITE_P(Scancodes, KernelEncoder, ::testing::ValuesIn(scancode_cases::threeOfEachProtocol),
                         [](const auto& test) { return testName(test.param); });

// Sends one short pulse in pulse mode: whatever a decoder was in the middle
// of, it has gone back to waiting for a frame once this has passed. After a
// transmission that rc-loopback ends with a carrier report, which it does
// while irrecord measures the carrier, the decoders never see the silence
// after the last pulse (in 6.1 that silence carries the carrier-report flag,
// which decoders skip) and are left inside the frame.
void resetDecoders() {
    Descriptor fd(open(devicePath().c_str(), O_RDWR | O_CLOEXEC));
    uint32_t mode = LIRC_MODE_PULSE, narrowband = 1, pulse = 100;
    ASSERT_EQ(ioctl(fd.get(), LIRC_SET_TRANSMITTER_MASK, &narrowband), 0);
    ASSERT_EQ(ioctl(fd.get(), LIRC_SET_SEND_MODE, &mode), 0);
    ASSERT_EQ(write(fd.get(), &pulse, sizeof pulse), static_cast<ssize_t>(sizeof pulse));
}

// The first scancode the kernel's decoder (only the protocol's enabled)
// reports of what `send` sends.
template <typename Send>
std::optional<lirc_scancode> kernelDecodes(Send send) {
    resetDecoders();
    Descriptor receiver = openReceiver(LIRC_MODE_SCANCODE);
    if (!send()) {
        ADD_FAILURE() << "not sent";
        return std::nullopt;
    }
    std::vector<lirc_scancode> named = receivedScancodes(receiver);
    if (named.empty()) {
        return std::nullopt;
    }
    return named.front();
}

class KernelDecoder : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        scancode_ = scancodeOf(GetParam());
        const char* decoder = kernelNames(scancode_.protocol).decoder;
        if (!decoder) {
            GTEST_SKIP() << "the kernel has no " << infoOf(scancode_.protocol).name << " decoder";
        }
        enabled_.emplace(decoder);
        ASSERT_TRUE(enabled_->enabled()) << "cannot enable " << decoder;
    }

    Scancode scancode_{};
    std::optional<EnabledDecoder> enabled_;
    ScratchFolder scratch_;
};

// (b) With only its protocol enabled, the kernel's decoder names what irplay
// sent as the scancode.
TEST_P(KernelDecoder, NamesWhatIrplaySent) {
    std::optional<lirc_scancode> named =
        kernelDecodes([this] { return sendByIrplay(scancode_, scratch_.path()); });
    ASSERT_TRUE(named) << "the kernel decoded nothing";
    EXPECT_EQ(named->rc_proto, kernelNames(scancode_.protocol).rcProto);
    EXPECT_EQ(named->scancode, scancode_.value);
    if (infoOf(scancode_.protocol).hasToggle) {
        EXPECT_EQ(named->flags & LIRC_SCANCODE_FLAG_TOGGLE, 0) << "an encoder sends toggle 0";
    }
}

// (c) irrecord's file names what the kernel's decoder names of the kernel's
// own frame.
TEST_P(KernelDecoder, NamesWhatIrrecordNames) {
    std::optional<lirc_scancode> named = kernelDecodes([this] { return sendByKernel(scancode_); });
    ASSERT_TRUE(named) << "the kernel decoded nothing of its own frame";
    std::optional<Protocol> protocol = protocolOf(named->rc_proto);
    ASSERT_TRUE(protocol);
    std::string expected =
        "# scancode " + formatScancode({*protocol, static_cast<uint32_t>(named->scancode)});
    if (infoOf(*protocol).hasToggle) {
        expected += named->flags & LIRC_SCANCODE_FLAG_TOGGLE ? " # toggle 1" : " # toggle 0";
    }

    std::string file = scratch_.path() + "/recorded.ir";
    pid_t irrecord = start({programPath("irrecord"), "-o", file});
    ASSERT_TRUE(waitUntilOpened(irrecord)) << "irrecord did not open " << devicePath();
    ASSERT_TRUE(sendByKernel(scancode_)) << strerror(errno);
    ASSERT_TRUE(finishedWell(irrecord));
    std::string recorded = readText(file);
    EXPECT_EQ(recorded.substr(0, recorded.find('\n')), expected) << recorded;
}

INSTANTIATE_TEST_SUITE_P(Scancodes, KernelDecoder, ::testing::ValuesIn(scancode_cases::oneOfEachProtocol),
                         [](const auto& test) { return testName(test.param); });

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The cases are listed anywhere, so that the kernel suite can report each.
    if (std::optional<std::string> why = notRcLoopback(); why && !GTEST_FLAG_GET(list_tests)) {
        std::printf("skipped: %s\n", why->c_str());
        return 77;
    }
    return RUN_ALL_TESTS();
}
