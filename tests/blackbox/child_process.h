// Runs a program as a child process and collects what it did.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ChildLaunch {
    std::vector<std::string> command;  // command[0] is the program's path
    std::vector<std::string> setEnvironment;  // "NAME=value" entries added to ours
    std::vector<std::string> unsetEnvironment;
    std::string workingFolder;
    std::optional<uint32_t> runAsUser;  // drop root to this uid (and its gid) in the child
    int timeoutSeconds = 60;
    int signalToSend = 0;  // sent to the child this long after it started, if set
    int signalAfterMilliseconds = 0;
};

struct ChildResult {
    std::string standardOutput;
    std::string standardError;
    bool exited = false;  // false when killed by a signal
    int exitStatus = -1;
    int signal = 0;
    bool timedOut = false;
    bool signalSent = false;
    int64_t startNanoseconds = 0;  // CLOCK_MONOTONIC, just before the child started
    int64_t endNanoseconds = 0;    // CLOCK_MONOTONIC, when it had been reaped
};

// Runs the command. A program that the kernel cannot run (a cross build's
// program on the build machine, ENOEXEC) is run through programEmulator(),
// qemu-user, which then also gets the LD_PRELOAD of the launch (through
// QEMU_SET_ENV), so that the emulated device is loaded into the target's
// programs, however they are started, and into no program of this machine.
ChildResult runChild(const ChildLaunch& launch);

// The emulator that runs the build's programs where the kernel cannot, as
// the words of a command (qemu-user for a cross build, as CTest runs the
// tests themselves); none for a native build.
std::vector<std::string> programEmulator();
// The words that start the program at `path` from a shell or from a wrapper
// such as ir-emulate, which do not fall back on the emulator themselves.
std::vector<std::string> programCommand(const std::string& path);

int64_t monotonicNow();
