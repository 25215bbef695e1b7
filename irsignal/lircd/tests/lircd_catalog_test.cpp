// The catalog of a lircd.conf beyond what irsimsend tells: refused codes,
// refused files, what LIRC's daemon sends where irsimsend sends otherwise,
// names and lines, and reading again and again in one process.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "irsignal/lircd/lircd_catalog.h"

namespace {

using irsignal::Catalog;
using irsignal::readLircdConf;

// A lircd.conf of one remote R: its settings from line 3, then its codes.
std::string remoteR(const std::string& settings, const std::string& codes = "    A 0x12\n") {
    return "begin remote\n  name R\n" + settings + "  begin codes\n" + codes + "  end codes\nend remote\n";
}

const std::string spaceEncoding = "  bits 8\n  flags SPACE_ENC\n  one 500 1500\n  zero 500 500\n  ptrail 500\n";

struct RefusalRow {
    const char* title;
    std::string conf;
    std::string refusal;  // of its one button
};

void PrintTo(const RefusalRow& row, std::ostream* out) { *out << row.title; }

const RefusalRow refusalRows[] = {
    {"Grundig", remoteR("  bits 8\n  flags GRUNDIG\n  one 500 1500\n  zero 500 500\n  gap 30000\n"),
     "lircd.conf Grundig encoding: LIRC has no sender for it"},
    {"Goldstar", remoteR("  bits 8\n  flags GOLDSTAR\n  one 500 1500\n  zero 500 500\n  gap 30000\n"),
     "lircd.conf Goldstar encoding: LIRC has no sender for it"},
    {"Bo", remoteR("  bits 8\n  flags BO\n  one 500 1500\n  zero 500 500\n  gap 30000\n"),
     "lircd.conf BO encoding: LIRC has no sender for it"},
    {"Serial", remoteR("  bits 8\n  flags SERIAL\n  baud 2400\n  serial_mode 8N1\n  gap 30000\n"),
     "lircd.conf serial encoding: LIRC has no sender for it"},
    {"DecodingDriverCodes", remoteR("  bits 16\n  one 0 0\n  zero 0 0\n  gap 132000\n  driver devinput\n"),
     "lircd.conf space encoding (no protocol flag): no pulse and space lengths (zero 0 0): a code that a "
     "receiver decodes itself (LIRC's devinput and other decoding drivers), not a signal"},
    {"MoreThan64Bits", remoteR(spaceEncoding + "  pre_data_bits 30\n  post_data_bits 30\n  gap 30000\n"),
     "lircd.conf space encoding: 30 + 8 + 30 bits (pre_data_bits, bits, post_data_bits): LIRC sends codes of 0 "
     "to 64 bits"},
    {"DutyCycle100", remoteR(spaceEncoding + "  duty_cycle 100\n  gap 30000\n"),
     "lircd.conf space encoding: duty_cycle 100 %, more than the 99 % a LIRC device takes"},
    {"FrequencyAboveTheDevices", remoteR(spaceEncoding + "  frequency 20000000\n  gap 30000\n"),
     "lircd.conf space encoding: frequency 20000000 Hz, more than the 16777214 Hz a LIRC device takes"},
    {"RcmmOfOddBits",
     remoteR("  bits 7\n  flags RCMM\n  header 417 278\n  zero 167 278\n  one 167 444\n  two 167 611\n"
             "  three 167 778\n  ptrail 167\n  gap 27778\n"),
     "lircd.conf RC-MM encoding: LIRC cannot send it: its pre_data_bits, bits or post_data_bits are no whole "
     "number of symbols (2 bits in RC-MM, 4 in XMP)"},
    {"ConstLengthShorterThanTheCode",
     remoteR("  bits 16\n  flags SPACE_ENC|CONST_LENGTH\n  header 9000 4500\n  one 500 1500\n  zero 500 500\n"
             "  gap 20000\n"),
     "lircd.conf space encoding: LIRC cannot send it: its CONST_LENGTH gap of 20000 µs is shorter than the code"},
    {"RepeatsOverflowTheSendBuffer", remoteR(spaceEncoding + "  bits 32\n  gap 5000\n  min_repeat 10\n"),
     "lircd.conf space encoding: LIRC cannot send it: joined to its repeats it has more pulses and spaces than "
     "the 256 of LIRC's send buffer"},
    {"RepeatsWithoutGap", remoteR(spaceEncoding + "  min_repeat 2\n"),
     "lircd.conf space encoding: gap 0: LIRC sends its repeats with no space between them"},
    {"RepeatsLongerThanIrplayPlays", remoteR(spaceEncoding + "  gap 100000\n  min_repeat 1000\n"),
     "lircd.conf space encoding: with its repeats (min_repeat 1000) it lasts longer than the 60 s irplay plays"},
    {"RawDurationLongerThanADeviceSends",
     "begin remote\n  name R\n  flags RAW_CODES\n  gap 30000\n  begin raw_codes\n    name A\n"
     "      100 20000000 100\n  end raw_codes\nend remote\n",
     "lircd.conf raw codes: LIRC sends a pulse or space of 20000000 µs, outside the 1 to 16777214 µs a LIRC "
     "device sends"},
    {"RawPulseLongerThanOneWrite",
     "begin remote\n  name R\n  flags RAW_CODES\n  gap 30000\n  begin raw_codes\n    name A\n"
     "      100 200 505000 200 100\n  end raw_codes\nend remote\n",
     "irplay would refuse it: pulse 2 (value 3) lasts 505000 us, more than the 500000 a LIRC device sends in one "
     "write"},
};

class RefusalCases : public ::testing::TestWithParam<RefusalRow> {};

TEST_P(RefusalCases, TheButtonIsListedWithTheReasonAndNoSignal) {
    Catalog catalog = readLircdConf("remote.conf", GetParam().conf);
    ASSERT_TRUE(catalog.ok()) << catalog.error;
    ASSERT_EQ(catalog.entries.size(), 1u);
    EXPECT_EQ(catalog.entries[0].name, "R:A");
    EXPECT_EQ(catalog.entries[0].refusal, GetParam().refusal);
    EXPECT_EQ(catalog.entries[0].signal, ostrel::Signal{});
    EXPECT_EQ(catalog.entries[0].frames, 0u);
}

INSTANTIATE_TEST_SUITE_P(Lircd, RefusalCases, ::testing::ValuesIn(refusalRows),
                         [](const ::testing::TestParamInfo<RefusalRow>& row) { return std::string(row.param.title); });

struct ErrorRow {
    const char* title;
    std::string text;
    std::string error;
};

void PrintTo(const ErrorRow& row, std::ostream* out) { *out << row.title; }

const std::string codesOfA = "  begin codes\n    A 0x12\n  end codes\n";

const ErrorRow errorRows[] = {
    {"BadNumber", remoteR("  bits 1x6\n"), "bad.conf:3: \"1x6\": must be a valid (int) number"},
    {"BadCode", remoteR(spaceEncoding + "  gap 30000\n", "    A 0x12\n    B zz\n"),
     "bad.conf:11: \"zz\": must be a valid (uint64_t) number"},
    {"UnknownFlag", remoteR("  flags SPACE_ENC|FOO\n"), "bad.conf:3: unknown flag: \"FOO\""},
    {"TwoProtocols", remoteR("  flags SPACE_ENC|RC5\n"), "bad.conf:3: multiple protocols given in flags: \"RC5\""},
    {"UnknownKeyword", remoteR("  bits 8\n  wibble 8\n"),
     "bad.conf:4: unknown definition or too few arguments: \"wibble 8\""},
    {"KeywordAlone", remoteR("  bits 8\n  lonely\n"),
     "bad.conf:4: \"lonely\" alone: a keyword and its value belong on a line"},
    {"CodesOutsideARemote", "# codes\n" + codesOfA, "bad.conf:2: \"begin codes\" isn't valid at this position"},
    {"CodesTwice", remoteR("  bits 8\n" + codesOfA), "bad.conf:7: codes are already defined"},
    {"UnknownSection", "begin remote\n  name R\n  begin foo\nend remote\n", "bad.conf:3: unknown section \"foo\""},
    {"NoEndRemote", "begin remote\n  name R\n" + codesOfA, "bad.conf:1: \"begin remote\" without its \"end remote\""},
    {"NoEndCodes", "begin remote\n  name R\n  bits 8\n  begin codes\n    A 0x12\n",
     "bad.conf:4: \"begin codes\" without its \"end codes\""},
    {"NoName", "\nbegin remote\n  bits 8\n" + codesOfA + "end remote\n", "bad.conf:2: remote without a name"},
    {"NoCodes", "begin remote\n  name R\n  bits 8\nend remote\n", "bad.conf:1: remote R has no codes"},
    // liblirc crashes on this one when it reads it whole.
    {"RawCodesRemoteWithoutCodes", "begin remote\n  name R\n  flags RAW_CODES\n  gap 1000\nend remote\n",
     "bad.conf:1: remote R has no codes"},
    {"RawValuesBeforeAName",
     "begin remote\n  name R\n  flags RAW_CODES\n  begin raw_codes\n    100 200 300\n  end raw_codes\nend remote\n",
     "bad.conf:5: values of a raw code before its \"name\" line"},
    {"RawCodeOfEvenLength",
     "begin remote\n  name R\n  flags RAW_CODES\n  begin raw_codes\n    name A\n    100 200\n"
     "    name B\n    100\n  end raw_codes\nend remote\n",
     "bad.conf:5: raw code A has an even number of values: it must end with a pulse"},
    {"BadRawValue",
     "begin remote\n  name R\n  flags RAW_CODES\n  begin raw_codes\n    name A\n    100 x 300\n"
     "  end raw_codes\nend remote\n",
     "bad.conf:6: \"x\": must be a valid (unsigned int) number"},
    {"Include", "# one\ninclude \"other.conf\"\n" + remoteR(spaceEncoding),
     "bad.conf:2: \"include\" of another file, which irsignal does not follow: name that file"},
    {"ErrorBeforeAnInclude", remoteR("  bits 1x\n") + "include \"other.conf\"\n",
     "bad.conf:3: \"1x\": must be a valid (int) number"},
    {"NulByte", remoteR(spaceEncoding, "    A 0x1" + std::string(1, '\0') + "2\n"),
     "bad.conf:9: a NUL byte: not a text file"},
    {"LineLongerThanLircReads", remoteR(spaceEncoding + "#" + std::string(4094, '-') + "\n"),
     "bad.conf:8: a line of 4096 bytes, longer than the 4095 LIRC reads as one line"},
    {"Empty", "", "bad.conf: no remote in it (\"begin remote\" ... \"end remote\"): not a lircd.conf"},
    {"OnlyComments", "# nothing\n\n", "bad.conf: no remote in it (\"begin remote\" ... \"end remote\"): not a lircd.conf"},
    // An error in a later remote than the first, whose driver line LIRC would keep.
    {"SecondRemote", remoteR(spaceEncoding + "  driver devinput\n") + remoteR("  gap -\n"),
     "bad.conf:15: \"-\": must be a valid (uint32_t) number"},
};

class ErrorCases : public ::testing::TestWithParam<ErrorRow> {};

TEST_P(ErrorCases, TheFileIsRefusedWithItsLineAndNoEntry) {
    Catalog catalog = readLircdConf("bad.conf", GetParam().text);
    EXPECT_EQ(catalog.error, GetParam().error);
    EXPECT_TRUE(catalog.entries.empty());
}

INSTANTIATE_TEST_SUITE_P(Lircd, ErrorCases, ::testing::ValuesIn(errorRows),
                         [](const ::testing::TestParamInfo<ErrorRow>& row) { return std::string(row.param.title); });

// What LIRC's daemon sends where irsimsend, which sends each repeat on its
// own, sends otherwise; the durations worked out by hand from LIRC's sender.
struct DaemonRow {
    const char* title;
    std::string conf;
    std::vector<uint32_t> durations;
    size_t frames;
};

void PrintTo(const DaemonRow& row, std::ostream* out) { *out << row.title; }

const DaemonRow daemonRows[] = {
    // A short gap joins the repeat to the code in one buffer, and the space
    // that ends the RC-5 code (its last bit is 0: pulse, then space) stays in
    // the gap, where separate sends drop it: 889 + 5000.
    {"JoinedRepeatKeepsTheCodesLastSpace",
     remoteR("  bits 2\n  flags RC5\n  one 889 889\n  zero 889 889\n  plead 889\n  gap 5000\n  min_repeat 1\n",
             "    A 0x2\n"),
     {889, 889, 1778, 5889, 889, 889, 1778}, 2},
    // The repeat code of a raw remote: LIRC's daemon sends the raw code's
    // first pulse in its place, left in its buffer; this is the repeat code.
    {"RepeatCodeOfRawCodes",
     "begin remote\n  name R\n  flags RAW_CODES\n  repeat 9000 2250\n  gap 50000\n  min_repeat 1\n"
     "  begin raw_codes\n    name A\n      900 450 900 450 900\n  end raw_codes\nend remote\n",
     {900, 450, 900, 450, 900, 50000, 9000}, 2},
};

class DaemonCases : public ::testing::TestWithParam<DaemonRow> {};

TEST_P(DaemonCases, TheButtonSendsWhatTheDaemonSends) {
    Catalog catalog = readLircdConf("remote.conf", GetParam().conf);
    ASSERT_TRUE(catalog.ok()) << catalog.error;
    ASSERT_EQ(catalog.entries.size(), 1u);
    EXPECT_EQ(catalog.entries[0].refusal, "");
    EXPECT_EQ(catalog.entries[0].signal.durations, GetParam().durations);
    EXPECT_EQ(catalog.entries[0].frames, GetParam().frames);
}

INSTANTIATE_TEST_SUITE_P(Lircd, DaemonCases, ::testing::ValuesIn(daemonRows),
                         [](const ::testing::TestParamInfo<DaemonRow>& row) { return std::string(row.param.title); });

struct Named {
    std::string name;
    std::vector<std::string> aliases;
    size_t line;

