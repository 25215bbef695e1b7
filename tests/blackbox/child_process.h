// Runs a program as a child process and collects what it did.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

struct ChildLaunch {
    std::vector<std::string> command;  // command[0] is the program's path
    std::vector<std::string> setEnvironment;  // "NAME=value" entries added to ours
    std::vector<std::string> unsetEnvironment;
    std::string workingFolder;
    std::optional<uint32_t> runAsUser;  // drop root to this uid (and its gid) in the child
    int timeoutSeconds = 60;
    int signalToSend = 0;  // sent to the child this long after it started, if set
    int signalAfterMilliseconds = 0;
    // Called once in the parent right after the child started, with its pid.
    std::function<void(pid_t)> whileRunning;
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

ChildResult runChild(const ChildLaunch& launch);

int64_t monotonicNow();
