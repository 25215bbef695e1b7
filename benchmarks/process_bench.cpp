// irplay, irrecord and ir-ctl as whole processes on the emulated LIRC device:
// how long irplay takes beside ir-ctl sending the same file, and the peak
// resident memory of each. Every child is started with posix_spawn, timed with
// CLOCK_MONOTONIC from before the spawn to after wait4 returned, and its
// ru_maxrss taken from wait4.
//
//   process_bench [--runs N] [--markdown FILE]
//
// Every run is checked (exit status, what the program printed, what the
// device sent or the file recorded); one that went wrong stops the driver
// with exit status 1, so that no figure comes from a failed run. With
// --markdown the results are written to FILE as sections of BENCHMARKS.md.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "benchmarks/bench_options.h"
#include "benchmarks/bench_signals.h"
#include "ostrel/codec/signal_file.h"

extern char** environ;

namespace {

// irplay pauses this long after sending, by design; it is taken off its time.
constexpr double irplayPauseMilliseconds = 100;
// Goals.
constexpr double playRatioGoal = 1.0;
constexpr double residentGoalKiB = 4096;

int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

[[noreturn]] void stop(const std::string& why) { throw std::runtime_error(why); }

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    if (!file) {
        stop("cannot write " + path);
    }
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double largest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// Our environment without anything that would choose a device, a library or
// an emulator setting for the children, and then the entries given.
std::vector<std::string> environmentWith(const std::vector<std::string>& entries) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string_view text(*entry);
        if (text.starts_with("LD_PRELOAD=") || text.starts_with("LD_LIBRARY_PATH=") ||
            text.starts_with("OSTREL_DEVICE=") || text.starts_with("LIRC_EMULATOR_")) {
            continue;
        }
        result.emplace_back(text);
    }
    result.insert(result.end(), entries.begin(), entries.end());
    return result;
}

struct Child {
    pid_t pid = -1;
    int64_t startNanoseconds = 0;
};

struct Outcome {
    int64_t startNanoseconds = 0;
    int64_t endNanoseconds = 0;  // after wait4 returned
    int status = 0;
    long maxResidentKiB = 0;    // ru_maxrss from wait4
    long peakAtExitKiB = 0;     // VmHWM at the exit stop, for a traced run
    std::string standardOutput;
    std::string standardError;

    double milliseconds() const { return static_cast<double>(endNanoseconds - startNanoseconds) / 1e6; }
    bool exitedWith(int code) const { return WIFEXITED(status) && WEXITSTATUS(status) == code; }
};