    bool operator==(const Named&) const = default;
};

void PrintTo(const Named& named, std::ostream* out) {
    *out << named.name << " at line " << named.line << " also named";
    for (const std::string& alias : named.aliases) {
        *out << " " << alias;
    }
}

std::vector<Named> namesOf(const Catalog& catalog) {
    std::vector<Named> names;
    for (const irsignal::CatalogEntry& entry : catalog.entries) {
        names.push_back({entry.name, entry.aliases, entry.line});
    }
    return names;
}

TEST(LircdCatalog, OneRemotesButtonsAreAlsoNamedAloneAndRepeatedNamesNumbered) {
    Catalog catalog = readLircdConf("remote.conf", remoteR(spaceEncoding + "  gap 30000\n",
                                                           "    POWER 0x01\n    MUTE 0x02\n\n    POWER 0x03\n"
                                                           "    R:MUTE 0x04\n    MUTE#2 0x05\n    MUTE 0x06\n"));
    ASSERT_TRUE(catalog.ok()) << catalog.error;
    // "R:MUTE" alone would name the second entry: it is no alias of the fourth.
    std::vector<Named> expected = {{"R:POWER", {"POWER"}, 10},   {"R:MUTE", {"MUTE"}, 11},
                                   {"R:POWER#2", {"POWER#2"}, 13}, {"R:R:MUTE", {}, 14},
                                   {"R:MUTE#2", {"MUTE#2"}, 15},   {"R:MUTE#3", {"MUTE#3"}, 16}};
    EXPECT_EQ(namesOf(catalog), expected);
}

TEST(LircdCatalog, RemotesComeInTheFilesOrderWithTheirLines) {
    std::string conf = "begin remote\n  name LONG\n  bits 32\n  flags SPACE_ENC\n  one 500 1500\n  zero 500 500\n"
                       "  ptrail 500\n  gap 90000\n  begin codes\n    L1 0x1\n  end codes\nend remote\n"
                       "begin remote\n  name RAWS\n  flags RAW_CODES\n  gap 30000\n  begin raw_codes\n"
                       "    name Q1\n      100 200 300\n    name Q2\n      400\n  end raw_codes\nend remote\n"
                       "begin remote\n  name SHORT\n  bits 4\n  flags SPACE_ENC\n  one 500 1500\n  zero 500 500\n"
                       "  gap 30000\n  begin codes\n    S1 0x1\n  end codes\nend remote\n";
    Catalog catalog = readLircdConf("remotes.conf", conf);
    ASSERT_TRUE(catalog.ok()) << catalog.error;
    std::vector<Named> expected = {{"LONG:L1", {}, 10}, {"RAWS:Q1", {}, 18}, {"RAWS:Q2", {}, 20}, {"SHORT:S1", {}, 32}};
    EXPECT_EQ(namesOf(catalog), expected);
    EXPECT_EQ(catalog.entries[2].signal.durations, std::vector<uint32_t>{400});
    EXPECT_EQ(catalog.entries[0].form, "lircd.conf space encoding");
    EXPECT_EQ(catalog.entries[1].form, "lircd.conf raw codes");
}

TEST(LircdCatalog, WindowsLineEndingsAreReadAsLircReadsThem) {
    std::string conf = remoteR(spaceEncoding + "  gap 30000\n", "    A 0x12\n    B 0x34\n");
    std::string windows;
    for (char c : conf) {
        windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    Catalog lines = readLircdConf("unix.conf", conf);
    Catalog crlf = readLircdConf("windows.conf", windows);
    ASSERT_TRUE(lines.ok() && crlf.ok()) << crlf.error;
    EXPECT_EQ(namesOf(crlf), namesOf(lines));
    ASSERT_EQ(crlf.entries.size(), 2u);
    EXPECT_EQ(crlf.entries[1].signal, lines.entries[1].signal);
    EXPECT_EQ(readLircdConf("windows.conf", "\r\n" + remoteR("  bits 1x\r\n")).error,
              "windows.conf:4: \"1x\": must be a valid (int) number");
}

// liblirc keeps its state in globals; reading a file must not depend on what
// was read before it, refused or not.
TEST(LircdCatalog, ReadingAgainGivesTheSameCatalog) {
    std::string toggling = "begin remote\n  name RC5\n  bits 13\n  flags RC5|CONST_LENGTH\n  one 889 889\n"
                           "  zero 889 889\n  plead 889\n  gap 113792\n  toggle_bit_mask 0x800\n  min_repeat 1\n"
                           "  begin codes\n    KEY_1 0x1001\n    KEY_2 0x1002\n  end codes\nend remote\n";
    std::string raw = "begin remote\n  name R\n  flags RAW_CODES\n  repeat 9000 2250\n  gap 50000\n"
                      "  min_repeat 1\n  begin raw_codes\n    name A\n      900 450 900\n  end raw_codes\nend remote\n";
    Catalog first = readLircdConf("toggling.conf", toggling);
    Catalog firstRaw = readLircdConf("raw.conf", raw);
    ASSERT_TRUE(first.ok() && firstRaw.ok());
    for (int round = 0; round < 3; ++round) {
        for (const ErrorRow& row : errorRows) {
            EXPECT_EQ(readLircdConf("bad.conf", row.text).error, row.error);
        }
        for (const RefusalRow& row : refusalRows) {
            readLircdConf("remote.conf", row.conf);
        }
        Catalog again = readLircdConf("toggling.conf", toggling);
        Catalog againRaw = readLircdConf("raw.conf", raw);
        ASSERT_EQ(again.entries.size(), first.entries.size());
        for (size_t index = 0; index < first.entries.size(); ++index) {
            EXPECT_EQ(again.entries[index].signal, first.entries[index].signal) << again.entries[index].name;
        }
        ASSERT_EQ(againRaw.entries.size(), 1u);
        EXPECT_EQ(againRaw.entries[0].signal, firstRaw.entries[0].signal);
    }
}

TEST(LircdCatalog, LircsLogReachesNeitherStandardOutputNorStandardError) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    for (const ErrorRow& row : errorRows) {
        readLircdConf("bad.conf", row.text);
    }
    for (const RefusalRow& row : refusalRows) {
        readLircdConf("remote.conf", row.conf);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// How long reading a lircd.conf of 500 buttons takes: reported, not judged
// (BENCHMARKS.md has the figures of a quiet machine).
TEST(LircdCatalog, FiveHundredButtonsAreRead) {
    std::string oneRemote = "begin remote\n  name NEC\n  bits 16\n  flags SPACE_ENC|CONST_LENGTH\n"
                            "  header 9000 4500\n  one 560 1690\n  zero 560 560\n  ptrail 560\n"
                            "  repeat 9000 2250\n  pre_data_bits 16\n  pre_data 0x40BF\n  gap 108000\n"
                            "  min_repeat 1\n  begin codes\n";
    for (int button = 0; button < 500; ++button) {
        oneRemote += "    KEY_" + std::to_string(button) + " 0x" + std::to_string(1000 + button) + "\n";
    }
    oneRemote += "  end codes\nend remote\n";
    std::string tenRemotes;
    for (int remote = 0; remote < 10; ++remote) {
        tenRemotes += "begin remote\n  name R" + std::to_string(remote) + "\n" + spaceEncoding +
                      "  gap 40000\n  begin codes\n";
        for (int button = 0; button < 50; ++button) {
            tenRemotes += "    B" + std::to_string(button) + " " + std::to_string(button) + "\n";
        }
        tenRemotes += "  end codes\nend remote\n";
    }
    for (const std::string* conf : {&oneRemote, &tenRemotes}) {
        std::vector<double> milliseconds;
        for (int run = 0; run < 21; ++run) {
            auto start = std::chrono::steady_clock::now();
            Catalog catalog = readLircdConf("many.conf", *conf);
            milliseconds.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            ASSERT_TRUE(catalog.ok()) << catalog.error;
            ASSERT_EQ(catalog.entries.size(), 500u);
            ASSERT_TRUE(std::none_of(catalog.entries.begin(), catalog.entries.end(),
                                     [](const irsignal::CatalogEntry& entry) { return !entry.refusal.empty(); }));
        }
        std::sort(milliseconds.begin(), milliseconds.end());
        printf("500 buttons in %s: median %.2f ms, fastest %.2f ms\n", conf == &oneRemote ? "1 remote" : "10 remotes",
               milliseconds[milliseconds.size() / 2], milliseconds.front());
    }
}

}  // namespace
