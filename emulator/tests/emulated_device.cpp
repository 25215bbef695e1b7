#include "emulator/tests/emulated_device.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>


namespace {

const char* const kVariables[] = {"DEVICE", "EMITTERS",    "WITHOUT",  "RECEIVE",    "RECEIVE_LOG",
                                  "LOG",    "WRITE_ERROR", "NO_DELAY", "STATE"};

}  // namespace

void EmulatedDevice::SetUp() {
    char pattern[] = "/tmp/lirc-emulator-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    for (const char* name : kVariables) {
        configure(name, "");
    }
    configure("DEVICE", devicePath());
    configure("STATE", path("state"));
    configure("LOG", path("log"));
    configure("NO_DELAY", "1");
}

void EmulatedDevice::TearDown() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void EmulatedDevice::configure(const std::string& name, const std::string& value) {
    std::string variable = "LIRC_EMULATOR_" + name;
    if (value.empty()) {
        unsetenv(variable.c_str());
    } else {
        setenv(variable.c_str(), value.c_str(), 1);
    }
}

void EmulatedDevice::receive(const std::string& script) {
    writeFile(path("receive.script"), script);
    configure("RECEIVE", path("receive.script"));
}

int EmulatedDevice::openDevice(int flags) {
    int fd = open(devicePath().c_str(), flags);
    EXPECT_GE(fd, 0) << "open " << devicePath() << ": " << strerror(errno);
    return fd;
}

std::vector<std::string> EmulatedDevice::logLines() const { return linesOf(readFile(path("log"))); }

std::string EmulatedDevice::stateText() const {
    return readFile(path("state"));
}

IoctlOutcome ioctlValue(int fd, unsigned long request, uint32_t value) {
    errno = 0;
    int result = ioctl(fd, request, &value);
    return {result, result < 0 ? errno : 0, value};
}

int64_t microsecondsNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}
