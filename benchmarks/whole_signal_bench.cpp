// Timing of whole signals on the emulated LIRC device, with its real delays:
// - irplay sending a signal too long for one write: how far each write
//   begins from the moment the write before it began, plus that write's
//   duration and the gap after it (the gap error);
// - irrecord ending a message: how long after the end of the message (the
//   last pulse, then 150 ms without one) the process has exited.
//
//   whole_signal_bench [--runs N] [--markdown FILE]
//
// Every run is checked (what the program printed, what was sent or
// recorded); one that went wrong stops the driver with exit status 1.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "benchmarks/bench_options.h"
#include "tests/blackbox/child_process.h"
#include "ostrel/codec/message_assembler.h"
#include "tests/blackbox/scratch_folder.h"
#include "ostrel/codec/signal_file.h"

namespace {

constexpr double gapErrorGoalMicroseconds = 200;
constexpr double exitGoalMilliseconds = 2;

[[noreturn]] void stop(const std::string& why) { throw std::runtime_error(why); }

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double largest(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string verdict(bool met) { return met ? "met" : "**not met**"; }

struct Run {
    std::string standardOutput;
    std::string standardError;
    int64_t endNanoseconds = 0;  // CLOCK_MONOTONIC, when wait4 returned
};

// Runs the command on the emulated device in the scratch folder, its output
// into files, and waits for it with a blocking wait4, so that its end is
// seen at once.
Run runOnDevice(const ScratchFolder& scratch, const std::vector<std::string>& command,
                std::vector<std::string> settings) {
    std::vector<std::string> environment = {"LD_PRELOAD=" EMULATOR_LIBRARY,
                                            "LIRC_EMULATOR_DEVICE=" + (scratch / "lirc0"),
                                            "OSTREL_DEVICE=" + (scratch / "lirc0")};
    environment.insert(environment.end(), settings.begin(), settings.end());
    std::string out = scratch / "stdout";
    std::string err = scratch / "stderr";
    pid_t child = fork();
    if (child == 0) {
        if (chdir(scratch.path().c_str()) != 0) {
            _exit(126);
        }
        int outFile = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int errFile = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(outFile, 1);
        dup2(errFile, 2);
        unsetenv("LD_LIBRARY_PATH");
        unsetenv("LIRC_EMULATOR_NO_DELAY");
        for (const std::string& entry : environment) {
            size_t equals = entry.find('=');
            setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
        }
        std::vector<char*> arguments;
        for (const std::string& argument : command) {
            arguments.push_back(const_cast<char*>(argument.c_str()));
        }
        arguments.push_back(nullptr);
        execv(arguments[0], arguments.data());
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) {
        stop("cannot run " + command[0]);
    }
    Run run;
    run.endNanoseconds = monotonicNow();
    run.standardOutput = readFile(out);
    run.standardError = readFile(err);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        stop(command[0] + " ended with status " + std::to_string(status));
    }
    return run;
}

// Five frames of 1023 values (10230 us each): no two fit one write, so each
// is a write of its own, with gaps of 20, 40, 100 and 125 ms between them.
const uint32_t gaps[] = {20000, 40000, 100000, 125000};

ostrel::Signal fiveFrames() {
    ostrel::Signal signal;
    for (size_t frame = 0; frame <= std::size(gaps); ++frame) {
        if (frame > 0) {
            signal.durations.push_back(gaps[frame - 1]);
        }
        signal.durations.insert(signal.durations.end(), 1023, 10);
    }
    return signal;
}

struct Figures {
    std::vector<double> gapErrors;  // us
    std::vector<double> exitAfterEnd;  // ms
};

void measureGaps(int runs, Figures& figures) {
    ScratchFolder scratch;
    writeFile(scratch / "frames.ir", ostrel::formatSignalFile(fiveFrames()));
    for (int run = 0; run < runs; ++run) {
        std::string times = scratch / "times";
        std::remove(times.c_str());
        Run played = runOnDevice(scratch, {PROGRAMS_FOLDER "/irplay", "-i", "frames.ir"},
                                         {"LIRC_EMULATOR_SEND_TIMES=" + times});
        if (played.standardOutput != "Play successfull !\n" || !played.standardError.empty()) {
            stop("irplay: " + played.standardOutput + played.standardError);
        }
        std::vector<std::string> lines = linesOf(readFile(times));
        if (lines.size() != std::size(gaps) + 1) {
            stop("irplay made " + std::to_string(lines.size()) + " writes, not 5");
        }
        int64_t start = 0;
        int64_t previousEnd = 0;
        for (size_t write = 0; write < lines.size(); ++write) {
            int64_t duration = 0;
            if (std::sscanf(lines[write].c_str(), "start=%" SCNd64 " values=1023 us=%" SCNd64, &start,
                            &duration) != 2) {
                stop(times + ": " + lines[write]);
            }
            if (write > 0) {
                figures.gapErrors.push_back(static_cast<double>(start - previousEnd - gaps[write - 1]));
            }
            previousEnd = start + duration;
        }
    }
}

void measureRecordExit(int runs, Figures& figures) {
    ScratchFolder scratch;
    for (int run = 0; run < runs; ++run) {
        std::string log = scratch / "received.log";
        std::remove(log.c_str());
        Run recorded = runOnDevice(scratch, {PROGRAMS_FOLDER "/irrecord", "-o", "key.ir"},
                                           {"LIRC_EMULATOR_RECEIVE=" NEC_KEY_SCRIPT,
                                            "LIRC_EMULATOR_RECEIVE_LOG=" + log});
        if (recorded.standardOutput != "Record successfull !\n" || !recorded.standardError.empty()) {
            stop("irrecord: " + recorded.standardOutput + recorded.standardError);
        }
        int64_t lastPulse = -1;
        for (const std::string& line : linesOf(readFile(log))) {
            int64_t ready = 0;
            int64_t queued = 0;
            int consumed = 0;
            if (std::sscanf(line.c_str(), "ready=%" SCNd64 " queued=%" SCNd64 " %n", &ready, &queued,
                            &consumed) != 2) {
                stop(log + ": " + line);
            }
            if (line.compare(static_cast<size_t>(consumed), 6, "pulse ") == 0) {
                lastPulse = ready;
            }
        }
        if (lastPulse < 0) {
            stop(log + ": no pulse received");
        }
        int64_t endOfMessage = (lastPulse + ostrel::messageEndingQuiet) * 1000;  // ns
        figures.exitAfterEnd.push_back(static_cast<double>(recorded.endNanoseconds - endOfMessage) / 1e6);
    }
}

std::string report(int runs, const Figures& figures) {
    std::string md = "## 4. Whole signals: gaps between writes, end of a message\n\n";
    md += "On the emulated device with its real delays (write(2) waits out the signal), " +
          std::to_string(runs) + " runs of each program, wall time from CLOCK_MONOTONIC.\n\n";
    md += "irplay sends five frames of 1023 values, too many for two in one write, with gaps of 20, "
          "40, 100 and 125 ms: five writes. Gap error: when a write began (the emulator's "
          "`LIRC_EMULATOR_SEND_TIMES`) minus when the write before it began, its duration and the "
          "gap; " + std::to_string(figures.gapErrors.size()) + " gaps.\n\n";
    md += "irrecord records `emulator/samples/nec-key.script`; the message ends 150 ms after its last "
          "pulse was ready (`LIRC_EMULATOR_RECEIVE_LOG`). Exit: the process's end (wait4 returned) "
          "minus that moment.\n\n";
    md += "| measure | median | largest | goal | verdict |\n| --- | ---: | ---: | --- | --- |\n";
    double gapMedian = median(figures.gapErrors);
    md += "| irplay, gap error | " + format("%.0f µs", gapMedian) + " | " +
          format("%.0f µs", largest(figures.gapErrors)) + " | median < " +
          format("%.0f µs", gapErrorGoalMicroseconds) + " | " +
          verdict(gapMedian < gapErrorGoalMicroseconds) + " |\n";
    double exitMedian = median(figures.exitAfterEnd);
    md += "| irrecord, exit after the end of the message | " + format("%.3f ms", exitMedian) + " | " +
          format("%.3f ms", largest(figures.exitAfterEnd)) + " | < " +
          format("%.0f ms", exitGoalMilliseconds) + " | " +
          verdict(exitMedian < exitGoalMilliseconds) + " |\n";
    return md;
}

}  // namespace

int main(int argc, char** argv) {
    bench::Options options{20, "", ""};
    if (!bench::readOptions(argc, argv, "whole_signal_bench", nullptr, nullptr, options)) {
        return 2;
    }
    const int runs = options.runs;
    const std::string& markdown = options.markdown;
    try {
        Figures figures;
        measureGaps(runs, figures);
        measureRecordExit(runs, figures);
        std::string md = report(runs, figures);
        if (markdown.empty()) {
            std::fputs(md.c_str(), stdout);
        } else {
            writeFile(markdown, md);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "whole_signal_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
