// irsignal as a process: its command line, exit statuses, what it prints
// on each stream, and the files it leaves (every output whole, or none).
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/blackbox/child_process.h"
#include "tests/blackbox/scratch_folder.h"

namespace {

const std::string usage =
    "usage: irsignal list FILE...\n"
    "       irsignal extract SIGNAL [-o OUT]\n"
    "       irsignal show SIGNAL [--svg OUT.svg]\n"
    "       irsignal compare SIGNAL SIGNAL\n"
    "SIGNAL is FILE, a file of one signal, or FILE#NAME, NAME as list prints it.\n"
    "FILE is a Flipper IR file, a lircd.conf file, a kernel keymap (TOML) or a\n"
    "file irplay plays. See irsignal(1).\n";

const std::string remote =
    "Filetype: IR signals file\nVersion: 1\n"
    "#\nname: Power\ntype: parsed\nprotocol: NEC\naddress: 07 00 00 00\ncommand: 02 00 00 00\n"
    "#\nname: Mute\ntype: raw\nfrequency: 36000\nduty_cycle: 0.5\ndata: 900 450 900 25000 900\n"
    "#\nname: Power\ntype: parsed\nprotocol: RC5\naddress: 1E 00 00 00\ncommand: 01 00 00 00\n"
    "#\nname: Eject\ntype: parsed\nprotocol: Frobnic\naddress: 01 00 00 00\ncommand: 01 00 00 00\n";
const std::string refusedEject =
    "remote.ir:22: Eject (flipper parsed Frobnic) cannot be sent: protocol 'Frobnic': no Flipper "
    "protocol is named so; the protocols played are NEC, NECext, NEC42, NEC42ext, Samsung32, RC5, "
    "RC5X, RC6, SIRC, SIRC15, SIRC20, Kaseikyo, RCA, Pioneer\n";
const std::string listed =
    "Power\tflipper parsed NEC\tnec:0x702\t38000 Hz\t68.1 ms\t1 frame\n"
    "Mute\tflipper raw\t-\t36000 Hz\t28.2 ms\t2 frames\n"
    "Power#2\tflipper parsed RC5\trc5:0x1e01\t36000 Hz\t24.0 ms\t1 frame\n"
    "Eject\tflipper parsed Frobnic\tcannot be sent: protocol 'Frobnic': no Flipper protocol is named so; "
    "the protocols played are NEC, NECext, NEC42, NEC42ext, Samsung32, RC5, RC5X, RC6, SIRC, SIRC15, "
    "SIRC20, Kaseikyo, RCA, Pioneer\n";
const std::string muteExtracted =
    "# remote.ir#Mute: flipper raw\n"
    "# duty cycle 50 %, which this form cannot hold: the device sends at its own\n"
    "carrier 36000\npulse 900\nspace 450\npulse 900\nspace 25000\npulse 900\n";
const std::string powerExtracted =
    "# remote.ir#Power#2: flipper parsed RC5\n"
    "# duty cycle 33 %, which this form cannot hold: the device sends at its own\n"
    "carrier 36000\nscancode rc5:0x1e01\n";
const std::string key = "carrier 36000\nscancode rc5:0x1e01\n";

struct File {
    std::string path;
    std::string content;
    unsigned mode = 0644;
};

struct CliCase {
    const char* name;
    std::vector<std::string> arguments;
    std::vector<File> before = {{"remote.ir", remote}};
    int status = 0;
    std::string output = {};
    std::string error = {};
    std::vector<File> after = {};  // files and their content afterwards, besides those before
    std::vector<std::string> folders = {};  // made before, mode 0555
    bool unprivileged = false;              // run with root dropped
    off_t sparseSize = 0;                   // the first file made this large
    std::string outputContains = {};        // instead of output, a part of it
};

const CliCase cases[] = {
    // The command line
    {.name = "NoArguments", .arguments = {}, .status = 2,
     .error = "irsignal: which command: list, extract, show or compare?\n" + usage},
    {.name = "Help", .arguments = {"--help"}, .output = usage},
    {.name = "UnknownCommand", .arguments = {"play", "remote.ir"}, .status = 2,
     .error = "irsignal: unknown command play\n" + usage},
    {.name = "ListWithoutFile", .arguments = {"list"}, .status = 2, .error = "irsignal: list needs a FILE\n" + usage},
    {.name = "ExtractTwoSignals", .arguments = {"extract", "remote.ir#Mute", "remote.ir#Power"}, .status = 2,
     .error = "irsignal: extract takes one SIGNAL\n" + usage},
    {.name = "OutputWithoutName", .arguments = {"extract", "remote.ir#Mute", "-o"}, .status = 2,
     .error = "irsignal: -o needs a file name\n" + usage},
    {.name = "OutputTwice", .arguments = {"extract", "-o", "a.ir", "remote.ir#Mute", "-o", "b.ir"}, .status = 2,
     .error = "irsignal: -o given twice\n" + usage},
    {.name = "UnknownOption", .arguments = {"show", "--png", "x.png", "remote.ir#Mute"}, .status = 2,
     .error = "irsignal: unknown option --png\n" + usage},
    {.name = "OptionOfAnotherCommand", .arguments = {"list", "-o", "x", "remote.ir"}, .status = 2,
     .error = "irsignal: unknown option -o\n" + usage},
    {.name = "CompareOneSignal", .arguments = {"compare", "remote.ir#Mute"}, .status = 2,
     .error = "irsignal: compare takes two SIGNALs\n" + usage},

    // list
    {.name = "ListsAFlipperFile", .arguments = {"list", "remote.ir"}, .output = listed},
    {.name = "ListsSeveralFilesByFileAndName", .arguments = {"list", "key.ir", "remote.ir"},
     .before = {{"remote.ir", remote}, {"key.ir", key}},
     .outputContains = "key.ir\tir-ctl keywords\trc5:0x1e01\t36000 Hz\t24.0 ms\t1 frame\n"
                       "remote.ir#Power\tflipper parsed NEC\t"},
    {.name = "ListMissingFile", .arguments = {"list", "remote.ir", "nope.ir"}, .status = 1,
     .error = "nope.ir: No such file or directory\n"},
    {.name = "ListBadFileListsNothing", .arguments = {"list", "remote.ir", "bad.ir"},
     .before = {{"remote.ir", remote}, {"bad.ir", "pulse 900\nspice 450\n"}}, .status = 1,
     .error = "bad.ir:2: expected pulse, space, timeout, carrier or scancode\n"},
    {.name = "ListDevZero", .arguments = {"list", "/dev/zero"}, .status = 1,
     .error = "/dev/zero: not a regular file\n"},
    {.name = "ListFolder", .arguments = {"list", "."}, .status = 1, .error = ".: not a regular file\n"},
    {.name = "ListFileOver16MiB", .arguments = {"list", "big.ir"}, .before = {{"big.ir", ""}}, .status = 1,
     .error = "big.ir: larger than 16 MiB, too large for a file of codes\n", .sparseSize = (16 << 20) + 1},
    {.name = "ListUnreadableFile", .arguments = {"list", "secret.ir"}, .before = {{"secret.ir", key, 0600}},
     .status = 1, .error = "secret.ir: Permission denied\n", .unprivileged = true},
    {.name = "ListNameWithControlCharacters", .arguments = {"list", "k\x1b.ir"}, .before = {{"k\x1b.ir", key}},
     .output = "k\\x1B.ir\tir-ctl keywords\trc5:0x1e01\t36000 Hz\t24.0 ms\t1 frame\n"},

    // extract
    {.name = "ExtractToStandardOutput", .arguments = {"extract", "remote.ir#Mute"}, .output = muteExtracted},
    {.name = "ExtractToAFile", .arguments = {"extract", "remote.ir#Power#2", "-o", "power.ir"},
     .after = {{"power.ir", powerExtracted}}},
    {.name = "ExtractOptionFirst", .arguments = {"extract", "-o", "power.ir", "--", "remote.ir#Power#2"},
     .after = {{"power.ir", powerExtracted}}},
    {.name = "ExtractReplacesAFileKeepingItsMode", .arguments = {"extract", "remote.ir#Power#2", "-o", "power.ir"},
     .before = {{"remote.ir", remote}, {"power.ir", "old\n", 0640}}, .after = {{"power.ir", powerExtracted, 0640}}},
    {.name = "ExtractFromAFileWithHashInItsName", .arguments = {"extract", "a#1.ir"},
     .before = {{"a#1.ir", key}}, .outputContains = "# a#1.ir: ir-ctl keywords\ncarrier 36000\nscancode rc5:0x1e01\n"},
    {.name = "ExtractOverTheSource", .arguments = {"extract", "remote.ir#Mute", "-o", "remote.ir"}, .status = 1,
     .error = "remote.ir: is the file the signal comes from; name another\n"},
    {.name = "ExtractUnknownName", .arguments = {"extract", "remote.ir#mutes", "-o", "out.ir"}, .status = 1,
     .error = "remote.ir: no signal named 'mutes'; the closest: Mute, Power, Eject\n"},
    {.name = "ExtractWithoutNameFromSeveral", .arguments = {"extract", "remote.ir", "-o", "out.ir"}, .status = 1,
     .error = "remote.ir: 4 signals (Power, Mute, Power#2, Eject); name one as remote.ir#NAME, NAME as "
              "irsignal list prints it\n"},
    {.name = "ExtractRefused", .arguments = {"extract", "remote.ir#Eject", "-o", "out.ir"}, .status = 1,
     .error = refusedEject},
    {.name = "ExtractUnknownNameOfAFileOfOneSignal", .arguments = {"extract", "k\x1b.ir#Power"},
     .before = {{"k\x1b.ir", key}}, .status = 1,
     .error = "k\\x1B.ir: no signal named 'Power'; the closest: k\\x1B.ir\n"},
    {.name = "ExtractMissingFile", .arguments = {"extract", "nope.ir#Mute"}, .status = 1,
     .error = "nope.ir: No such file or directory\n"},
    {.name = "ExtractIntoMissingFolder", .arguments = {"extract", "remote.ir#Mute", "-o", "none/out.ir"},
     .status = 1, .error = "none/out.ir: No such file or directory\n"},
    {.name = "ExtractIntoAFolder", .arguments = {"extract", "remote.ir#Mute", "-o", "."}, .status = 1,
     .error = ".: not a regular file\n"},
    {.name = "ExtractIntoAReadOnlyFolder", .arguments = {"extract", "remote.ir#Mute", "-o", "ro/out.ir"},
     .status = 1, .error = "ro/out.ir: Permission denied\n", .folders = {"ro"}, .unprivileged = true},

    // show
    {.name = "ShowWithTheWaveform", .arguments = {"show", "remote.ir#Mute", "--svg", "mute.svg"},
     .outputContains = "frame 2 of 2: 1 value, 900 us (0.9 ms), decodes as no protocol\n"},
    {.name = "ShowRefused", .arguments = {"show", "remote.ir#Eject", "--svg", "eject.svg"}, .status = 1,
     .error = refusedEject},
    {.name = "ShowWaveformIntoAFolder", .arguments = {"show", "remote.ir#Mute", "--svg=."}, .status = 1,
     .error = ".: not a regular file\n"},

    // compare
    {.name = "CompareSame", .arguments = {"compare", "remote.ir#Power#2", "key.ir"},
     .before = {{"remote.ir", remote}, {"key.ir", key}},
     .outputContains = "same code: rc5:0x1e01, as both decode\n"},
    {.name = "CompareDifferent", .arguments = {"compare", "remote.ir#Power", "remote.ir#Power#2"}, .status = 1,
     .outputContains = "different codes: nec:0x702 and rc5:0x1e01\n"},
    {.name = "CompareMissing", .arguments = {"compare", "remote.ir#Power", "nope.ir"}, .status = 2,
     .error = "nope.ir: No such file or directory\n"},
    {.name = "CompareRefused", .arguments = {"compare", "remote.ir#Eject", "remote.ir#Power"}, .status = 2,
     .error = refusedEject},
};

void PrintTo(const CliCase& c, std::ostream* out) { *out << c.name; }

// Every file below the folder, with its content and mode.
std::set<std::string> filesBelow(const std::string& folder) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        std::string name = std::filesystem::relative(entry.path(), folder).string();
        struct stat status {};
        lstat(entry.path().c_str(), &status);
        std::string mode = std::to_string(status.st_mode & 07777);
        if (entry.is_regular_file() && entry.file_size() < 4096) {
            files.insert(name + " " + mode + " = " + readFile(entry.path().string()));
        } else {
            files.insert(name + " " + mode);
        }
    }
    return files;
}

