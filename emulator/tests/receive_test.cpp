// read(2) and poll(2) of what a receive script plays into the emulated device.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <linux/lirc.h>
#include <poll.h>
#include <unistd.h>

#include "emulator/tests/emulated_device.h"

namespace {

constexpr uint32_t pulse(uint32_t value) { return LIRC_MODE2_PULSE | value; }
constexpr uint32_t space(uint32_t value) { return LIRC_MODE2_SPACE | value; }
constexpr uint32_t timeoutSample(uint32_t value) { return LIRC_MODE2_TIMEOUT | value; }

// Reads with a blocking fd until `count` samples came or `deadlineMicroseconds` passed.
std::vector<uint32_t> readSamples(int fd, size_t count, int64_t deadlineMicroseconds = 2000000) {
    std::vector<uint32_t> samples;
    int64_t end = microsecondsNow() + deadlineMicroseconds;
    while (samples.size() < count && microsecondsNow() < end) {
        pollfd wanted{fd, POLLIN, 0};
        if (poll(&wanted, 1, 50) != 1 || (wanted.revents & POLLIN) == 0) {
            continue;
        }
        uint32_t buffer[64];
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        samples.insert(samples.end(), buffer, buffer + got / 4);
    }
    return samples;
}

// Scripts whose samples are read back as they are.
struct ScriptCase {
    const char* name;
    const char* script;
    std::vector<uint32_t> samples;
};

class ScriptSamples : public EmulatedDevice, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(ScriptSamples, AreReadInOrder) {
    receive(GetParam().script);
    int fd = openDevice();
    EXPECT_EQ(readSamples(fd, GetParam().samples.size()), GetParam().samples);
    // and nothing more arrives
    pollfd wanted{fd, POLLIN, 0};
    EXPECT_EQ(poll(&wanted, 1, 30), 0);
    close(fd);
}

INSTANTIATE_TEST_SUITE_P(
    Emulator, ScriptSamples,
    ::testing::Values(
        ScriptCase{"PulsesAndSpaces", "pulse 9000\nspace 4500\npulse 560\n", {pulse(9000), space(4500), pulse(560)}},
        ScriptCase{"CommentsAndBlankLines",
                   "# a comment\n\n  pulse 100   # trailing\nspace 200\n",
                   {pulse(100), space(200)}},
        ScriptCase{"TimeoutAndOverflow", "pulse 10\ntimeout 20000\noverflow\n",
                   {pulse(10), timeoutSample(20000), LIRC_MODE2_OVERFLOW | LIRC_VALUE_MASK}},
        ScriptCase{"BadLinesSkipped", "pulse\npulse x\nhop 3\npulse 7\n", {pulse(7)}},
        ScriptCase{"ValueCappedAt24Bits", "space 99999999\n", {space(LIRC_VALUE_MASK)}},
        ScriptCase{"EndUsesTheDefaultTimeout", "pulse 500\nend\n", {pulse(500), timeoutSample(125000)}},
        // The first pulse or space after a timeout comes after a space of the time since it.
        ScriptCase{"GapAfterTimeout", "pulse 10\ntimeout 20000\nwait 30\npulse 20\n",
                   {pulse(10), timeoutSample(20000), space(30000), pulse(20)}},
        ScriptCase{"CarrierOnlyWhenMeasuring", "carrier 38000\npulse 500\n", {pulse(500)}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// read(2) buffer sizes that are not whole samples.
class ReadLength : public EmulatedDevice, public ::testing::WithParamInterface<size_t> {};

TEST_P(ReadLength, NotAWholeNumberOfSamplesIsEinval) {
    receive("pulse 100\n");
    int fd = openDevice();
    char buffer[16];
    errno = 0;
    EXPECT_EQ(read(fd, buffer, GetParam()), -1);
    EXPECT_EQ(errno, EINVAL);
    close(fd);
}

INSTANTIATE_TEST_SUITE_P(Emulator, ReadLength, ::testing::Values(0, 1, 3, 5, 6, 10));

TEST_F(EmulatedDevice, ReadReturnsWhatIsReadyWithoutFillingTheBuffer) {
    receive("pulse 100\nspace 200\nwait 10000\npulse 300\n");
    int fd = openDevice();
    uint32_t buffer[32];
    EXPECT_EQ(read(fd, buffer, sizeof buffer), 8);
    EXPECT_EQ(buffer[0], pulse(100));
    EXPECT_EQ(buffer[1], space(200));
    close(fd);
}

TEST_F(EmulatedDevice, ReadOneSampleAtATime) {
    receive("pulse 100\nspace 200\n");
    int fd = openDevice();
    uint32_t sample = 0;
    EXPECT_EQ(read(fd, &sample, 4), 4);
    EXPECT_EQ(sample, pulse(100));
    EXPECT_EQ(read(fd, &sample, 4), 4);
    EXPECT_EQ(sample, space(200));
    close(fd);
}

TEST_F(EmulatedDevice, WaitHoldsBackTheFollowingSamples) {
    receive("pulse 100\nwait 150\npulse 200\n");
    int fd = openDevice(O_RDWR | O_NONBLOCK);
    uint32_t buffer[8];
    EXPECT_EQ(read(fd, buffer, sizeof buffer), 4);
    errno = 0;
    EXPECT_EQ(read(fd, buffer, sizeof buffer), -1);
    EXPECT_EQ(errno, EAGAIN);
    pollfd wanted{fd, POLLIN, 0};
    EXPECT_EQ(poll(&wanted, 1, 50), 0) << "ready before the wait was over";
    int64_t start = microsecondsNow();
    EXPECT_EQ(poll(&wanted, 1, 1000), 1);
    EXPECT_EQ(wanted.revents, POLLIN);
    EXPECT_GT(microsecondsNow() - start, 50000);
    EXPECT_EQ(read(fd, buffer, sizeof buffer), 4);
    EXPECT_EQ(buffer[0], pulse(200));
    close(fd);
}

TEST_F(EmulatedDevice, BlockingReadWaitsForTheNextSample) {
    receive("wait 100\npulse 200\n");
    int64_t start = microsecondsNow();  // the script's clock starts inside open
    int fd = openDevice();
    uint32_t sample = 0;
    EXPECT_EQ(read(fd, &sample, 4), 4);
    EXPECT_GE(microsecondsNow() - start, 100000);
    EXPECT_EQ(sample, pulse(200));
    close(fd);
}

TEST_F(EmulatedDevice, NonBlockingSetByFcntlIsHonoured) {
    receive("wait 5000\npulse 200\n");
    int fd = openDevice();
    ASSERT_EQ(fcntl(fd, F_SETFL, O_NONBLOCK), 0);
    uint32_t sample = 0;
    errno = 0;
    EXPECT_EQ(read(fd, &sample, 4), -1);
    EXPECT_EQ(errno, EAGAIN);
    close(fd);
}

// `end` comes the device's receive timeout after the last sample, as set at the time.
struct EndCase {
    const char* name;
    uint32_t timeout;  // 0: left at the default
    uint32_t expected;
};

class EndOfSignal : public EmulatedDevice, public ::testing::WithParamInterface<EndCase> {};

TEST_P(EndOfSignal, ComesAfterTheCurrentReceiveTimeout) {
    receive("pulse 560\nend\n");
    int64_t opening = microsecondsNow();  // the pulse is ready from the open on
    int fd = openDevice();
    if (GetParam().timeout != 0) {
        ASSERT_EQ(ioctlValue(fd, LIRC_SET_REC_TIMEOUT, GetParam().timeout).result, 0);
    }
    uint32_t sample = 0;
    ASSERT_EQ(read(fd, &sample, 4), 4);
    ASSERT_EQ(read(fd, &sample, 4), 4);
    int64_t waited = microsecondsNow() - opening;
    EXPECT_EQ(sample, timeoutSample(GetParam().expected));
    EXPECT_GE(waited, static_cast<int64_t>(GetParam().expected));
    close(fd);
}

INSTANTIATE_TEST_SUITE_P(Emulator, EndOfSignal,
                         ::testing::Values(EndCase{"Default", 0, 125000}, EndCase{"Short", 20000, 20000},
                                           EndCase{"Long", 300000, 300000}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

// LIRC_EMULATOR_RECEIVE_LOG: one line per sample the program was handed, with the time the
// script made it ready, which measurements of a program's reaction time start from.
struct LoggedSample {
    int64_t readyAfterFirst;  // microseconds after the first line's ready time
    std::string sample;       // as the receive script names it
};

struct ReceiveLogCase {
    const char* name;
    const char* script;  // its first sample ready at the open
    uint32_t timeout;    // 0: left at the default
    bool measureCarrier;
    std::vector<LoggedSample> logged;
};

void PrintTo(const ReceiveLogCase& c, std::ostream* out) { *out << c.name; }

class ReceiveLog : public EmulatedDevice, public ::testing::WithParamInterface<ReceiveLogCase> {};

TEST_P(ReceiveLog, HasEachDeliveredSampleWithWhenItWasReady) {
    const ReceiveLogCase& c = GetParam();
    configure("RECEIVE_LOG", path("receive.log"));
    receive(c.script);
    int64_t opening = microsecondsNow();
    int fd = openDevice();
    if (c.timeout != 0) {
        ASSERT_EQ(ioctlValue(fd, LIRC_SET_REC_TIMEOUT, c.timeout).result, 0);
    }
    if (c.measureCarrier) {
        ASSERT_EQ(ioctlValue(fd, LIRC_SET_MEASURE_CARRIER_MODE, 1).result, 0);
    }
    EXPECT_EQ(readSamples(fd, c.logged.size()).size(), c.logged.size());
    int64_t allRead = microsecondsNow();
    close(fd);

    std::istringstream log(readFile(path("receive.log")));
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), c.logged.size()) << readFile(path("receive.log"));
    int64_t firstReady = 0;
    for (size_t index = 0; index < lines.size(); ++index) {
        int64_t ready = 0;
        int64_t queued = 0;
        int consumed = 0;
        ASSERT_EQ(sscanf(lines[index].c_str(), "ready=%" SCNd64 " queued=%" SCNd64 " %n", &ready, &queued,
                         &consumed),
                  2)
            << lines[index];
        if (index == 0) {
            firstReady = ready;
            EXPECT_GE(ready, opening) << "ready before the file was opened";
        }
        EXPECT_EQ(lines[index].substr(static_cast<size_t>(consumed)), c.logged[index].sample);
        EXPECT_EQ(ready - firstReady, c.logged[index].readyAfterFirst) << lines[index];
        EXPECT_LE(ready, queued) << "queued before it was ready: " << lines[index];
        EXPECT_LE(queued, allRead) << lines[index];
    }
}

INSTANTIATE_TEST_SUITE_P(
    Emulator, ReceiveLog,
    ::testing::Values(
        ReceiveLogCase{"SamplesWaitsAndEnd",
                       "pulse 900\nspace 450\nwait 30\npulse 900\nend\n",
                       20000,
                       false,
                       {{0, "pulse 900"}, {0, "space 450"}, {30000, "pulse 900"}, {50000, "timeout 20000"}}},
        ReceiveLogCase{"EndAfterTheDefaultTimeout", "pulse 560\nend\n", 0, false,
                       {{0, "pulse 560"}, {125000, "timeout 125000"}}},
        ReceiveLogCase{"UnmeasuredCarrierIsNotDelivered", "pulse 100\ncarrier 38000\nspace 200\n", 0, false,
                       {{0, "pulse 100"}, {0, "space 200"}}},
        // The wait leaves the test time to turn measuring on before the
        // carrier is due, also on a loaded machine or under qemu-user.
        ReceiveLogCase{"MeasuredCarrier", "pulse 100\nwait 100\ncarrier 38000\nspace 200\n", 0, true,
                       {{0, "pulse 100"}, {100000, "carrier 38000"}, {100000, "space 200"}}},
        ReceiveLogCase{"TimeoutSampleAndOverflow", "pulse 100\ntimeout 20000\noverflow\n", 0, false,
                       {{0, "pulse 100"}, {0, "timeout 20000"}, {0, "overflow"}}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(EmulatedDevice, CarrierSamplesReachAReceiverThatMeasures) {
    receive("wait 30\ncarrier 38000\npulse 500\n");
    int fd = openDevice();
    ASSERT_EQ(ioctlValue(fd, LIRC_SET_MEASURE_CARRIER_MODE, 1).result, 0);
    EXPECT_EQ(readSamples(fd, 2), (std::vector<uint32_t>{LIRC_MODE2_FREQUENCY | 38000, pulse(500)}));
    close(fd);
}

TEST_F(EmulatedDevice, UnpluggedDeviceFailsEverything) {
    receive("pulse 100\nunplug\n");
    int fd = openDevice();
    pollfd wanted{fd, POLLIN | POLLOUT, 0};
    EXPECT_EQ(poll(&wanted, 1, 100), 1);
    EXPECT_EQ(wanted.revents, POLLERR | POLLHUP);
    uint32_t buffer[4];
    errno = 0;
    EXPECT_EQ(read(fd, buffer, sizeof buffer), -1);  // even with a sample still queued
    EXPECT_EQ(errno, ENODEV);
    EXPECT_EQ(ioctlValue(fd, LIRC_GET_FEATURES).error, ENODEV);
    uint32_t signal = 560;
    errno = 0;
    EXPECT_EQ(write(fd, &signal, 4), -1);
    EXPECT_EQ(errno, ENODEV);
    EXPECT_EQ(close(fd), 0);
}

TEST_F(EmulatedDevice, UnplugAfterAWait) {
    receive("wait 100\nunplug\n");
    int fd = openDevice();
    EXPECT_EQ(ioctlValue(fd, LIRC_GET_FEATURES).result, 0);
    pollfd wanted{fd, POLLIN, 0};
    EXPECT_EQ(poll(&wanted, 1, 1000), 1);
    EXPECT_EQ(wanted.revents, POLLERR | POLLHUP);
    close(fd);
}

TEST_F(EmulatedDevice, FloodNeverGoesQuiet) {
    receive("flood\n");
    int fd = openDevice();
    uint32_t buffer[1024];
    size_t total = 0;
    for (int round = 0; round < 20; ++round) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        ASSERT_GT(got, 0);
        ASSERT_LE(got, 512 * 4) << "more than the queue holds";
        for (ssize_t index = 0; index < got / 4; ++index) {
            uint32_t expected = (total + index) % 2 == 0 ? pulse(500) : space(500);
            ASSERT_EQ(buffer[index], expected);
        }
        total += static_cast<size_t>(got / 4);
    }
    EXPECT_GE(total, 20U * 512);
    close(fd);
}

TEST_F(EmulatedDevice, FullQueueDropsSamples) {
    std::string script;
    for (int index = 0; index < 600; ++index) {
        script += "pulse " + std::to_string(index + 1) + "\n";
    }
    receive(script);
    int fd = openDevice(O_RDWR | O_NONBLOCK);
    uint32_t buffer[1024];
    ASSERT_EQ(read(fd, buffer, sizeof buffer), 512 * 4);
    EXPECT_EQ(buffer[511], pulse(512));
    errno = 0;
    EXPECT_EQ(read(fd, buffer, sizeof buffer), -1);
    EXPECT_EQ(errno, EAGAIN);
    close(fd);
}

TEST_F(EmulatedDevice, EachOpenFileHearsTheScriptFromItsOpen) {
    receive("pulse 100\nwait 80\npulse 200\n");
    int first = openDevice(O_RDWR | O_NONBLOCK);
    usleep(120000);
    int second = openDevice(O_RDWR | O_NONBLOCK);
    uint32_t buffer[8];
    EXPECT_EQ(read(first, buffer, sizeof buffer), 8);
    EXPECT_EQ(read(second, buffer, sizeof buffer), 4);
    EXPECT_EQ(buffer[0], pulse(100));
    close(first);
    close(second);
}

TEST_F(EmulatedDevice, ReadOnADeviceThatCannotReceiveIsEinval) {
    configure("WITHOUT", "receive");
    int fd = openDevice();
    uint32_t sample = 0;
    errno = 0;
    EXPECT_EQ(read(fd, &sample, 4), -1);
    EXPECT_EQ(errno, EINVAL);
    close(fd);
}

TEST_F(EmulatedDevice, PollNeverReportsPollout) {
    receive("pulse 100\n");
    int fd = openDevice();
    pollfd wanted{fd, POLLIN | POLLOUT | POLLRDNORM, 0};
    EXPECT_EQ(poll(&wanted, 1, 100), 1);
    EXPECT_EQ(wanted.revents, POLLIN | POLLRDNORM);
    close(fd);
}

TEST_F(EmulatedDevice, PollTimesOutWhenNothingComes) {
    int fd = openDevice();
    pollfd wanted{fd, POLLIN, 0};
    int64_t start = microsecondsNow();
    EXPECT_EQ(poll(&wanted, 1, 80), 0);
    int64_t waited = microsecondsNow() - start;
    EXPECT_GE(waited, 80000);
    EXPECT_EQ(wanted.revents, 0);
    close(fd);
}

TEST_F(EmulatedDevice, PollOverEmulatedAndRealFds) {
    receive("wait 100\npulse 100\n");
    int fd = openDevice();
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);

    // The real fd becomes ready first, the emulated one later.
    ASSERT_EQ(write(pipeFds[1], "x", 1), 1);
    pollfd set[3] = {{fd, POLLIN, 0}, {-1, POLLIN, 0}, {pipeFds[0], POLLIN, 0}};
    EXPECT_EQ(poll(set, 3, 1000), 1);
    EXPECT_EQ(set[0].revents, 0);
    EXPECT_EQ(set[2].revents, POLLIN);
    char byte = 0;
    ASSERT_EQ(read(pipeFds[0], &byte, 1), 1);

    EXPECT_EQ(poll(set, 3, 1000), 1);
    EXPECT_EQ(set[0].revents, POLLIN);
    EXPECT_EQ(set[2].revents, 0);

    // ppoll too, with both ready.
    ASSERT_EQ(write(pipeFds[1], "y", 1), 1);
    timespec timeout{1, 0};
    EXPECT_EQ(ppoll(set, 3, &timeout, nullptr), 2);
    close(pipeFds[0]);
    close(pipeFds[1]);
    close(fd);
}

// rc-loopback's quirk: with carrier reports on, the end of a message is a carrier
// sample of the timeout's value.
TEST_F(EmulatedDevice, EndAsCarrierQuirk) {
    configure("QUIRKS", "end-as-carrier");
    receive("await-reader\npulse 500\nend\n");
    int fd = openDevice();
    ASSERT_EQ(ioctlValue(fd, LIRC_SET_MEASURE_CARRIER_MODE, 1).result, 0);
    EXPECT_EQ(readSamples(fd, 2), (std::vector<uint32_t>{pulse(500), LIRC_MODE2_FREQUENCY | 125000}));
    close(fd);
}

}  // namespace
