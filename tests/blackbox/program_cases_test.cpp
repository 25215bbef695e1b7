// The black-box table: each case runs irplay or irrecord as a process against
// the test double and checks its standard output byte for byte, its exit
// status, the library calls it made and the files it left behind.
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/blackbox/program_target.h"

namespace {

constexpr char keySignal[] = "pulse 900\nspace 450\npulse 900\n";
constexpr char recorded[] = "recorded by the test double\n";

constexpr char playUsage[] =
    "Usage for IR Playback test:\n"
    "-i [s] where s is the input file\n"
    "-b [s] where s is the blaster port (1/2)\n";
constexpr char recordUsage[] =
    "Usage for IR Recording test:\n"
    "-o [s] where s is the output file\n";

// A relative name of exactly `length` characters, in a folder so that no path
// component exceeds what file systems allow.
std::string nameOfLength(size_t length) {
    std::string folder(120, 'd');
    return folder + "/" + std::string(length - folder.size() - 1, 'f');
}
const std::string name259 = nameOfLength(259);
const std::string name260 = nameOfLength(260);

struct File {
    std::string path;
    std::string content;
    unsigned mode = 0644;
};

struct Case {
    const char* name;
    Program program;
    std::vector<std::string> arguments{};
    std::vector<File> before{};  // files made before the run
    std::vector<std::string> foldersBefore{};
    // Standard output; "{error}" stands for the code of expectedError.
    std::string output{};
    std::vector<std::string> calls{};  // the double's log, line by line
    std::vector<File> after{};         // files and their content after the run
    std::vector<std::string> absent{};  // files that must not exist after the run
    SystemError expectedError = SystemError::noSuchFile;
    int32_t result = 1;  // what PlayFromFile or RecordToFile returns
    Library library = Library::complete;
    bool unprivileged = false;  // run with root dropped
    // A file that another process holds open without sharing during the run;
    // only targets with share modes run such a case.
    std::string heldUnshared{};
};

std::string playCall(const std::string& content, int32_t result = 1) {
    return "PlayFromFile access=rw content=\"" + content + "\" -> " + std::to_string(result);
}
std::string recordCall(const std::string& content = "", int32_t result = 1) {
    return "RecordToFile access=rw content=\"" + content + "\" 15000 -> " + std::to_string(result);
}
std::string port(int value) { return "SelectBlasterPort " + std::to_string(value); }
const std::string closed = "exit handle=closed";
const std::string keyPlayed = "pulse 900\\x0aspace 450\\x0apulse 900\\x0a";
const std::vector<std::string> playedOnPort0 = {port(0), playCall(keyPlayed), closed};
const std::string played = "Play successfull !\n";
const std::string recordedOk = "Record successfull !\n";
const File key{"key.ir", keySignal};

const Case cases[] = {
    // irplay: the command line
    {.name = "PlayWithoutArgumentsPrintsUsage", .program = Program::irplay, .output = playUsage},
    {.name = "PlayUsageOnceForTwoUnknownOptions", .program = Program::irplay,
     .arguments = {"-x", "-y"}, .output = playUsage},
    {.name = "PlayLoneDashAndSlashAreUnknown", .program = Program::irplay,
     .arguments = {"-", "/"}, .output = playUsage},
    {.name = "PlayInputOptionLastPrintsUsage", .program = Program::irplay, .arguments = {"-i"},
     .output = playUsage},
    {.name = "PlayPortWithoutFileDoesNothing", .program = Program::irplay, .arguments = {"-b", "1"}},
    {.name = "PlayStrayArgumentsIgnored", .program = Program::irplay,
     .arguments = {"stray", "-i", "key.ir", "more"}, .before = {key}, .output = played,
     .calls = playedOnPort0},
    {.name = "PlayDefaultPortIsZero", .program = Program::irplay, .arguments = {"-i", "key.ir"},
     .before = {key}, .output = played, .calls = playedOnPort0},
    {.name = "PlayFailureReported", .program = Program::irplay, .arguments = {"-i", "key.ir"},
     .before = {key}, .output = "Play failed !\n",
     .calls = {port(0), playCall(keyPlayed, 0), closed}, .result = 0},
    {.name = "PlayPort3Dropped", .program = Program::irplay,
     .arguments = {"-b", "3", "-i", "key.ir"}, .before = {key}, .output = played,
     .calls = playedOnPort0},
    {.name = "PlayPortWordReadsAsZero", .program = Program::irplay,
     .arguments = {"-b", "2", "-b", "word", "-i", "key.ir"}, .before = {key}, .output = played,
     .calls = playedOnPort0},
    {.name = "PlayLastValidPortWins", .program = Program::irplay,
     .arguments = {"-b", "2", "-b", "7", "-i", "key.ir"}, .before = {key}, .output = played,
     .calls = {port(2), playCall(keyPlayed), closed}},
    {.name = "PlayPortWrapsModulo2To32", .program = Program::irplay,
     .arguments = {"-b", "4294967298", "-i", "key.ir"}, .before = {key}, .output = played,
     .calls = {port(2), playCall(keyPlayed), closed}},
    {.name = "PlayPortWrappingNegativeDropped", .program = Program::irplay,
     .arguments = {"-b", "1", "-b", "2147483648", "-i", "key.ir"}, .before = {key},
     .output = played, .calls = {port(1), playCall(keyPlayed), closed}},
    {.name = "PlayPortNegatedAfterWrap", .program = Program::irplay,
     .arguments = {"-b", "-4294967295", "-i", "key.ir"}, .before = {key},
     .output = std::string(playUsage) + played, .calls = {port(1), playCall(keyPlayed), closed}},
    {.name = "PlayPortLeadingBlanksAndPlus", .program = Program::irplay,
     .arguments = {"-b", " \t+2x", "-i", "key.ir"}, .before = {key}, .output = played,
     .calls = {port(2), playCall(keyPlayed), closed}},
    {.name = "PlayPortMinusOneIsExaminedAsOption", .program = Program::irplay,
     .arguments = {"-b", "-1", "-i", "key.ir"}, .before = {key},
     .output = std::string(playUsage) + played, .calls = playedOnPort0},
    {.name = "PlayPortFollowedByInputReadsZero", .program = Program::irplay,
     .arguments = {"-b", "2", "-b", "-i", "key.ir"}, .before = {key}, .output = played,
     .calls = playedOnPort0},
    {.name = "PlayPortOptionLastPrintsUsage", .program = Program::irplay,
     .arguments = {"-b", "1", "-i", "key.ir", "-b"}, .before = {key},
     .output = std::string(playUsage) + played, .calls = {port(1), playCall(keyPlayed), closed}},
    {.name = "PlaySlashUpperCaseAndLongLetters", .program = Program::irplay,
     .arguments = {"/Input", "key.ir", "-BLASTER", "1"}, .before = {key}, .output = played,
     .calls = {port(1), playCall(keyPlayed), closed}},
    {.name = "PlaySecondInputWins", .program = Program::irplay,
     .arguments = {"-i", "first.ir", "-i", "second.ir"},
     .before = {{"first.ir", "1"}, {"second.ir", "2"}}, .output = played,
     .calls = {port(0), playCall("2"), closed}},
    {.name = "PlayUnknownOptionAfterFileStillPlays", .program = Program::irplay,
     .arguments = {"-i", "key.ir", "-z"}, .before = {key},
     .output = std::string(playUsage) + played, .calls = playedOnPort0},
    {.name = "PlayNameBeginningWithDash", .program = Program::irplay,
     .arguments = {"-i", "-key.ir"}, .before = {{"-key.ir", "dash"}}, .output = played,
     .calls = {port(0), playCall("dash"), closed}},
    {.name = "PlayName259Fits", .program = Program::irplay, .arguments = {"-i", name259},
     .before = {{name259, "long"}}, .output = played, .calls = {port(0), playCall("long"), closed}},
    {.name = "PlayInputFileLeftAsItWas", .program = Program::irplay,
     .arguments = {"-i", "key.ir"}, .before = {key}, .output = played, .calls = playedOnPort0,
     .after = {key}},

    // irplay: files that cannot be opened
    {.name = "PlayName260Refused", .program = Program::irplay, .arguments = {"-i", name260},
     .before = {{name260, "long"}}, .output = "Error {error} opening " + name260,
     .expectedError = SystemError::nameTooLong},
    {.name = "PlayMissingFile", .program = Program::irplay, .arguments = {"-i", "nosuch.ir"},
     .output = "Error {error} opening nosuch.ir", .absent = {"nosuch.ir"}},
    {.name = "PlayMissingFolder", .program = Program::irplay,
     .arguments = {"-i", "nodir/key.ir"}, .output = "Error {error} opening nodir/key.ir",
     .expectedError = SystemError::noSuchFolder},
    {.name = "PlayFolderIsNoFile", .program = Program::irplay, .arguments = {"-i", "folder"},
     .foldersBefore = {"folder"}, .output = "Error {error} opening folder",
     .expectedError = SystemError::isFolder},
    {.name = "PlayReadOnlyFileRefused", .program = Program::irplay,
     .arguments = {"-i", "key.ir"}, .before = {{"key.ir", keySignal, 0444}},
     .output = "Error {error} opening key.ir", .after = {key},
     .expectedError = SystemError::accessDenied, .unprivileged = true},

    {.name = "PlayFileHeldUnsharedRefused", .program = Program::irplay,
     .arguments = {"-i", "key.ir"}, .before = {key}, .output = "Error {error} opening key.ir",
     .after = {key}, .expectedError = SystemError::sharingViolation, .heldUnshared = "key.ir"},

    // irplay: the library
    {.name = "PlayLibraryWithoutPlayRefusedByLoader", .program = Program::irplay,
     .arguments = {"-i", "key.ir"}, .before = {key}, .after = {key},
     .library = Library::withoutPlay},
    {.name = "PlayLibraryWithoutSelectRefusedByLoader", .program = Program::irplay,
     .arguments = {"-i", "key.ir"}, .before = {key}, .after = {key},
     .library = Library::withoutSelect},
    {.name = "PlayWithoutLibrary", .program = Program::irplay, .arguments = {"-i", "key.ir"},
     .before = {key}, .after = {key}, .library = Library::missing},

    // irrecord: the command line
    {.name = "RecordWithoutArgumentsPrintsUsage", .program = Program::irrecord,
     .output = recordUsage},
    {.name = "RecordOutputOptionLastPrintsUsage", .program = Program::irrecord,
     .arguments = {"-o"}, .output = recordUsage},
    {.name = "RecordUsageOnceForUnknownAndLastOutput", .program = Program::irrecord,
     .arguments = {"-x", "-o"}, .output = recordUsage},
    {.name = "RecordCreatesAndRecords", .program = Program::irrecord,
     .arguments = {"-o", "out.ir"}, .output = recordedOk, .calls = {recordCall(), closed},
     .after = {{"out.ir", recorded}}},
    {.name = "RecordSlashUpperCaseAndLongLetters", .program = Program::irrecord,
     .arguments = {"/OUTPUT", "out.ir"}, .output = recordedOk, .calls = {recordCall(), closed},
     .after = {{"out.ir", recorded}}},
    {.name = "RecordUnknownOptionAfterFileStillRecords", .program = Program::irrecord,
     .arguments = {"stray", "-o", "out.ir", "/q"}, .output = std::string(recordUsage) + recordedOk,
     .calls = {recordCall(), closed}, .after = {{"out.ir", recorded}}},
    {.name = "RecordSecondOutputWins", .program = Program::irrecord,
     .arguments = {"-o", "first.ir", "-o", "second.ir"}, .before = {{"first.ir", "keep"}},
     .output = recordedOk, .calls = {recordCall(), closed},
     .after = {{"first.ir", "keep"}, {"second.ir", recorded}}},
    {.name = "RecordEmptiesExistingFileFirst", .program = Program::irrecord,
     .arguments = {"-o", "out.ir"}, .before = {{"out.ir", "old signal"}}, .output = recordedOk,
     .calls = {recordCall(), closed}, .after = {{"out.ir", recorded}}},
    {.name = "RecordFailureLeavesFileBehind", .program = Program::irrecord,
     .arguments = {"-o", "out.ir"}, .before = {{"out.ir", "old signal"}},
     .output = "Record failed !\n", .calls = {recordCall("", 0), closed},
     .after = {{"out.ir", recorded}}, .result = 0},
    {.name = "RecordNameBeginningWithDash", .program = Program::irrecord,
     .arguments = {"-o", "-out.ir"}, .output = recordedOk, .calls = {recordCall(), closed},
     .after = {{"-out.ir", recorded}}},
    {.name = "RecordName259Fits", .program = Program::irrecord, .arguments = {"-o", name259},
     .foldersBefore = {name259.substr(0, 120)}, .output = recordedOk,
     .calls = {recordCall(), closed}, .after = {{name259, recorded}}},

    // irrecord: files that cannot be created
    {.name = "RecordName260Refused", .program = Program::irrecord, .arguments = {"-o", name260},
     .foldersBefore = {name260.substr(0, 120)}, .output = "Error {error} creating " + name260,
     .absent = {name260}, .expectedError = SystemError::nameTooLong},
    {.name = "RecordMissingFolder", .program = Program::irrecord,
     .arguments = {"-o", "nodir/out.ir"}, .output = "Error {error} creating nodir/out.ir",
     .absent = {"nodir"}, .expectedError = SystemError::noSuchFolder},
    {.name = "RecordFolderIsNoFile", .program = Program::irrecord, .arguments = {"-o", "folder"},
     .foldersBefore = {"folder"}, .output = "Error {error} creating folder",
     .expectedError = SystemError::isFolder},
    {.name = "RecordReadOnlyFileKept", .program = Program::irrecord,
     .arguments = {"-o", "out.ir"}, .before = {{"out.ir", "keep", 0444}},
     .output = "Error {error} creating out.ir", .after = {{"out.ir", "keep"}},
     .expectedError = SystemError::accessDenied, .unprivileged = true},

    {.name = "RecordFileHeldUnsharedKept", .program = Program::irrecord,
     .arguments = {"-o", "out.ir"}, .before = {{"out.ir", "keep"}},
     .output = "Error {error} creating out.ir", .after = {{"out.ir", "keep"}},
     .expectedError = SystemError::sharingViolation, .heldUnshared = "out.ir"},

    // irrecord: the library
    {.name = "RecordLibraryWithoutRecordLeavesFileAlone", .program = Program::irrecord,
     .arguments = {"-o", "out.ir"}, .before = {{"out.ir", "keep"}},
     .after = {{"out.ir", "keep"}}, .library = Library::withoutRecord},
    {.name = "RecordWithoutLibraryLeavesFileAlone", .program = Program::irrecord,
     .arguments = {"-o", "out.ir"}, .before = {{"out.ir", "keep"}},
     .after = {{"out.ir", "keep"}}, .library = Library::missing},
};

// Names the case in test output, instead of a dump of its bytes.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        result.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

std::string expand(std::string text, int32_t code) {
    size_t at = text.find("{error}");
    if (at != std::string::npos) {
        text.replace(at, 7, std::to_string(code));
    }
    return text;
}

bool loaderMustRefuse(Library library) {
    return library != Library::complete;
}

class ProgramCase : public ::testing::TestWithParam<Case> {};

TEST_P(ProgramCase, BehavesAsSpecified) {
    const Case& c = GetParam();
    const ProgramTarget& target = currentTarget();
    bool missingOperation = c.library != Library::complete && c.library != Library::missing;
    if (missingOperation && !target.loaderChecksOperations()) {
        GTEST_SKIP() << "this loader binds a stub for an ordinal the DLL lacks and the program "
                        "runs on until it calls it; the import tables, checked statically by "
                        "windows.*.static_checks, prove the ordinals instead";
    }
    if (!c.heldUnshared.empty() && !target.hasShareModes()) {
        GTEST_SKIP() << "this platform has no share modes: another process cannot hold a file "
                        "open without sharing it";
    }
    if (c.unprivileged && (!target.canDropRoot() || geteuid() != 0)) {
        GTEST_SKIP() << "needs to run as root and to drop to an unprivileged user";
    }

    ScratchFolder scratch;
    if (c.unprivileged && !everyoneMayEnter(scratch.path())) {
        GTEST_SKIP() << scratch.path() << " lies in a folder that an unprivileged user may not enter";
    }
    for (const std::string& folder : c.foldersBefore) {
        makeFolders(scratch / folder);
    }
    for (const File& file : c.before) {
        writeFile(scratch / file.path, file.content, file.mode);
    }
    ChildLaunch launch = target.launch(c.program, c.library, c.arguments, scratch);
    launch.setEnvironment.push_back("OSTREL_DOUBLE_RESULT=" + std::to_string(c.result));
    if (c.unprivileged) {
        target.dropRoot(launch);
    }
    if (!c.heldUnshared.empty()) {
        launch = target.whileHeldUnshared(launch, c.heldUnshared);
    }
    ChildResult run = runChild(launch);

    ASSERT_FALSE(run.timedOut);
    if (loaderMustRefuse(c.library)) {
        EXPECT_TRUE(run.exited);
        EXPECT_NE(run.exitStatus, 0) << "the loader should have refused to start it";
    } else {
        EXPECT_TRUE(run.exited) << "signal " << run.signal << "\n" << run.standardError;
        EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    }
    EXPECT_EQ(target.messages(run.standardOutput), expand(c.output, target.errorCode(c.expectedError)));
    EXPECT_EQ(lines(readFile(callLog(scratch))), c.calls);
    for (const File& file : c.after) {
        ASSERT_TRUE(fileExists(scratch / file.path)) << file.path;
        EXPECT_EQ(readFile(scratch / file.path), file.content) << file.path;
    }
    for (const std::string& path : c.absent) {
        EXPECT_FALSE(fileExists(scratch / path)) << path;
    }
}

// The pause between the end of the playback and the closing of the file: the
// double notes when PlayFromFile returned and when the process exited, after
// the file had been closed, on its own clock.
TEST(PlayPause, FileClosedNoSoonerThan100MillisecondsAfterPlay) {
    const ProgramTarget& target = currentTarget();
    ScratchFolder scratch;
    writeFile(scratch / "key.ir", keySignal);
    ChildResult run = runChild(target.launch(Program::irplay, Library::complete,
                                             {"-i", "key.ir"}, scratch));
    ASSERT_EQ(target.messages(run.standardOutput), played);
    std::map<std::string, int64_t> moments;
    for (const std::string& line : lines(readFile(returnClock(scratch)))) {
        size_t blank = line.find(' ');
        moments[line.substr(0, blank)] = std::stoll(line.substr(blank + 1));
    }
    ASSERT_EQ(moments.count("play-returned"), 1u);
    ASSERT_EQ(moments.count("exit"), 1u);
    EXPECT_GE(moments["exit"] - moments["play-returned"], 100'000'000);
    EXPECT_EQ(lines(readFile(callLog(scratch))).back(), closed);
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramCase, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<Case>& caseInfo) {
                             return std::string(caseInfo.param.name);
                         });

}  // namespace