// The strings as the argv or envp of exec: pointers into them, then null.
std::vector<char*> nullTerminated(const std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (const std::string& text : strings) {
        pointers.push_back(const_cast<char*>(text.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

class Launcher {
public:
    explicit Launcher(std::string scratch)
        : stdoutPath_(scratch + "/child.stdout"), stderrPath_(scratch + "/child.stderr") {}

    Child start(const std::vector<std::string>& command, const std::vector<std::string>& environment) {
        std::vector<char*> argv = nullTerminated(command);
        std::vector<char*> envp = nullTerminated(environment);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, stdoutPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        Child child;
        child.startNanoseconds = monotonicNanoseconds();
        int failed = posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0) {
            stop("cannot start " + command[0] + ": " + std::strerror(failed));
        }
        return child;
    }

    Outcome finish(const Child& child) {
        Outcome outcome;
        outcome.startNanoseconds = child.startNanoseconds;
        rusage usage{};
        while (wait4(child.pid, &outcome.status, 0, &usage) < 0) {
            if (errno != EINTR) {
                stop(std::string("wait4: ") + std::strerror(errno));
            }
        }
        outcome.endNanoseconds = monotonicNanoseconds();
        outcome.maxResidentKiB = usage.ru_maxrss;  // kilobytes on Linux
        outcome.standardOutput = readFile(stdoutPath_);
        outcome.standardError = readFile(stderrPath_);
        return outcome;
    }

    Outcome run(const std::vector<std::string>& command, const std::vector<std::string>& environment) {
        return finish(start(command, environment));
    }

    // Runs the command traced, stopped once at its exit (PTRACE_O_TRACEEXIT)
    // while its memory is still there, to read its own peak resident set
    // (VmHWM). wait4's ru_maxrss cannot tell it: the kernel counts into it the
    // peak of the memory the child had before exec, a copy of this driver's
    // (or with posix_spawn, this driver's own). Not timed.
    Outcome runTraced(const std::vector<std::string>& command, const std::vector<std::string>& environment) {
        std::vector<char*> argv = nullTerminated(command);
        std::vector<char*> envp = nullTerminated(environment);
        Outcome outcome;
        outcome.startNanoseconds = monotonicNanoseconds();
        pid_t pid = fork();
        if (pid < 0) {
            stop(std::string("fork: ") + std::strerror(errno));
        }
        if (pid == 0) {
            // Only async-signal-safe calls between fork and exec.
            int in = open("/dev/null", O_RDONLY);
            int out = open(stdoutPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = open(stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
                ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) {
                _exit(127);
            }
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        rusage usage{};
        bool first = true;
        for (;;) {
            int status = 0;
            if (wait4(pid, &status, 0, &usage) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                stop(std::string("wait4: ") + std::strerror(errno));
            }
            if (WIFEXITED(status) || WIFSIGNALED(status)) {
                outcome.status = status;
                break;
            }
            int deliver = 0;
            if (first) {
                // The stop after execve: from here on, stop at the exit too.
                first = false;
                ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL);
            } else if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
                outcome.peakAtExitKiB = statusField(pid, "VmHWM:");
            } else {
                deliver = WSTOPSIG(status);  // a signal for the program: pass it on
            }
            ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(static_cast<intptr_t>(deliver)));
        }
        outcome.endNanoseconds = monotonicNanoseconds();
        outcome.maxResidentKiB = usage.ru_maxrss;
        outcome.standardOutput = readFile(stdoutPath_);
        outcome.standardError = readFile(stderrPath_);
        if (outcome.peakAtExitKiB == 0 && outcome.exitedWith(0)) {
            stop(command[0] + ": no exit stop seen");
        }
        return outcome;
    }

    // A "Name:   N kB" line of /proc/PID/status, in KiB; 0 when missing.
    static long statusField(pid_t pid, const char* name) {
        std::istringstream status(readFile("/proc/" + std::to_string(pid) + "/status"));
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with(name)) {
                return std::atol(line.c_str() + std::strlen(name));
            }
        }
        return 0;
    }

private:
    std::string stdoutPath_;
    std::string stderrPath_;
};

struct Paths {
    std::string irplay = PROGRAMS_FOLDER "/irplay";
    std::string irrecord = PROGRAMS_FOLDER "/irrecord";
    std::string emulator = EMULATOR_LIBRARY;
    std::string irctl = IR_CTL;
    std::string necScript = NEC_KEY_SCRIPT;
};

// The environment of a program on the emulated device at `device`, the
// library pointed at it and write(2) not waiting out the signal, with `more`.
std::vector<std::string> emulatedEnvironment(const Paths& paths, const std::string& device,
                                             std::vector<std::string> more) {
    std::vector<std::string> entries = {
        "LD_PRELOAD=" + paths.emulator,
        "LIRC_EMULATOR_DEVICE=" + device,
        "OSTREL_DEVICE=" + device,
        "LIRC_EMULATOR_NO_DELAY=1",
    };
    entries.insert(entries.end(), more.begin(), more.end());
    return environmentWith(entries);
}

void expectOutcome(const Outcome& outcome, const std::string& what, const std::string& output) {
    if (!outcome.exitedWith(0) || outcome.standardOutput != output || !outcome.standardError.empty()) {
        stop(what + ": status " + std::to_string(outcome.status) + ", output \"" + outcome.standardOutput +
             "\", errors \"" + outcome.standardError + "\"");
    }
}

// Peak resident memory, KiB, by what ran.
struct Peaks {
    std::map<std::string, std::vector<double>> kib;     // ru_maxrss, posix_spawn and wait4
    std::map<std::string, std::vector<double>> atExit;  // VmHWM at the exit stop
};

