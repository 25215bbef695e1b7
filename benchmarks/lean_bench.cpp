// irplay beside ir-ctl --send and beside the floor (send_floor, the least a
// program can do to send the file, without and with irplay's pause), all on
// c_lirc_device.c, a device in
// C that loads no C++ runtime into the programs it is preloaded into, and the
// peak resident memory of irplay and irrecord there.
//
//   lean_bench [--runs N] [--markdown FILE] [--device PATH]
//
// With --device, the same on a real LIRC device (the kernel's rc-loopback in
// the kernel VM, scripts/run-benchmarks.sh), nothing preloaded: the write
// there lasts as long as the signal, which is taken off the wall time too;
// irrecord, which would need a key press, is left out.
//
// Per file, N runs of each program, interleaved (the order turns with every
// run), each started with posix_spawn: its wall time from before the spawn
// to after wait4, and its CPU time (user and system) from wait4's rusage.
// irplay pauses 100 ms after sending, by design: a 100 ms nanosleep timed in
// this driver beside every run is taken off its wall time, and the paused
// floor's. Peak resident
// memory is VmHWM read at the program's exit stop under ptrace. Every run is
// checked (exit status, output, and that every program sent the same
// transmission); a run that went wrong stops the driver with status 1.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
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

constexpr double pauseMilliseconds = 100;
constexpr double ratioGoal = 1.0;
constexpr double residentGoalKiB = 2560;

[[noreturn]] void stop(const std::string& why) { throw std::runtime_error(why); }

int64_t nowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::string slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string fixed(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

struct Run {
    double wallMilliseconds = 0;
    double cpuMilliseconds = 0;
    long peakKiB = 0;  // VmHWM at the exit stop, traced runs only
    std::string output;
};

struct Program {
    std::string name;
    std::vector<std::string> argv;
    std::string output;  // what it must print
};

class Runner {
public:
    Runner(std::string scratch, std::vector<std::string> environment)
        : out_(scratch + "/out"), environment_(std::move(environment)) {}

    Run timed(const Program& program) {
        Pointers argv(program.argv), envp(environment_);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, out_.c_str(), O_WRONLY | O_APPEND, 0);
        pid_t pid = -1;
        int64_t start = nowNanoseconds();
        int failed = posix_spawn(&pid, argv.data()[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (failed) {
            stop("cannot start " + program.argv[0] + ": " + std::strerror(failed));
        }
        int status = 0;
        rusage usage{};
        while (wait4(pid, &status, 0, &usage) < 0) {
            if (errno != EINTR) {
                stop(std::string("wait4: ") + std::strerror(errno));
            }
        }
        Run run;
        run.wallMilliseconds = static_cast<double>(nowNanoseconds() - start) / 1e6;
        run.cpuMilliseconds = milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime);
        check(program, status, run);
        return run;
    }

    // Stopped at its exit (PTRACE_O_TRACEEXIT) to read its own peak resident
    // set: wait4's ru_maxrss counts the memory the child had before execve.
    Run traced(const Program& program) {
        Pointers argv(program.argv), envp(environment_);
        pid_t pid = fork();
        if (pid < 0) {
            stop(std::string("fork: ") + std::strerror(errno));
        }
        if (pid == 0) {
            int in = open("/dev/null", O_RDONLY);
            int out = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0 ||
                ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) {
                _exit(127);
            }
            execve(argv.data()[0], argv.data(), envp.data());
            _exit(127);
        }
        Run run;
        int status = 0;
        for (bool first = true;;) {
            if (waitpid(pid, &status, 0) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                stop(std::string("waitpid: ") + std::strerror(errno));
            }
            if (WIFEXITED(status) || WIFSIGNALED(status)) {
                break;
            }
            int deliver = 0;
            if (first) {
                first = false;
                ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL);
            } else if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
                std::istringstream fields(slurp("/proc/" + std::to_string(pid) + "/status"));
                for (std::string line; std::getline(fields, line);) {
                    std::sscanf(line.c_str(), "VmHWM: %ld kB", &run.peakKiB);
                }
            } else {
                deliver = WSTOPSIG(status);
            }
            ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(static_cast<intptr_t>(deliver)));
        }
        check(program, status, run);
        if (run.peakKiB == 0) {
            stop(program.name + ": no exit stop seen");
        }
        return run;
    }

