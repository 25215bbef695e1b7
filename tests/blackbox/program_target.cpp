#include "tests/blackbox/program_target.h"

#include <cerrno>
#include <stdexcept>


const char* programName(Program program) {
    return program == Program::irplay ? "irplay" : "irrecord";
}

const char* libraryFolder(Library library) {
    switch (library) {
    case Library::withoutSelect:
        return "without-select";
    case Library::withoutPlay:
        return "without-play";
    case Library::withoutRecord:
        return "without-record";
    default:
        return "complete";
    }
}

ChildLaunch ProgramTarget::whileHeldUnshared(ChildLaunch, const std::string&) const {
    throw std::logic_error(name() + " has no share modes");
}

namespace {

std::unique_ptr<ProgramTarget> chosen;

std::vector<std::string> doubleEnvironment(const ScratchFolder& scratch) {
    // The log exists beforehand and is open to all, so that a program that
    // dropped root can still append to it.
    writeFile(callLog(scratch), "", 0666);
    return {"OSTREL_DOUBLE_LOG=" + callLog(scratch), "OSTREL_DOUBLE_CLOCK=" + returnClock(scratch)};
}

class NativeTarget : public ProgramTarget {
public:
    NativeTarget(std::string programs, std::string doubles)
        : programs_(std::move(programs)), doubles_(std::move(doubles)) {}

    std::string name() const override { return "native"; }

    ChildLaunch launch(Program program, Library library, const std::vector<std::string>& arguments,
                       const ScratchFolder& scratch) const override {
        ChildLaunch launch;
        launch.workingFolder = scratch.path();
        launch.setEnvironment = doubleEnvironment(scratch);
        launch.unsetEnvironment = {"LD_PRELOAD", "OSTREL_DOUBLE_RESULT"};
        std::string path = programs_ + "/" + programName(program);
        if (library == Library::missing) {
            // A copy alone in a tree of its own finds no library beside it.
            std::string copy = scratch / (std::string("app/bin/") + programName(program));
            copyFile(path, copy, 0755);
            path = copy;
            launch.unsetEnvironment.push_back("LD_LIBRARY_PATH");
        } else {
            launch.setEnvironment.push_back("LD_LIBRARY_PATH=" + doubles_ + "/" +
                                            libraryFolder(library));
        }
        launch.command = {path};
        launch.command.insert(launch.command.end(), arguments.begin(), arguments.end());
        return launch;
    }

    int32_t errorCode(SystemError error) const override {
        switch (error) {
        case SystemError::noSuchFile:
        case SystemError::noSuchFolder:
            return ENOENT;
        case SystemError::accessDenied:
            return EACCES;
        case SystemError::isFolder:
            return EISDIR;
        case SystemError::nameTooLong:
            return ENAMETOOLONG;
        case SystemError::sharingViolation:
            return -1;  // POSIX has no share modes
        }
        return -1;
    }

    std::string messages(const std::string& standardOutput) const override { return standardOutput; }
    bool loaderChecksOperations() const override { return true; }
    bool canDropRoot() const override { return true; }

    // The unprivileged user may not be able to reach the build tree (a clone
    // under /root, which only root may enter), so it runs copies of the
    // program and of the library it is given, in the scratch folder, which is
    // open to everyone.
    void dropRoot(ChildLaunch& launch) const override {
        ProgramTarget::dropRoot(launch);
        std::string copies = launch.workingFolder + "/unprivileged";
        std::string& program = launch.command.front();
        std::string copy = copies + "/bin/" + program.substr(program.rfind('/') + 1);
        copyFile(program, copy, 0755);
        program = copy;
        for (std::string& entry : launch.setEnvironment) {
            if (entry.starts_with("LD_LIBRARY_PATH=")) {
                copyFile(entry.substr(entry.find('=') + 1) + "/libostrel.so.1", copies + "/lib/libostrel.so.1", 0755);
                entry = "LD_LIBRARY_PATH=" + copies + "/lib";
            }
        }
    }

private:
    std::string programs_;
    std::string doubles_;
};

}  // namespace

std::string callLog(const ScratchFolder& scratch) { return scratch / "calls.log"; }
std::string returnClock(const ScratchFolder& scratch) { return scratch / "returned-at"; }

const ProgramTarget& currentTarget() {
    if (!chosen) {
        throw std::logic_error("no target chosen");
    }
    return *chosen;
}

void chooseTarget(std::unique_ptr<ProgramTarget> target) { chosen = std::move(target); }

std::unique_ptr<ProgramTarget> nativeTarget(std::string programs, std::string doubles) {
    return std::make_unique<NativeTarget>(std::move(programs), std::move(doubles));
}