struct PlayFigures {
    std::string file;
    size_t values = 0;
    double irplayMilliseconds = 0;
    double irctlMilliseconds = 0;
    double ratio = 0;
    // How long a 100 ms nanosleep took in this driver beside those runs: the
    // pause as the machine gives it, overshoot and wake-up latency included.
    double pauseMilliseconds = 0;
    double ratioBeyondMeasuredPause = 0;
};

// One 100 ms nanosleep, timed, as irplay pauses.
double timedPause() {
    int64_t start = monotonicNanoseconds();
    timespec remaining{0, static_cast<long>(irplayPauseMilliseconds * 1e6)};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
    return static_cast<double>(monotonicNanoseconds() - start) / 1e6;
}

// irplay -i FILE and ir-ctl --send FILE on the same emulated device, runs
// interleaved (each pair in alternating order), write(2) not waiting for the
// signal's duration on either side.
PlayFigures comparePlay(Launcher& launcher, const Paths& paths, const std::string& scratch,
                        const std::string& name, const ostrel::Signal& signal, int runs, Peaks& peaks) {
    std::string file = scratch + "/" + name + ".ir";
    writeFile(file, ostrel::formatSignalFile(signal));
    std::string device = scratch + "/lirc0";
    std::string log = scratch + "/sent-" + name + ".log";
    std::remove(log.c_str());
    std::vector<std::string> environment = emulatedEnvironment(paths, device, {"LIRC_EMULATOR_LOG=" + log});
    std::vector<double> irplay;
    std::vector<double> irctl;
    std::vector<double> pauses;
    for (int run = 0; run < runs; ++run) {
        pauses.push_back(timedPause());
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn + run) % 2 == 0) {
                Outcome outcome = launcher.run({paths.irplay, "-i", file}, environment);
                expectOutcome(outcome, "irplay -i " + file, "Play successfull !\n");
                irplay.push_back(outcome.milliseconds());
                peaks.kib["irplay, " + name].push_back(static_cast<double>(outcome.maxResidentKiB));
            } else {
                // -e 1,2: both emitters, as irplay's port 0 on this two-emitter device.
                Outcome outcome =
                    launcher.run({paths.irctl, "-d", device, "-e", "1,2", "--send", file}, environment);
                expectOutcome(outcome, "ir-ctl --send " + file, "");
                irctl.push_back(outcome.milliseconds());
                peaks.kib["ir-ctl --send, " + name].push_back(static_cast<double>(outcome.maxResidentKiB));
            }
        }
    }
    // Both sent the same durations with the same carrier, duty cycle and emitters.
    std::vector<std::string> sent = linesOf(readFile(log));
    if (sent.size() != static_cast<size_t>(2 * runs) ||
        std::count(sent.begin(), sent.end(), sent.front()) != static_cast<long>(sent.size())) {
        stop("irplay and ir-ctl did not send the same " + std::to_string(2 * runs) + " transmissions of " +
             file + " (see " + log + ")");
    }
    PlayFigures figures;
    figures.file = name;
    figures.values = signal.durations.size();
    figures.irplayMilliseconds = median(irplay);
    figures.irctlMilliseconds = median(irctl);
    figures.ratio = (figures.irplayMilliseconds - irplayPauseMilliseconds) / figures.irctlMilliseconds;
    figures.pauseMilliseconds = median(pauses);
    figures.ratioBeyondMeasuredPause =
        (figures.irplayMilliseconds - figures.pauseMilliseconds) / figures.irctlMilliseconds;
    return figures;
}

// Resident memory of a running process by what is mapped: each file by its
// name, anonymous memory, heap and stack as the kernel names them.
struct Residency {
    std::vector<std::pair<std::string, long>> byMapping;  // KiB, largest first
    long residentKiB = 0;  // VmRSS at the moment
    long peakKiB = 0;      // VmHWM so far
};

