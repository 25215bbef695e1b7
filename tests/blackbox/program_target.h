// Where and how the programs under test run: natively against the test double
// put in place with LD_LIBRARY_PATH, or as Windows programs under Wine with the
// double as OSTREL.dll beside them. The black-box table is the same for both.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "scratch_folder.h"

enum class Program { irplay, irrecord };

// Which library the program finds.
enum class Library { complete, withoutSelect, withoutPlay, withoutRecord, missing };

// Errors whose codes differ between platforms.
enum class SystemError { noSuchFile, noSuchFolder, accessDenied, isFolder, nameTooLong };

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
};

std::string callLog(const ScratchFolder& scratch);
std::string returnClock(const ScratchFolder& scratch);

// The target the test run was started for, from its command line.
const ProgramTarget& currentTarget();
void chooseTarget(std::unique_ptr<ProgramTarget> target);

std::unique_ptr<ProgramTarget> nativeTarget(std::string programs, std::string doubles);