class IrsignalCommandLine : public ::testing::TestWithParam<CliCase> {};

TEST_P(IrsignalCommandLine, ExitsPrintsAndWritesAsItSays) {
    const CliCase& c = GetParam();
    if (c.unprivileged && geteuid() != 0) {
        GTEST_SKIP() << "needs root, to drop it";
    }
    ScratchFolder scratch;
    for (const File& file : c.before) {
        writeFile(scratch / file.path, file.content, file.mode);
    }
    if (c.sparseSize != 0) {
        ASSERT_EQ(truncate((scratch / c.before.front().path).c_str(), c.sparseSize), 0);
    }
    for (const std::string& folder : c.folders) {
        makeFolders(scratch / folder);
        chmod((scratch / folder).c_str(), 0555);
    }
    std::set<std::string> expected = filesBelow(scratch.path());
    for (const File& file : c.after) {
        std::string prefix = file.path + " ";
        std::erase_if(expected, [&prefix](const std::string& f) { return f.starts_with(prefix); });
        expected.insert(file.path + " " + std::to_string(file.mode) + " = " + file.content);
    }

    ChildLaunch launch;
    launch.command = {IRSIGNAL};
    launch.command.insert(launch.command.end(), c.arguments.begin(), c.arguments.end());
    launch.workingFolder = scratch.path();
    if (c.unprivileged) {
        launch.runAsUser = 65534;
    }
    ChildResult run = runChild(launch);

    ASSERT_TRUE(run.exited) << run.standardError;
    EXPECT_EQ(run.exitStatus, c.status);
    if (c.outputContains.empty()) {
        EXPECT_EQ(run.standardOutput, c.output);
    } else {
        EXPECT_NE(run.standardOutput.find(c.outputContains), std::string::npos) << run.standardOutput;
    }
    EXPECT_EQ(run.standardError, c.error);
    std::set<std::string> found = filesBelow(scratch.path());
    if (std::string(c.name) == "ShowWithTheWaveform") {
        // The picture, whole: its content is checked in signal_tools_test.cpp.
        ASSERT_TRUE(fileExists(scratch / "mute.svg"));
        EXPECT_TRUE(readFile(scratch / "mute.svg").ends_with("</svg>\n"));
        std::erase_if(found, [](const std::string& f) { return f.starts_with("mute.svg "); });
    }
    EXPECT_EQ(found, expected) << "no file but those written whole, and no temporary file left";
}

INSTANTIATE_TEST_SUITE_P(Cases, IrsignalCommandLine, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<CliCase>& test) { return std::string(test.param.name); });

// A FIFO is refused, not waited on for a writer.
TEST(IrsignalFiles, FifoIsRefusedNotWaitedOn) {
    ScratchFolder scratch;
    ASSERT_EQ(mkfifo((scratch / "fifo").c_str(), 0644), 0);
    ChildLaunch launch;
    launch.command = {IRSIGNAL, "list", "fifo"};
    launch.workingFolder = scratch.path();
    launch.timeoutSeconds = 20;
    ChildResult run = runChild(launch);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardError, "fifo: not a regular file\n");
}

}  // namespace