Residency residencyOf(pid_t pid) {
    std::string base = "/proc/" + std::to_string(pid);
    std::map<std::string, long> kib;
    std::string current;
    std::istringstream smaps(readFile(base + "/smaps"));
    for (std::string line; std::getline(smaps, line);) {
        long value = 0;
        if (std::sscanf(line.c_str(), "Rss: %ld kB", &value) == 1) {
            kib[current] += value;
            continue;
        }
        // A mapping's first line: range, permissions, offset, device, inode, name.
        if (!line.empty() && std::isxdigit(static_cast<unsigned char>(line[0])) &&
            line.find('-') < line.find(' ')) {
            std::istringstream fields(line);
            std::string range, permissions, offset, deviceNumbers, inode, name;
            fields >> range >> permissions >> offset >> deviceNumbers >> inode;
            std::getline(fields >> std::ws, name);
            size_t slash = name.rfind('/');
            current = name.empty() ? "[anonymous]" : slash == std::string::npos ? name : name.substr(slash + 1);
        }
    }
    Residency residency;
    for (const auto& [name, value] : kib) {
        if (value > 0) {
            residency.byMapping.emplace_back(name, value);
        }
    }
    std::sort(residency.byMapping.begin(), residency.byMapping.end(),
              [](const auto& a, const auto& b) { return a.second > b.second; });
    std::istringstream status(readFile(base + "/status"));
    for (std::string line; std::getline(status, line);) {
        std::sscanf(line.c_str(), "VmRSS: %ld kB", &residency.residentKiB);
        std::sscanf(line.c_str(), "VmHWM: %ld kB", &residency.peakKiB);
    }
    if (residency.byMapping.empty()) {
        stop(base + "/smaps: the process had gone before it could be looked at");
    }
    return residency;
}

struct MemoryFigures {
    Residency irplay;
    Residency irrecord;
};

// Each program looked at while it waits on the device: irplay in its write(2)
// of the largest signal (the emulator waiting the signal's 460 ms), irrecord
// while the script keeps the receiver quiet for 400 ms. Both have loaded
// everything and opened the device by then.
MemoryFigures lookAtMemory(Launcher& launcher, const Paths& paths, const std::string& scratch) {
    std::string device = scratch + "/lirc0";
    std::vector<std::string> common = {
        "LD_PRELOAD=" + paths.emulator,
        "LIRC_EMULATOR_DEVICE=" + device,
        "OSTREL_DEVICE=" + device,
    };
    MemoryFigures figures;
    constexpr useconds_t settle = 150000;

    Child play = launcher.start({paths.irplay, "-i", scratch + "/largest.ir"}, environmentWith(common));
    usleep(settle);
    figures.irplay = residencyOf(play.pid);
    expectOutcome(launcher.finish(play), "irplay, waiting for the signal to go out", "Play successfull !\n");

    std::string script = scratch + "/quiet-start.script";
    writeFile(script, "wait 400\n" + readFile(paths.necScript));
    std::vector<std::string> recording = common;
    recording.push_back("LIRC_EMULATOR_RECEIVE=" + script);
    Child record = launcher.start({paths.irrecord, "-o", scratch + "/quiet.ir"}, environmentWith(recording));
    usleep(settle);
    figures.irrecord = residencyOf(record.pid);
    expectOutcome(launcher.finish(record), "irrecord, waiting for a signal", "Record successfull !\n");

    return figures;
}

