// Where and how the programs under test run: natively against the test double
// put in place with LD_LIBRARY_PATH, or as Windows programs under Wine with the
// double as OSTREL.dll beside them. The black-box table is the same for both.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/blackbox/child_process.h"
#include "tests/blackbox/scratch_folder.h"

enum class Program { irplay, irrecord };

// Which library the program finds.
enum class Library { complete, withoutSelect, withoutPlay, withoutRecord, missing };

// Errors whose codes differ between platforms.
enum class SystemError {
    noSuchFile, noSuchFolder, accessDenied, isFolder, nameTooLong, sharingViolation };

// The user a case that drops root runs as.
constexpr uint32_t unprivilegedUser = 65534;

class ProgramTarget {
public:
    virtual ~ProgramTarget() = default;
    virtual std::string name() const = 0;
    // The launch of the program in the scratch folder, with the library chosen;
    // the double logs its calls to callLog(scratch).
    virtual ChildLaunch launch(Program program, Library library,
                               const std::vector<std::string>& arguments,
                               const ScratchFolder& scratch) const = 0;
    virtual int32_t errorCode(SystemError error) const = 0;
    // The program's standard output as the messages were printed.
    virtual std::string messages(const std::string& standardOutput) const = 0;
    // Whether the loader of this target refuses a library that lacks an operation.
    virtual bool loaderChecksOperations() const = 0;
    virtual bool canDropRoot() const = 0;
    // Makes the launch run as unprivilegedUser.
    virtual void dropRoot(ChildLaunch& launch) const { launch.runAsUser = unprivilegedUser; }
    // Whether files have share modes, so that another process can hold one
    // open without sharing it. POSIX has none.
    virtual bool hasShareModes() const { return false; }
    // The launch, changed so that the program runs while another process
    // holds `file` (relative to the scratch folder) open without sharing.
    virtual ChildLaunch whileHeldUnshared(ChildLaunch launch, const std::string& file) const;
};

std::string callLog(const ScratchFolder& scratch);
std::string returnClock(const ScratchFolder& scratch);
const char* programName(Program program);
// The folder of the double's variant, in the folder of the doubles.
const char* libraryFolder(Library library);

// The target the test run was started for, from its command line.
const ProgramTarget& currentTarget();
void chooseTarget(std::unique_ptr<ProgramTarget> target);

std::unique_ptr<ProgramTarget> nativeTarget(std::string programs, std::string doubles);

// What the Windows programs run with under Wine.
struct WineSetup {
    std::string wine;                // wine64 (or wine, the 32-bit loader, where it runs)
    std::string prefix;              // the prefix made for this test run
    std::string unprivilegedPrefix;  // the one of unprivilegedUser; may not exist
    std::string programs;            // the folder of irplay.exe and irrecord.exe
    std::string doubles;             // the folder of the double's variants
    std::string shareHolder;         // hold_unshared.exe
    int runSeconds = 60;             // the most one run of a program may take
};
std::unique_ptr<ProgramTarget> wineTarget(WineSetup setup);
