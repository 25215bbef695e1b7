// irsignal as a whole process: `irsignal list` of a lircd.conf remote of 500
// buttons, of a Flipper file of 500 signals and of every keymap installed in
// /lib/udev/rc_keymaps, and `irsignal extract` of one button of each. Every
// child is started with posix_spawn, its output sent to files, and timed with
// CLOCK_MONOTONIC from before the spawn to after wait4 returned.
//
//   irsignal_bench [--runs N] [--markdown FILE] [--keymaps FOLDER]
//
// A run that exits 0 must have printed what it was asked for (a line per
// button, a scancode or pulse line), or the driver stops with exit status 1;
// a run that fails is shown in its row as failed, with irsignal's reason,
// and gives no figure; the table is still written, and the driver then
// exits with status 1, so that its smoke test fails. With --markdown the
// table is written to FILE as a section of BENCHMARKS.md.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "benchmarks/bench_options.h"

extern char** environ;

namespace {

constexpr double goalMilliseconds = 20;
constexpr int buttons = 500;

[[noreturn]] void stop(const std::string& why) { throw std::runtime_error(why); }

int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

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

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string milliseconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f ms", value);
    return text;
}

struct Run {
    double milliseconds = 0;
    int exitStatus = -1;
    std::string standardOutput;
    std::string standardError;
};

Run runProcess(const std::vector<std::string>& command, const std::string& scratch) {
    std::string out = scratch + "/child.stdout";
    std::string err = scratch + "/child.stderr";
    std::vector<char*> argv;
    for (const std::string& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Run run;
    pid_t pid = -1;
    int64_t start = monotonicNanoseconds();
    int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        stop("cannot start " + command[0] + ": " + std::strerror(failed));
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            stop(std::string("waitpid: ") + std::strerror(errno));
        }
    }
    run.milliseconds = static_cast<double>(monotonicNanoseconds() - start) / 1e6;
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.standardOutput = readFile(out);
    run.standardError = readFile(err);
    return run;
}

// What a successful run must have printed.
using Check = bool (*)(const std::string& output);

bool listsEveryButton(const std::string& output) {
    return std::count(output.begin(), output.end(), '\n') == buttons;
}
bool listsSomething(const std::string& output) { return !output.empty() && output.back() == '\n'; }
bool writesASignal(const std::string& output) {
    return output.find("\nscancode ") != std::string::npos || output.find("\npulse ") != std::string::npos;
}

struct Measure {
    double median = 0;      // of the runs, when !failed
    std::string failed;     // the first line of irsignal's error, when a run failed
};

Measure measure(const std::vector<std::string>& command, Check check, int runs, const std::string& scratch) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        Run run = runProcess(command, scratch);
        if (run.exitStatus != 0) {
            // The first line of the error, without the scratch folder's name.
            std::string reason = run.standardError.substr(0, run.standardError.find('\n'));
            for (size_t at; (at = reason.find(scratch + "/")) != std::string::npos;) {
                reason.erase(at, scratch.size() + 1);
            }
            return {0, "exit " + std::to_string(run.exitStatus) + ": " + reason};
        }
        if (!check(run.standardOutput)) {
            stop(command[1] + " " + command[2] + " printed: " + run.standardOutput.substr(0, 200));
        }
        times.push_back(run.milliseconds);
    }
    return {median(times), ""};
}

std::string lircdConf() {
    std::string text =
        "# 500 buttons of one remote, NEC's timings\n"
        "begin remote\n"
        "  name  bench500\n  bits  32\n  flags SPACE_ENC|CONST_LENGTH\n  eps 30\n  aeps 100\n"
        "  header 9000 4500\n  one 560 1690\n  zero 560 560\n  ptrail 560\n  repeat 9000 2250\n"
        "  gap 108000\n  toggle_bit_mask 0x0\n  frequency 38000\n"
        "  begin codes\n";
    for (int i = 0; i < buttons; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "    KEY_%03d 0x%08X\n", i, 0x00FF0000u | (static_cast<unsigned>(i) << 8) |
                                                                  (~static_cast<unsigned>(i) & 0xff));
        text += line;
    }
    return text + "  end codes\nend remote\n";
}

std::string flipperFile() {
    std::string text = "Filetype: IR signals file\nVersion: 1\n";
    for (int i = 0; i < buttons; ++i) {
        char signal[160];
        std::snprintf(signal, sizeof signal,
                      "#\nname: Key_%03d\ntype: parsed\nprotocol: NECext\naddress: %02X %02X 00 00\n"
                      "command: %02X 00 00 00\n",
                      i, i & 0xff, i >> 8, i & 0xff);
        text += signal;
    }
    return text;
}

struct Row {
    std::string what;
    Measure result;
};

std::string verdict(const Measure& m) {
    if (!m.failed.empty()) {
        return "**not met**: failed (" + m.failed + ")";
    }
    return m.median < goalMilliseconds ? "met" : "**not met**";
}

}  // namespace