// Each program's own peak resident set, read at its exit stop, and for the
// runs not timed above, also its ru_maxrss under posix_spawn.
void measurePeaks(Launcher& launcher, const Paths& paths, const std::string& scratch, int runs, Peaks& peaks) {
    std::string device = scratch + "/lirc0";
    std::vector<std::string> emulated = emulatedEnvironment(paths, device, {});
    std::vector<std::string> receiving = emulated;
    receiving.push_back("LIRC_EMULATOR_RECEIVE=" + paths.necScript);
    // Without the emulator the device is missing, so the programs stop at its
    // open, having loaded the library and (irplay) read the file.
    std::vector<std::string> bare = environmentWith({"OSTREL_DEVICE=" + scratch + "/missing"});
    struct Configuration {
        std::string name;
        std::vector<std::string> command;
        const std::vector<std::string>& environment;
        std::string output;
    };
    const Configuration configurations[] = {
        {"irplay, largest", {paths.irplay, "-i", scratch + "/largest.ir"}, emulated, "Play successfull !\n"},
        {"irplay, nec", {paths.irplay, "-i", scratch + "/nec.ir"}, emulated, "Play successfull !\n"},
        {"irrecord, NEC key", {paths.irrecord, "-o", scratch + "/peak.ir"}, receiving, "Record successfull !\n"},
        {"ir-ctl --send, largest", {paths.irctl, "-d", device, "--send", scratch + "/largest.ir"}, emulated, ""},
        {"ir-ctl --send, nec", {paths.irctl, "-d", device, "--send", scratch + "/nec.ir"}, emulated, ""},
        {"irplay, no emulator, no device", {paths.irplay, "-i", scratch + "/nec.ir"}, bare, "Play failed !\n"},
        {"irrecord, no emulator, no device", {paths.irrecord, "-o", scratch + "/none.ir"}, bare,
         "Record failed !\n"},
        {"/bin/true, no emulator", {"/bin/true"}, bare, ""},
    };
    for (int run = 0; run < runs; ++run) {
        for (const Configuration& configuration : configurations) {
            if (configuration.environment == bare) {
                Outcome spawned = launcher.run(configuration.command, configuration.environment);
                if (!spawned.exitedWith(0) || spawned.standardOutput != configuration.output) {
                    stop(configuration.name + ": " + spawned.standardOutput + spawned.standardError);
                }
                peaks.kib[configuration.name].push_back(static_cast<double>(spawned.maxResidentKiB));
            }
            Outcome traced = launcher.runTraced(configuration.command, configuration.environment);
            if (!traced.exitedWith(0) || traced.standardOutput != configuration.output) {
                stop(configuration.name + ", traced: status " + std::to_string(traced.status) + ", " +
                     traced.standardOutput + traced.standardError);
            }
            peaks.atExit[configuration.name].push_back(static_cast<double>(traced.peakAtExitKiB));
        }
    }
}

std::string verdict(bool met) { return met ? "met" : "**not met**"; }

std::string residencyTable(const Residency& residency) {
    std::string table = "| mapping | resident |\n| --- | ---: |\n";
    long shown = 0;
    for (size_t i = 0; i < residency.byMapping.size(); ++i) {
        const auto& [name, kib] = residency.byMapping[i];
        if (i < 8) {
            table += "| `" + name + "` | " + std::to_string(kib) + " KiB |\n";
            shown += kib;
        }
    }
    long rest = 0;
    for (const auto& entry : residency.byMapping) {
        rest += entry.second;
    }
    rest -= shown;
    if (rest > 0) {
        table += "| everything else | " + std::to_string(rest) + " KiB |\n";
    }
    table += "| **VmRSS then** (VmHWM so far) | " + std::to_string(residency.residentKiB) + " KiB (" +
             std::to_string(residency.peakKiB) + " KiB) |\n";
    return table;
}