private:
    // The strings as exec wants them: pointers, then null.
    struct Pointers {
        explicit Pointers(const std::vector<std::string>& strings) {
            for (const std::string& text : strings) {
                pointers.push_back(const_cast<char*>(text.c_str()));
            }
            pointers.push_back(nullptr);
        }
        char** data() { return pointers.data(); }
        std::vector<char*> pointers;
    };

    static double milliseconds(const timeval& time) {
        return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3;
    }

    void check(const Program& program, int status, Run& run) {
        run.output = slurp(out_);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || run.output != program.output) {
            stop(program.name + ": status " + std::to_string(status) + ", printed \"" + run.output + "\"");
        }
    }

    std::string out_;
    std::vector<std::string> environment_;
};

double timedPause() {
    int64_t start = nowNanoseconds();
    timespec left{0, static_cast<long>(pauseMilliseconds * 1e6)};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
    return static_cast<double>(nowNanoseconds() - start) / 1e6;
}

// Medians of one file's runs, milliseconds.
struct FileFigures {
    std::string file;
    size_t values = 0;
    double pause = 0;
    std::map<std::string, double> wall, cpu;  // by program: irplay, ir-ctl, floor, paused floor
};

bool pausesAfterSending(const std::string& program) { return program == "irplay" || program == "paused floor"; }

// A real device's write returns once the signal has gone out.
double signalMilliseconds(const ostrel::Signal& signal) {
    double total = 0;
    for (uint32_t value : signal.durations) {
        total += value;
    }
    return total / 1e3;
}

FileFigures compare(Runner& runner, const std::string& scratch, const std::string& device,
                    bool realDevice, const std::string& name, const ostrel::Signal& signal, int runs) {
    std::string file = scratch + "/" + name + ".ir";
    std::ofstream(file, std::ios::binary) << ostrel::formatSignalFile(signal);
    const Program programs[] = {
        {"irplay", {PROGRAMS_FOLDER "/irplay", "-i", file}, "Play successfull !\n"},
        {"ir-ctl", {IR_CTL, "-d", device, "--send", file}, ""},
        {"floor", {SEND_FLOOR, file, device}, "Play successfull !\n"},
        {"paused floor", {SEND_FLOOR, file, device, "--pause"}, "Play successfull !\n"},
    };
    constexpr int count = sizeof programs / sizeof programs[0];
    std::map<std::string, std::vector<double>> wall, cpu;
    std::vector<double> pauses;
    if (realDevice) {
        // In the VM the programs and their libraries come over its 9p share: one
        // untimed run of each first, so that every timed one finds them in its cache.
        for (const Program& program : programs) {
            runner.timed(program);
        }
    }
    std::string log = scratch + "/sent.log";
    std::remove(log.c_str());
    for (int run = 0; run < runs; ++run) {
        pauses.push_back(timedPause());
        for (int turn = 0; turn < count; ++turn) {
            const Program& program = programs[(run + turn) % count];
            Run measured = runner.timed(program);
            wall[program.name].push_back(measured.wallMilliseconds);
            cpu[program.name].push_back(measured.cpuMilliseconds);
        }
    }
    std::istringstream sent(slurp(log));
    std::vector<std::string> lines;
    for (std::string line; std::getline(sent, line);) {
        lines.push_back(line);
    }
    if (!realDevice &&
        (lines.size() != static_cast<size_t>(count * runs) ||
         std::count(lines.begin(), lines.end(), lines.front()) != static_cast<long>(lines.size()))) {
        stop("irplay, ir-ctl and the floor did not send the same " + std::to_string(count * runs) +
             " transmissions of " + file + ":\n" + slurp(log));
    }
    FileFigures figures{name, signal.durations.size(), median(pauses), {}, {}};
    double sending = realDevice ? signalMilliseconds(signal) : 0;
    for (const auto& [program, values] : wall) {
        figures.wall[program] =
            median(values) - sending - (pausesAfterSending(program) ? figures.pause : 0);
        figures.cpu[program] = median(cpu[program]);
    }
    return figures;
}

std::string verdict(bool met) { return met ? "met" : "**not met**"; }

