// The Windows programs under wine64. Each run gets a copy of the program and
// of the chosen OSTREL.dll in app\ of the scratch folder, and runs there as
// `wine64 app\irplay.exe ...` in the prefix made for this test run.
#include <sys/stat.h>

#include <algorithm>
#include <stdexcept>

#include "tests/blackbox/program_target.h"

namespace {

// The scratch folder as the Windows programs see it: Wine's drive Z: is the
// root of the Unix file system.
std::string windowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

bool ownedBy(const std::string& path, uint32_t user) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && status.st_uid == user;
}

class WineTarget : public ProgramTarget {
public:
    explicit WineTarget(WineSetup setup) : setup_(std::move(setup)) {}

    std::string name() const override { return "wine"; }

    ChildLaunch launch(Program program, Library library, const std::vector<std::string>& arguments,
                       const ScratchFolder& scratch) const override {
        // The log exists beforehand and is open to all, so that a program
        // run by an unprivileged user can still append to it.
        writeFile(callLog(scratch), "", 0666);
        ChildLaunch launch;
        launch.workingFolder = scratch.path();
        launch.setEnvironment = {"OSTREL_DOUBLE_LOG=" + windowsPath(callLog(scratch)),
                                 "OSTREL_DOUBLE_CLOCK=" + windowsPath(returnClock(scratch)),
                                 "WINEPREFIX=" + setup_.prefix, "WINEDEBUG=-all"};
        launch.unsetEnvironment = {"OSTREL_DOUBLE_RESULT", "WINEDLLOVERRIDES", "WINEDLLPATH",
                                   "WINELOADER", "WINESERVER", "DISPLAY", "WAYLAND_DISPLAY"};
        std::string executable = std::string(programName(program)) + ".exe";
        copyFile(setup_.programs + "/" + executable, scratch / ("app/" + executable), 0755);
        // Without a DLL beside it the program finds none: the prefix has no
        // OSTREL.dll and the scratch folder is not searched before app\.
        if (library != Library::missing) {
            copyFile(setup_.doubles + "/" + libraryFolder(library) + "/OSTREL.dll",
                     scratch / "app/OSTREL.dll", 0644);
        }
        launch.command = {setup_.wine, "app\\" + executable};
        launch.timeoutSeconds = setup_.runSeconds;
        launch.command.insert(launch.command.end(), arguments.begin(), arguments.end());
        return launch;
    }

    int32_t errorCode(SystemError error) const override {
        switch (error) {
        case SystemError::noSuchFile:
            return 2;  // ERROR_FILE_NOT_FOUND
        case SystemError::noSuchFolder:
            return 3;  // ERROR_PATH_NOT_FOUND
        case SystemError::accessDenied:
        case SystemError::isFolder:
            return 5;  // ERROR_ACCESS_DENIED
        case SystemError::nameTooLong:
            return 206;  // ERROR_FILENAME_EXCED_RANGE
        case SystemError::sharingViolation:
            return 32;  // ERROR_SHARING_VIOLATION
        }
        return -1;
    }

    // The C runtime writes "\n" as "\r\n" in text mode; that is folded back.
    // A line end without its CR is marked, so that a program whose output is
    // not in text mode fails the comparison.
    std::string messages(const std::string& standardOutput) const override {
        std::string folded;
        for (size_t at = 0; at < standardOutput.size(); ++at) {
            char c = standardOutput[at];
            if (c == '\r' && at + 1 < standardOutput.size() && standardOutput[at + 1] == '\n') {
                continue;
            }
            if (c == '\n' && (at == 0 || standardOutput[at - 1] != '\r')) {
                folded += "[LF without CR]";
            }
            folded += c;
        }
        return folded;
    }

    // Wine's loader binds a stub for an ordinal the DLL lacks, and the
    // program runs on until it calls it; Windows' loader refuses to start it.
    bool loaderChecksOperations() const override { return false; }

    // Wine runs only in a prefix its user owns; the fixture makes one for
    // unprivilegedUser when the tests run as root.
    bool canDropRoot() const override {
        return !setup_.unprivilegedPrefix.empty() &&
               ownedBy(setup_.unprivilegedPrefix, unprivilegedUser);
    }

    void dropRoot(ChildLaunch& launch) const override {
        launch.runAsUser = unprivilegedUser;
        for (std::string& entry : launch.setEnvironment) {
            if (entry.rfind("WINEPREFIX=", 0) == 0) {
                entry = "WINEPREFIX=" + setup_.unprivilegedPrefix;
            }
        }
        launch.setEnvironment.push_back("HOME=" + setup_.unprivilegedPrefix);
    }

    bool hasShareModes() const override { return true; }

    // hold_unshared.exe opens the file without sharing, then starts the
    // program under the same wineserver and waits for it.
    ChildLaunch whileHeldUnshared(ChildLaunch launch, const std::string& file) const override {
        if (setup_.shareHolder.empty()) {
            throw std::runtime_error("no --share-holder given");
        }
        launch.command.insert(launch.command.begin() + 1, {setup_.shareHolder, file});
        return launch;
    }

private:
    WineSetup setup_;
};

}  // namespace

std::unique_ptr<ProgramTarget> wineTarget(WineSetup setup) {
    return std::make_unique<WineTarget>(std::move(setup));
}
