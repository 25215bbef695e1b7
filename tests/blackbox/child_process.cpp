#include "tests/blackbox/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <grp.h>

int64_t monotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Set by the program_emulator target (tests/blackbox/CMakeLists.txt); a
// program built without it starts the build's programs only natively.
#ifndef PROGRAM_EMULATOR
#define PROGRAM_EMULATOR ""
#endif

namespace {

[[noreturn]] void failInChild(const char* what) {
    dprintf(2, "child_process: %s: %s\n", what, strerror(errno));
    _exit(126);
}

void startChild(const ChildLaunch& launch, const std::vector<std::string>& emulator, int outWrite,
                int errWrite) {
    dup2(outWrite, 1);
    dup2(errWrite, 2);
    if (!launch.workingFolder.empty() && chdir(launch.workingFolder.c_str()) != 0) {
        failInChild("chdir");
    }
    for (const std::string& name : launch.unsetEnvironment) {
        unsetenv(name.c_str());
    }
    for (const std::string& entry : launch.setEnvironment) {
        size_t equals = entry.find('=');
        std::string name = entry.substr(0, equals);
        if (name == "LD_PRELOAD" && !emulator.empty()) {
            // A library of the target's architecture, for the target's
            // programs only: qemu-user hands it to them, and programs of this
            // machine (the shell that starts a program) never try to load it.
            name = "QEMU_SET_ENV";
            unsetenv("LD_PRELOAD");
            setenv(name.c_str(), entry.c_str(), 1);
            continue;
        }
        setenv(name.c_str(), entry.substr(equals + 1).c_str(), 1);
    }
    if (launch.runAsUser) {
        gid_t group = *launch.runAsUser;
        if (setgroups(0, nullptr) != 0 || setgid(group) != 0 || setuid(*launch.runAsUser) != 0) {
            failInChild("dropping root");
        }
    }
    std::vector<char*> arguments;
    for (const std::string& argument : launch.command) {
        arguments.push_back(const_cast<char*>(argument.c_str()));
    }
    arguments.push_back(nullptr);
    execv(arguments[0], arguments.data());
    if (errno == ENOEXEC && !emulator.empty()) {
        std::vector<char*> emulated;
        for (const std::string& word : emulator) {
            emulated.push_back(const_cast<char*>(word.c_str()));
        }
        emulated.insert(emulated.end(), arguments.begin(), arguments.end());
        execv(emulated[0], emulated.data());
        failInChild(emulated[0]);
    }
    failInChild(arguments[0]);
}

}  // namespace

std::vector<std::string> programEmulator() {
    std::vector<std::string> words;
    std::istringstream command(PROGRAM_EMULATOR);
    for (std::string word; command >> word;) {
        words.push_back(word);
    }
    return words;
}

std::vector<std::string> programCommand(const std::string& path) {
    std::vector<std::string> words = programEmulator();
    words.push_back(path);
    return words;
}

ChildResult runChild(const ChildLaunch& launch) {
    ChildResult result;
    const std::vector<std::string> emulator = programEmulator();
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        result.standardError = "pipe failed";
        return result;
    }
    result.startNanoseconds = monotonicNow();
    pid_t child = fork();
    if (child == 0) {
        startChild(launch, emulator, out[1], err[1]);
    }
    close(out[1]);
    close(err[1]);
    if (child > 0 && launch.whileRunning) {
        launch.whileRunning(child);
    }

    // Reads until the child has exited, not until the pipes close: a daemon it
    // started (wineserver, say) may hold them open for longer.
    int64_t deadline = result.startNanoseconds + int64_t{launch.timeoutSeconds} * 1000000000;
    pollfd streams[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.standardOutput, &result.standardError};
    auto drain = [&](int timeoutMilliseconds) {
        if (poll(streams, 2, timeoutMilliseconds) <= 0) {
            return false;
        }
        bool gotAny = false;
        for (int i = 0; i < 2; ++i) {
            if (streams[i].fd >= 0 && streams[i].revents != 0) {
                char buffer[4096];
                ssize_t got = read(streams[i].fd, buffer, sizeof buffer);
                if (got > 0) {
                    sinks[i]->append(buffer, static_cast<size_t>(got));
                    gotAny = true;
                } else {
                    close(streams[i].fd);
                    streams[i].fd = -1;
                }
            }
        }
        return gotAny;
    };
    int status = 0;
    for (;;) {
        pid_t reaped = waitpid(child, &status, WNOHANG);
        if (reaped == child) {
            break;
        }
        if (launch.signalToSend != 0 && !result.signalSent &&
            monotonicNow() - result.startNanoseconds >
                int64_t{launch.signalAfterMilliseconds} * 1000000) {
            kill(child, launch.signalToSend);
            result.signalSent = true;
        }
        if (monotonicNow() > deadline && !result.timedOut) {
            result.timedOut = true;
            kill(child, SIGKILL);
        }
        drain(5);
    }
    result.endNanoseconds = monotonicNow();
    while (drain(0)) {
    }
    for (pollfd& stream : streams) {
        if (stream.fd >= 0) {
            close(stream.fd);
        }
    }
    result.exited = WIFEXITED(status);
    result.exitStatus = result.exited ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return result;
}
