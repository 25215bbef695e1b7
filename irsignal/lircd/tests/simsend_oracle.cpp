#include "irsignal/lircd/tests/simsend_oracle.h"

#include <sstream>

#include <unistd.h>

#include "tests/blackbox/child_process.h"
#include "tests/blackbox/scratch_folder.h"

namespace {

constexpr const char* irsimsendPath = "/usr/bin/irsimsend";

}  // namespace

bool irsimsendInstalled() {
    return access(irsimsendPath, X_OK) == 0;
}

SimsendResult simsend(const std::string& folder, const std::string& conf, const std::string& button, size_t count) {
    writeFile(folder + "/remote.conf", conf);
    ChildLaunch launch;
    launch.command = {irsimsendPath, "-k", button, "-c", std::to_string(count), "remote.conf"};
    launch.workingFolder = folder;
    launch.setEnvironment = {"XDG_CACHE_HOME=" + folder};  // its log, irsimsend.log
    ChildResult ran = runChild(launch);
    SimsendResult result;
    if (!ran.exited || ran.exitStatus != 0) {
        result.error = "irsimsend failed: " + ran.standardError;
        return result;
    }
    std::istringstream output(readFile(folder + "/simsend.out"));
    std::string kind;
    long long duration = 0;
    while (output >> kind >> duration) {
        bool pulse = kind == "pulse";
        if ((!pulse && kind != "space") || pulse != (result.durations.size() % 2 == 0) || duration < 0) {
            result.error = "simsend.out has \"" + kind + " " + std::to_string(duration) + "\" at value " +
                           std::to_string(result.durations.size() + 1);
            return result;
        }
        result.durations.push_back(static_cast<uint32_t>(duration));
    }
    // The space after the last send, 0 for a remote without a gap, is no part
    // of the signal.
    if (result.durations.size() % 2 != 0) {
        result.error = "simsend.out ends with a pulse";
    } else if (result.durations.empty()) {
        result.error = "irsimsend sent nothing";
    } else {
        result.durations.pop_back();
    }
    return result;
}

std::vector<RemoteText> remoteTextsOf(const std::string& conf) {
    std::vector<RemoteText> remotes;
    std::istringstream lines(conf);
    std::string line;
    bool inside = false;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string key, value;
        words >> key >> value;
        if (key == "begin" && value == "remote") {
            remotes.push_back({});
            inside = true;
        }
        if (inside) {
            remotes.back().text += line + "\n";
            if (key == "name" && remotes.back().name.empty()) {
                remotes.back().name = value;
            }
        }
        if (key == "end" && value == "remote") {
            inside = false;
        }
    }
    return remotes;
}
