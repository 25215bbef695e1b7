#include "irsignal/tests/extract_and_play.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <vector>

#include "ostrel/codec/transmission_plan.h"
#include "tests/blackbox/child_process.h"
#include "tests/blackbox/scratch_folder.h"

namespace irsignal {

namespace {

constexpr uint32_t irplayDefaultCarrier = 38000;

// A program of the build on the emulated device of the folder, which it
// sends to at once (no waiting out of what it sends).
ChildResult onDevice(const std::string& folder, std::vector<std::string> command) {
    ChildLaunch launch;
    launch.command = std::move(command);
    launch.workingFolder = folder;
    launch.setEnvironment = {std::string("LD_PRELOAD=") + LIRC_EMULATOR_LIBRARY,
                             "LIRC_EMULATOR_DEVICE=" + folder + "/lirc0",
                             "LIRC_EMULATOR_LOG=" + folder + "/sent.log",
                             "LIRC_EMULATOR_STATE=" + folder + "/device.state",
                             "LIRC_EMULATOR_NO_DELAY=1",
                             "OSTREL_DEVICE=" + folder + "/lirc0"};
    launch.unsetEnvironment = {"LD_LIBRARY_PATH",         "LIRC_EMULATOR_EMITTERS",    "LIRC_EMULATOR_WITHOUT",
                               "LIRC_EMULATOR_RECEIVE",   "LIRC_EMULATOR_WRITE_ERROR", "LIRC_EMULATOR_PROFILE",
                               "LIRC_EMULATOR_LOOPBACK",  "LIRC_EMULATOR_QUIRKS",      "LIRC_EMULATOR_UNPLUG"};
    launch.timeoutSeconds = 60;
    return runChild(launch);
}

// "carrier=C durations=D D D" of the writes irplay's library makes of the
// signal, one a write, as the emulator's log has them (less the duty cycle
// and emitter mask, which the keyword form leaves to the device).
std::vector<std::string> expectedWrites(const ostrel::Signal& signal) {
    std::vector<std::string> writes;
    ostrel::TransmissionPlan plan = ostrel::planTransmission(signal);
    for (const ostrel::PlannedWrite& write : plan.writes) {
        // Appended piece by piece: g++ 12 at -O3 takes "..." + a string for
        // an overlapping copy (-Wrestrict).
        std::string line = "carrier=";
        line += std::to_string(signal.carrier.value_or(irplayDefaultCarrier));
        line += " durations=";
        for (size_t i = write.first; i < write.first + write.count; ++i) {
            if (i != write.first) {
                line += ' ';
            }
            line += std::to_string(signal.durations[i]);
        }
        writes.push_back(std::move(line));
    }
    return writes;
}

// A line of the log, "send carrier=38000 duty=33 mask=0x3 durations=...",
// as expectedWrites() has it.
std::string loggedWrite(const std::string& line) {
    std::istringstream in(line);
    std::string carrier, durations, word;
    while (in >> word) {
        if (word.starts_with("carrier=")) {
            carrier = word;
        } else if (word.starts_with("durations=")) {
            durations = word;
            while (in >> word) {
                durations += " " + word;
            }
        }
    }
    return carrier + " " + durations;
}

std::string resultText(const ChildResult& run) {
    return "exit " + std::to_string(run.exitStatus) + (run.exited ? "" : " (killed)") + ", output '" +
           run.standardOutput + "', error '" + run.standardError + "'";
}

}  // namespace

std::string extractAndPlay(const std::string& folder, const std::string& signal, const ostrel::Signal& expected) {
    std::error_code ignored;
    std::filesystem::remove(folder + "/sent.log", ignored);
    std::filesystem::remove(folder + "/extracted.ir", ignored);
    ChildResult extract = onDevice(folder, {IRSIGNAL, "extract", signal, "-o", "extracted.ir"});
    if (!extract.exited || extract.exitStatus != 0 || !extract.standardError.empty()) {
        return "irsignal extract " + signal + ": " + resultText(extract);
    }
    ChildResult play = onDevice(folder, {IRPLAY, "-i", "extracted.ir"});
    if (!play.exited || play.exitStatus != 0 || play.standardOutput != "Play successfull !\n") {
        return "irplay -i extracted.ir of " + signal + ": " + resultText(play);
    }
    std::vector<std::string> sent;
    if (fileExists(folder + "/sent.log")) {
        for (const std::string& line : linesOf(readFile(folder + "/sent.log"))) {
            sent.push_back(loggedWrite(line));
        }
    }
    std::vector<std::string> writes = expectedWrites(expected);
    if (sent != writes) {
        std::string text = signal + ": the device took " + std::to_string(sent.size()) + " writes, not the " +
                           std::to_string(writes.size()) + " of the signal:";
        for (size_t i = 0; i < std::max(sent.size(), writes.size()); ++i) {
            text += "\n  took     " + (i < sent.size() ? sent[i] : "-");
            text += "\n  expected " + (i < writes.size() ? writes[i] : "-");
        }
        return text + "\nextracted file:\n" + readFile(folder + "/extracted.ir");
    }
    return "";
}

std::string extractRefuses(const std::string& folder, const std::string& signal, const std::string& refusal) {
    std::error_code ignored;
    std::filesystem::remove(folder + "/refused.ir", ignored);
    ChildResult extract = onDevice(folder, {IRSIGNAL, "extract", signal, "-o", "refused.ir"});
    if (!extract.exited || extract.exitStatus != 1 || extract.standardError.find(refusal) == std::string::npos ||
        std::count(extract.standardError.begin(), extract.standardError.end(), '\n') != 1) {
        return "irsignal extract " + signal + " (refused: " + refusal + "): " + resultText(extract);
    }
    if (fileExists(folder + "/refused.ir")) {
        return "irsignal extract " + signal + " refused it but left refused.ir behind";
    }
    return "";
}

}  // namespace irsignal