std::string report(int runs, const std::vector<FileFigures>& files,
                   const std::vector<std::pair<std::string, std::vector<double>>>& peaks,
                   const std::string& realDevice) {
    std::string md;
    if (!realDevice.empty()) {
        md = "## 6. irplay beside ir-ctl on the kernel's rc-loopback\n\n";
        md += "The table of section 5 on `" + realDevice +
              "`, the kernel's rc-loopback in the kernel suite's VM (Debian's kernel under QEMU "
              "without KVM, so every figure is several times what it is on hardware: only the "
              "ratios mean anything), nothing preloaded. The kernel's write returns once the signal "
              "has gone out, so the signal's duration is taken off the wall time too, beside the "
              "pause. The long file is the first 501 values of the largest signal: all 1023 would "
              "overflow rc-loopback's event FIFO of 512, whose every lost event the kernel logs. " +
              std::to_string(runs) +
              " runs of each per file, interleaved, after one untimed run of each (the VM reads "
              "the programs over its 9p share); medians. irrecord, which would wait for a key "
              "press, is not measured here.\n\n";
    } else {
        md = "## 5. irplay beside ir-ctl on a device without the C++ runtime\n\n";
        md += "irplay, `ir-ctl --send` and the floor (`benchmarks/send_floor.c`: the same system calls "
              "as irplay's library, opening and reading the file, the device's ioctls, one write, and "
              "nothing else; the paused floor then pauses 100 ms as irplay does) on "
              "`benchmarks/c_lirc_device.c`, a preloaded device in C that loads no C++ runtime into "
              "them and whose write(2) returns at once. " +
              std::to_string(runs) +
              " runs of each per file, interleaved, the order turning with every run; medians. Wall "
              "time from before posix_spawn to after wait4, less a 100 ms nanosleep timed beside the "
              "runs for the two that pause; CPU time is user and system time from wait4. The goal "
              "compares irplay with ir-ctl; irplay ÷ paused floor says how close irplay is to the "
              "least a program that pauses as it does can cost.\n\n";
    }
    const char* beyond = realDevice.empty() ? "wall beyond the pause" : "wall beyond the signal and the pause";
    md += "| file | values | | irplay | ir-ctl | floor | paused floor | irplay ÷ ir-ctl | goal | verdict "
          "| floor ÷ ir-ctl | irplay ÷ paused floor |\n"
          "| --- | ---: | --- | ---: | ---: | ---: | ---: | ---: | --- | --- | ---: | ---: |\n";
    for (const FileFigures& file : files) {
        for (const auto& [what, figures] : {std::pair{beyond, &file.wall},
                                            std::pair{"CPU (user + system)", &file.cpu}}) {
            const auto& f = *figures;
            double ratio = f.at("irplay") / f.at("ir-ctl");
            md += "| " + file.file + " | " + std::to_string(file.values) + " | " + what + " | " +
                  fixed("%.3f ms", f.at("irplay")) + " | " + fixed("%.3f ms", f.at("ir-ctl")) + " | " +
                  fixed("%.3f ms", f.at("floor")) + " | " + fixed("%.3f ms", f.at("paused floor")) + " | " +
                  fixed("%.3f", ratio) + " | " +
                  (realDevice.empty() ? "≤ " + fixed("%.1f", ratioGoal) + " | " + verdict(ratio <= ratioGoal)
                                      : std::string("(ratio only) | ")) +
                  " | " + fixed("%.3f", f.at("floor") / f.at("ir-ctl")) + " | " +
                  fixed("%.3f", f.at("irplay") / f.at("paused floor")) + " |\n";
        }
    }
    md += "\nThe 100 ms nanosleep taken off the wall time of those that pause took, median: ";
    for (size_t i = 0; i < files.size(); ++i) {
        md += (i ? ", " : "") + fixed("%.3f ms", files[i].pause) + " (" + files[i].file + ")";
    }
    md += ".\n\nPeak resident memory on the same device: VmHWM at the exit stop (ptrace), " +
          std::to_string(std::min(runs, 10)) + " runs each.\n\n";
    md += "| program | VmHWM at exit, median | largest | goal | verdict |\n| --- | ---: | ---: | --- | --- |\n";
    for (const auto& [name, values] : peaks) {
        bool ours = name.starts_with("irplay") || name.starts_with("irrecord");
        double most = *std::max_element(values.begin(), values.end());
        md += "| " + name + " | " + fixed("%.0f KiB", median(values)) + " | " + fixed("%.0f KiB", most) + " | " +
              (ours ? "< 2560 KiB | " + verdict(most < residentGoalKiB) : std::string("(reference) |")) + " |\n";
    }
    return md;
}

}  // namespace