int main(int argc, char** argv) try {
    bench::Options options{30, "", "/lib/udev/rc_keymaps"};
    if (!bench::readOptions(argc, argv, "irsignal_bench", "--keymaps", "FOLDER", options)) {
        return 2;
    }
    const std::string irsignal = PROGRAMS_FOLDER "/irsignal";
    std::string scratch = (std::filesystem::temp_directory_path() / "irsignal-bench-XXXXXX").string();
    if (!mkdtemp(scratch.data())) {
        stop("mkdtemp failed");
    }
    std::string lircd = scratch + "/bench500.lircd.conf";
    std::string flipper = scratch + "/bench500.ir";
    writeFile(lircd, lircdConf());
    writeFile(flipper, flipperFile());

    std::string key = scratch + "/key.ir";
    writeFile(key, "scancode nec:0x408\n");

    std::vector<Row> rows;
    rows.push_back({"`list` of a file of one signal (what starting irsignal costs)",
                    measure({irsignal, "list", key}, listsSomething, options.runs, scratch)});
    rows.push_back({"`list` of a lircd.conf of 500 buttons",
                    measure({irsignal, "list", lircd}, listsEveryButton, options.runs, scratch)});
    rows.push_back({"`extract` of one of its buttons",
                    measure({irsignal, "extract", lircd + "#KEY_250"}, writesASignal, options.runs, scratch)});
    rows.push_back({"`list` of a Flipper file of 500 signals",
                    measure({irsignal, "list", flipper}, listsEveryButton, options.runs, scratch)});
    rows.push_back({"`extract` of one of its signals",
                    measure({irsignal, "extract", flipper + "#Key_250"}, writesASignal, options.runs, scratch)});

    // Every keymap installed: the median of each file's runs.
    std::vector<std::string> keymaps;
    if (std::filesystem::is_directory(options.own)) {
        for (const auto& entry : std::filesystem::directory_iterator(options.own)) {
            if (entry.path().extension() == ".toml") {
                keymaps.push_back(entry.path().string());
            }
        }
    }
    std::sort(keymaps.begin(), keymaps.end());
    std::vector<double> keymapMedians;
    std::string slowest;
    std::string keymapFailure;
    size_t keymapsOverGoal = 0;
    for (const std::string& keymap : keymaps) {
        Measure m = measure({irsignal, "list", keymap}, listsSomething, options.runs, scratch);
        if (!m.failed.empty()) {
            keymapFailure = std::filesystem::path(keymap).filename().string() + ", " + m.failed;
            break;
        }
        if (keymapMedians.empty() || m.median > *std::max_element(keymapMedians.begin(), keymapMedians.end())) {
            slowest = std::filesystem::path(keymap).filename().string();
        }
        keymapMedians.push_back(m.median);
        keymapsOverGoal += m.median >= goalMilliseconds ? 1 : 0;
    }
    std::string keymapExtract = options.own + "/rc6_mce.toml";
    Measure keyExtract =
        std::filesystem::exists(keymapExtract)
            ? measure({irsignal, "extract", keymapExtract + "#KEY_VOLUMEUP"}, writesASignal, options.runs, scratch)
            : Measure{0, "no " + keymapExtract};
    std::filesystem::remove_all(scratch);

    std::string md = "## 7. irsignal, whole process\n\n";
    md += "Wall time of one `irsignal` process from before posix_spawn to after waitpid, its output to "
          "files, " + std::to_string(options.runs) + " runs of each, median. The lircd.conf is one remote of " +
          std::to_string(buttons) + " buttons of NEC's timings (space encoding, 32 bits, `CONST_LENGTH`), the "
          "Flipper file " + std::to_string(buttons) + " `NECext` signals; the keymaps are those installed in `" +
          options.own + "`.\n\n";
    md += "| run | median | goal | verdict |\n| --- | ---: | --- | --- |\n";
    for (const Row& row : rows) {
        md += "| " + row.what + " | " + (row.result.failed.empty() ? milliseconds(row.result.median) : "–") +
              " | < 20 ms | " + verdict(row.result) + " |\n";
    }
    if (!keymapFailure.empty() || keymaps.empty()) {
        std::string why = keymaps.empty() ? "no keymap in " + options.own : keymapFailure;
        md += "| `list` of each installed keymap | – | < 20 ms | **not met**: failed (" + why + ") |\n";
    } else {
        md += "| `list` of each of the " + std::to_string(keymaps.size()) +
              " installed keymaps: the median of the files' medians | " + milliseconds(median(keymapMedians)) +
              " | < 20 ms | " + (keymapsOverGoal == 0 ? "met" : "**not met**") + " |\n";
        md += "| ... the slowest file, `" + slowest + "` | " +
              milliseconds(*std::max_element(keymapMedians.begin(), keymapMedians.end())) + " | < 20 ms | " +
              (keymapsOverGoal == 0 ? "met" : "**not met**: " + std::to_string(keymapsOverGoal) + " files") + " |\n";
    }
    md += "| `extract` of `rc6_mce.toml#KEY_VOLUMEUP` | " +
          (keyExtract.failed.empty() ? milliseconds(keyExtract.median) : "–") + " | < 20 ms | " +
          verdict(keyExtract) + " |\n";

    if (!options.markdown.empty()) {
        writeFile(options.markdown, md);
    }
    std::fputs(md.c_str(), stdout);
    bool failed = !keymapFailure.empty() || keymaps.empty() || !keyExtract.failed.empty() ||
                  std::any_of(rows.begin(), rows.end(), [](const Row& row) { return !row.result.failed.empty(); });
    if (failed) {
        std::fprintf(stderr, "irsignal_bench: a row failed (see its verdict)\n");
        return 1;
    }
    return 0;
} catch (const std::exception& failure) {
    std::fprintf(stderr, "irsignal_bench: %s\n", failure.what());
    return 1;
}