std::string report(int runs, const std::vector<PlayFigures>& plays, const Peaks& peaks, const MemoryFigures& memory) {
    std::string md;
    md += "## 2. irplay beside ir-ctl, whole process\n\n";
    md += "Both on the emulated device with `LIRC_EMULATOR_NO_DELAY=1` (write(2) returns at once, "
          "not after the signal's duration) and the transmission log on, " +
          std::to_string(runs) +
          " runs of each per file, interleaved in alternating order. Wall time from before "
          "posix_spawn to after wait4. Metric: (median irplay − 100 ms) ÷ median ir-ctl. Beside it, "
          "for reference only: a 100 ms nanosleep timed in the driver before each pair of runs "
          "(the pause as this machine gives it), and irplay's time beyond that measured pause "
          "÷ ir-ctl.\n\n";
    md += "| file | values | irplay median | ir-ctl median | (irplay − 100 ms) ÷ ir-ctl | goal | verdict "
          "| 100 ms nanosleep, median | (irplay − measured pause) ÷ ir-ctl |\n";
    md += "| --- | ---: | ---: | ---: | ---: | --- | --- | ---: | ---: |\n";
    for (const PlayFigures& play : plays) {
        md += "| " + play.file + " | " + std::to_string(play.values) + " | " +
              format("%.2f ms", play.irplayMilliseconds) + " | " + format("%.2f ms", play.irctlMilliseconds) +
              " | " + format("%.3f", play.ratio) + " | ≤ " + format("%.1f", playRatioGoal) + " | " +
              verdict(play.ratio <= playRatioGoal) + " | " + format("%.2f ms", play.pauseMilliseconds) +
              " | " + format("%.3f", play.ratioBeyondMeasuredPause) + " |\n";
    }
    md += "\n## 3. Peak resident memory\n\n";
    md += "Each program's own peak resident set: VmHWM from /proc/PID/status, read while the "
          "program is stopped at its exit (ptrace, PTRACE_O_TRACEEXIT), " +
          std::to_string(peaks.atExit.begin()->second.size()) +
          " runs each. Beside it, ru_maxrss from wait4 of the runs started with posix_spawn: the "
          "kernel counts into it the peak of the memory the child had before execve, which under "
          "posix_spawn is this driver's own, so it cannot go below the driver's size (see "
          "/bin/true). On the emulated device the emulator, which needs the C++ runtime too, is "
          "preloaded into every program, ir-ctl included; the rows without the emulator run the "
          "programs against a missing device, so they stop at its open, after loading the library "
          "and (irplay) reading the file.\n\n";
    md += "| program | VmHWM at exit, median | largest | ru_maxrss (wait4), median | goal | verdict |\n"
          "| --- | ---: | ---: | ---: | --- | --- |\n";
    for (const auto& [name, values] : peaks.atExit) {
        bool ours = name.starts_with("irplay") || name.starts_with("irrecord");
        auto spawned = peaks.kib.find(name);
        md += "| " + name + " | " + format("%.0f KiB", median(values)) + " | " +
              format("%.0f KiB", largest(values)) + " | " +
              (spawned == peaks.kib.end() ? std::string("–") : format("%.0f KiB", median(spawned->second))) +
              " | " +
              (ours ? "< 4096 KiB | " + verdict(largest(values) < residentGoalKiB) : std::string("(reference) |")) +
              " |\n";
    }
    md += "\nResident memory by mapping, irplay in its write(2) of the largest signal (the emulator "
          "waiting out its duration):\n\n" +
          residencyTable(memory.irplay);
    md += "\nirrecord waiting for a signal:\n\n" + residencyTable(memory.irrecord);
    return md;
}

}  // namespace

int main(int argc, char** argv) {
    Paths paths;
    bench::Options options{30, "", paths.irctl};
    if (!bench::readOptions(argc, argv, "process_bench", "--ir-ctl", "PATH", options)) {
        return 2;
    }
    const int runs = options.runs;
    const std::string& markdown = options.markdown;
    paths.irctl = options.own;
    if (access(paths.irctl.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "process_bench: %s not found; install v4l-utils\n", paths.irctl.c_str());
        return 77;  // skipped, for CTest
    }
    char pattern[] = "/tmp/process-bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("process_bench: mkdtemp");
        return 1;
    }
    std::string scratch = pattern;
    int status = 0;
    try {
        Launcher launcher(scratch);
        Peaks peaks;
        std::vector<PlayFigures> plays;
        plays.push_back(comparePlay(launcher, paths, scratch, "largest", bench::largestSignal(), runs, peaks));
        plays.push_back(comparePlay(launcher, paths, scratch, "nec", bench::necKey(0x04, 0x08), runs, peaks));
        measurePeaks(launcher, paths, scratch, std::min(runs, 10), peaks);
        MemoryFigures memory = lookAtMemory(launcher, paths, scratch);
        std::string md = report(runs, plays, peaks, memory);
        if (markdown.empty()) {
            std::fputs(md.c_str(), stdout);
        } else {
            writeFile(markdown, md);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "process_bench: %s\n", error.what());
        status = 1;
    }
    if (status == 0) {
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    } else {
        std::fprintf(stderr, "process_bench: scratch folder kept: %s\n", scratch.c_str());
    }
    return status;
}
