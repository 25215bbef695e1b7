// A fresh emulated device for each test: its own scratch folder, device path, state file
// and log, and an environment cleared of every LIRC_EMULATOR_* setting but these. The
// emulator reads its configuration at each open, so a test sets variables, then opens.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>

#include <gtest/gtest.h>

#include "tests/blackbox/scratch_folder.h"

class EmulatedDevice : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Sets (or with an empty value, removes) one LIRC_EMULATOR_<name> variable.
    void configure(const std::string& name, const std::string& value);
    // Writes a receive script and points LIRC_EMULATOR_RECEIVE at it.
    void receive(const std::string& script);

    int openDevice(int flags = O_RDWR | O_CLOEXEC);

    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    std::string devicePath() const { return path("lirc0"); }
    std::vector<std::string> logLines() const;
    std::string stateText() const;

private:
    std::string folder_;
};


// ioctl with a u32 argument: the result, errno (0 on success) and the value afterwards.
struct IoctlOutcome {
    int result;
    int error;
    uint32_t value;
};
IoctlOutcome ioctlValue(int fd, unsigned long request, uint32_t value = 0);

int64_t microsecondsNow();
