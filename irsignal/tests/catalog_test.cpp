// Reading files of codes into a catalog: the form told from the content, the
// names of a Flipper file's signals, the checks on the file as a whole, and
// how a SIGNAL argument names a file and a signal in it.
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "irsignal/catalog/file_text.h"
#include "irsignal/catalog/read_catalog.h"
#include "irsignal/select/signal_selection.h"
#include "tests/blackbox/scratch_folder.h"

namespace irsignal {
namespace {

const std::string header = "Filetype: IR signals file\nVersion: 1\n";

std::string rawSignal(const std::string& name, const std::string& data = "900 450 900") {
    return "#\nname: " + name + "\ntype: raw\nfrequency: 38000\nduty_cycle: 0.33\ndata: " + data + "\n";
}

std::string flipperFile(const std::vector<std::string>& names) {
    std::string text = header;
    for (const std::string& name : names) {
        text += rawSignal(name);
    }
    return text;
}

std::vector<std::string> namesOf(const Catalog& catalog) {
    std::vector<std::string> names;
    for (const CatalogEntry& entry : catalog.entries) {
        names.push_back(entry.name);
    }
    return names;
}

struct NamesCase {
    const char* name;
    std::vector<std::string> given;  // the name: values, in the file's order
    std::vector<std::string> listed;
};

class FlipperNames : public ::testing::TestWithParam<NamesCase> {};

TEST_P(FlipperNames, AreUniqueInTheFile) {
    Catalog catalog = readCatalog("remote.ir", flipperFile(GetParam().given));
    ASSERT_TRUE(catalog.ok()) << catalog.error;
    EXPECT_EQ(namesOf(catalog), GetParam().listed);
}

INSTANTIATE_TEST_SUITE_P(Cases, FlipperNames, ::testing::Values(
    NamesCase{"Distinct", {"Power", "Mute"}, {"Power", "Mute"}},
    NamesCase{"GivenTwice", {"Power", "Power"}, {"Power", "Power#2"}},
    NamesCase{"GivenThrice", {"Power", "Mute", "Power", "Power"}, {"Power", "Mute", "Power#2", "Power#3"}},
    NamesCase{"NumberedNameTakenLater", {"Power", "Power", "Power#2"}, {"Power", "Power#3", "Power#2"}},
    NamesCase{"NumberedNameTakenBefore", {"Power#2", "Power", "Power"}, {"Power#2", "Power", "Power#3"}},
    NamesCase{"TwoNamesEachTwice", {"A", "B", "A", "B"}, {"A", "B", "A#2", "B#2"}}),
    [](const auto& test) { return test.param.name; });

struct FormCase {
    const char* name;
    std::string text;
    std::string form;
    std::string entryName = "key.ir";
    size_t frames = 1;
    std::optional<std::string> scancode = std::nullopt;  // the scancode line extract writes
};

class CatalogForms : public ::testing::TestWithParam<FormCase> {};

TEST_P(CatalogForms, ToldFromTheContent) {
    const FormCase& c = GetParam();
    Catalog catalog = readCatalog("key.ir", c.text);
    ASSERT_TRUE(catalog.ok()) << catalog.error;
    ASSERT_FALSE(catalog.entries.empty());
    const CatalogEntry& entry = catalog.entries.front();
    EXPECT_EQ(entry.name, c.entryName);
    EXPECT_EQ(entry.form, c.form);
    EXPECT_EQ(entry.frames, c.frames);
    EXPECT_EQ(entry.scancode ? std::optional(ostrel::protocols::formatScancode(*entry.scancode)) : std::nullopt,
              c.scancode);
}

INSTANTIATE_TEST_SUITE_P(Cases, CatalogForms, ::testing::Values(
    FormCase{"Keywords", "# a key\npulse 900\nspace 450\npulse 900\n", "ir-ctl keywords"},
    FormCase{"KeywordsOfAScancode", "scancode nec:0x408\n", "ir-ctl keywords", "key.ir", 1, "nec:0x408"},
    // Sony's three frames, 45 ms apart, are what a sony12 line sends.
    FormCase{"KeywordsOfASonyScancode", "scancode sony12:0x10015\n", "ir-ctl keywords", "key.ir", 3,
             "sony12:0x10015"},
    // A scancode line, then more: no longer what one scancode line sends.
    FormCase{"TwoScancodes", "scancode nec:0x408\nscancode nec:0x409\n", "ir-ctl keywords", "key.ir", 2},
    FormCase{"List", "+900 -450 +900 -20000 +900\n", "ir-ctl list", "key.ir", 2},
    FormCase{"Pronto", "0000 006D 0000 0002 0010 0020 0030 0040\n", "pronto hex"},
    FormCase{"ProntoShortForm", "5000 0073 0000 0001 000D 000D", "pronto hex", "key.ir", 1, "rc5:0xd0d"},
    FormCase{"FlipperOfOneSignal", header + rawSignal("Power"), "flipper raw"},
    FormCase{"FlipperOfTwo", flipperFile({"Power", "Mute"}), "flipper raw", "Power"},
    FormCase{"FlipperParsed",
             header + "#\nname: Power\ntype: parsed\nprotocol: NEC\naddress: 07 00 00 00\ncommand: 02 00 00 00\n" +
                 rawSignal("Mute"),
             "flipper parsed NEC", "Power", 1, "nec:0x702"},
    FormCase{"ByteOrderMarkAndComments", "\xEF\xBB\xBF# remote\n\n" + flipperFile({"A", "B"}), "flipper raw", "A"}),
    [](const auto& test) { return test.param.name; });

struct BadCase {
    const char* name;
    std::string text;
    std::string error;
};

class RefusedFiles : public ::testing::TestWithParam<BadCase> {};

TEST_P(RefusedFiles, WithFileLineAndReason) {
    Catalog catalog = readCatalog("key.ir", GetParam().text);
    EXPECT_EQ(catalog.error, GetParam().error);
    EXPECT_TRUE(catalog.entries.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedFiles, ::testing::Values(
    BadCase{"Utf16", "\xFF\xFEp\0u\0", "key.ir: UTF-16 text; save the file as UTF-8 or ASCII"},
    BadCase{"Binary", flipperFile({"A", "B"}) + "name: \x01\n", "key.ir:15: binary data (byte 0x01), not a file of codes"},
    BadCase{"OneSignalFormError", "pulse 900\nspice 450\n", "key.ir:2: expected pulse, space, timeout, carrier or scancode"},
    BadCase{"Empty", "", "key.ir: no pulse in the file"},
    BadCase{"FlipperHeader", "Filetype: IR signals file\nVersion: 2\n",
            "key.ir:2: Version '2'; Flipper's IR files read here are of version 1"},
    // A signal that is not well formed refuses the file, as Flipper refuses to load it.
    BadCase{"FlipperBrokenSignalAmongGood", flipperFile({"A"}) + rawSignal("B", "900 x 900") + rawSignal("C"),
            "key.ir:14: data value 2, 'x', is not a decimal number from 1 to 16777214"}),
    [](const auto& test) { return test.param.name; });

// A signal refused for what it asks to send is an entry of its own, with its
// line and reason; the signals beside it stay readable.
TEST(CatalogEntries, SignalNotSendableIsAnEntryRefused) {
    struct Refused {
        std::string signal;
        std::string reason;
    };
    const Refused cases[] = {
        {"protocol: Frobnic\naddress: 01 00 00 00\ncommand: 02 00 00 00\n",
         "protocol 'Frobnic': no Flipper protocol is named so"},
        {"protocol: RC5\naddress: 13 00 00 00\ncommand: CC 00 00 00\n",
         "command 0xcc has bits outside the 7 of RC5 commands"},
        {"protocol: RC6\naddress: F3 3F 00 00\ncommand: 0C 00 00 00\n",
         "address 0x3ff3 has bits outside the 8 of RC6 addresses"},
        {"type: raw\nfrequency: 38000\nduty_cycle: 0.33\ndata: 1073741453 450 900\n",
         "data value 1, '1073741453', is not a decimal number from 1 to 16777214"},
        {"type: raw\nfrequency: 38000\nduty_cycle: 0.33\ndata: 900 0 900\n",
         "data value 2, '0', is not a decimal number from 1 to 16777214"},
        {"type: raw\nfrequency: 38000\nduty_cycle: 0.33\ndata: 600000 450 900\n",
         "irplay would refuse it: pulse 1 (value 1) lasts 600000 us"},
    };
    for (const Refused& refused : cases) {
        SCOPED_TRACE(refused.reason);
        std::string signal = refused.signal.starts_with("type:") ? refused.signal : "type: parsed\n" + refused.signal;
        Catalog catalog = readCatalog("key.ir", flipperFile({"A"}) + "#\nname: B\n" + signal + rawSignal("C"));
        ASSERT_TRUE(catalog.ok()) << catalog.error;
        ASSERT_EQ(catalog.entries.size(), 3u);
        EXPECT_EQ(catalog.entries[1].line, 10u);  // its name: line
        EXPECT_TRUE(catalog.entries[1].signal.durations.empty());
        EXPECT_TRUE(catalog.entries[1].refusal.starts_with(refused.reason)) << catalog.entries[1].refusal;
        EXPECT_TRUE(catalog.entries[0].refusal.empty());
        EXPECT_TRUE(catalog.entries[2].refusal.empty());
        EXPECT_FALSE(catalog.entries[2].signal.durations.empty());
    }
}

// What a file must be before its content is looked at.
TEST(FileText, OnlyRegularFilesUpTo16MiB) {
    ScratchFolder scratch;
    writeFile(scratch / "largest.ir", "");
    ASSERT_EQ(truncate((scratch / "largest.ir").c_str(), largestCatalogFile), 0);
    writeFile(scratch / "larger.ir", "");
    ASSERT_EQ(truncate((scratch / "larger.ir").c_str(), largestCatalogFile + 1), 0);
    ASSERT_EQ(mkfifo((scratch / "fifo").c_str(), 0644), 0);

    EXPECT_EQ(readFileText(scratch / "largest.ir", "largest.ir").text.size(), largestCatalogFile);
    EXPECT_EQ(readFileText(scratch / "larger.ir", "larger.ir").error,
              "larger.ir: larger than 16 MiB, too large for a file of codes");
    EXPECT_EQ(readFileText(scratch / "fifo", "fifo").error, "fifo: not a regular file");
    EXPECT_EQ(readFileText("/dev/zero", "/dev/zero").error, "/dev/zero: not a regular file");
    EXPECT_EQ(readFileText(scratch.path(), "folder").error, "folder: not a regular file");
    EXPECT_EQ(readFileText(scratch / "missing.ir", "missing.ir").error, "missing.ir: No such file or directory");
}

struct ArgumentCase {
    const char* name;
    std::vector<std::string> files;  // made in the scratch folder
    std::string argument;            // relative to it
    std::string file;
    std::optional<std::string> signalName;
};

class SignalArguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(SignalArguments, NameAFileAndASignal) {
    const ArgumentCase& c = GetParam();
    ScratchFolder scratch;
    for (const std::string& file : c.files) {
        writeFile(scratch / file, "pulse 1\n");
    }
    SignalArgument split = splitSignalArgument(scratch / c.argument);
    EXPECT_EQ(split.path, scratch / c.file);
    EXPECT_EQ(split.name, c.signalName);
}

INSTANTIATE_TEST_SUITE_P(Cases, SignalArguments, ::testing::Values(
    ArgumentCase{"File", {"remote.ir"}, "remote.ir", "remote.ir", std::nullopt},
    ArgumentCase{"FileAndName", {"remote.ir"}, "remote.ir#Power", "remote.ir", "Power"},
    ArgumentCase{"NameWithHash", {"remote.ir"}, "remote.ir#Power#2", "remote.ir", "Power#2"},
    ArgumentCase{"FileWithHashAsGiven", {"a#b.ir", "a"}, "a#b.ir", "a#b.ir", std::nullopt},
    ArgumentCase{"LongestFileThatExists", {"a", "a#b"}, "a#b#c", "a#b", "c"},
    ArgumentCase{"EmptyName", {"remote.ir"}, "remote.ir#", "remote.ir", ""},
    ArgumentCase{"NothingExists", {}, "remote.ir#Power#2", "remote.ir", "Power#2"}),
    [](const auto& test) { return test.param.name; });

TEST(SignalSelection, UnknownNameGetsTheClosest) {
    ScratchFolder scratch;
    writeFile(scratch / "remote.ir", flipperFile({"Power", "Mute", "Vol_up", "Vol_dn", "Power"}));
    Selection selection = selectSignal(scratch / "remote.ir#vol_upp");
    EXPECT_EQ(selection.error, scratch / "remote.ir: no signal named 'vol_upp'; the closest: Vol_up, Vol_dn, Power");
    selection = selectSignal(scratch / "remote.ir");
    EXPECT_EQ(selection.error, scratch / "remote.ir: 5 signals (Power, Mute, Vol_up, Vol_dn, Power#2); name one as " +
                                   scratch / "remote.ir#NAME, NAME as irsignal list prints it");
    selection = selectSignal(scratch / "remote.ir#Power#2");
    ASSERT_TRUE(selection.ok()) << selection.error;
    EXPECT_EQ(selection.entry.line, 28u);
}

TEST(SignalSelection, OneSignalFileByItsNameOrItsFlipperName) {
    ScratchFolder scratch;
    writeFile(scratch / "key.ir", header + rawSignal("Power"));
    EXPECT_TRUE(selectSignal(scratch / "key.ir").ok());
    EXPECT_TRUE(selectSignal(scratch / "key.ir#Power").ok());
    EXPECT_FALSE(selectSignal(scratch / "key.ir#Mute").ok());
}

}  // namespace
}  // namespace irsignal