int main(int argc, char** argv) {
    bench::Options options{30, "", ""};
    if (!bench::readOptions(argc, argv, "lean_bench", "--device", "PATH", options)) {
        return 2;
    }
    const int runs = options.runs;
    const std::string& markdown = options.markdown;
    const std::string& realDevice = options.own;
    if (access(IR_CTL, X_OK) != 0) {
        std::fprintf(stderr, "lean_bench: %s not found; install v4l-utils\n", IR_CTL);
        return 77;  // skipped, for CTest
    }
    char pattern[] = "/tmp/lean-bench.XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("lean_bench: mkdtemp");
        return 1;
    }
    std::string scratch = pattern;
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        std::string_view text(*entry);
        if (!text.starts_with("LD_") && !text.starts_with("OSTREL_") && !text.starts_with("BENCH_LIRC_")) {
            environment.emplace_back(text);
        }
    }
    std::string device = realDevice.empty() ? scratch + "/lirc0" : realDevice;
    if (realDevice.empty()) {
        environment.insert(environment.end(), {"LD_PRELOAD=" C_LIRC_DEVICE, "BENCH_LIRC_DEVICE=" + device,
                                               "BENCH_LIRC_LOG=" + scratch + "/sent.log"});
    }
    environment.push_back("OSTREL_DEVICE=" + device);
    int status = 0;
    try {
        Runner runner(scratch, environment);
        // rc-loopback's event FIFO holds 512 events: the largest signal would overflow
        // it, and the kernel then logs every event lost to the VM's slow console. On a
        // real device the long file is the largest signal's first 501 values.
        ostrel::Signal longest = bench::largestSignal();
        std::string longName = "largest";
        if (!realDevice.empty()) {
            longest.durations.resize(501);
            longName = "first 501 of largest";
        }
        std::string longFile = scratch + "/long.ir";
        std::vector<FileFigures> files = {
            compare(runner, scratch, device, !realDevice.empty(), "long", longest, runs),
            compare(runner, scratch, device, !realDevice.empty(), "nec", bench::necKey(0x04, 0x08), runs),
        };
        files[0].file = longName;
        std::vector<Program> measured = {
            {"irplay, " + longName, {PROGRAMS_FOLDER "/irplay", "-i", longFile}, "Play successfull !\n"},
            {"irplay, nec", {PROGRAMS_FOLDER "/irplay", "-i", scratch + "/nec.ir"}, "Play successfull !\n"},
            {"irrecord, NEC key", {PROGRAMS_FOLDER "/irrecord", "-o", scratch + "/key.ir"}, "Record successfull !\n"},
            {"ir-ctl --send, " + longName, {IR_CTL, "-d", device, "--send", longFile}, ""},
            {"floor, " + longName, {SEND_FLOOR, longFile, device}, "Play successfull !\n"},
        };
        if (!realDevice.empty()) {
            measured.erase(measured.begin() + 2);  // irrecord
        }
        std::vector<std::pair<std::string, std::vector<double>>> peaks;
        for (const Program& program : measured) {
            peaks.push_back({program.name, {}});
        }
        for (int run = 0; run < std::min(runs, 10); ++run) {
            for (size_t i = 0; i < peaks.size(); ++i) {
                peaks[i].second.push_back(static_cast<double>(runner.traced(measured[i]).peakKiB));
            }
        }
        if (realDevice.empty() && slurp(scratch + "/key.ir").find("pulse 9000\nspace 4500\n") == std::string::npos) {
            stop("irrecord did not record the key press: " + slurp(scratch + "/key.ir"));
        }
        std::string md = report(runs, files, peaks, realDevice);
        if (markdown.empty()) {
            std::fputs(md.c_str(), stdout);
        } else {
            std::ofstream(markdown, std::ios::binary) << md;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lean_bench: %s\nlean_bench: scratch folder kept: %s\n", error.what(), scratch.c_str());
        status = 1;
    }
    if (status == 0) {
        std::string remove = "rm -rf " + scratch;
        status = std::system(remove.c_str()) == 0 ? 0 : 1;
    }
    return status;
}
