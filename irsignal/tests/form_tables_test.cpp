// The tables of Pronto and Flipper files (ostrel/codec/tests/code_forms_test.cpp,
// whose expectations form_expectations.py works out from the forms'
// definitions), run through irsignal instead of irplay's library: its
// catalog, and what `irsignal extract` writes, played by irplay on the
// emulated device.
#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "irsignal/catalog/read_catalog.h"
#include "ostrel/codec/signal_file.h"
#include "ostrel/codec/tests/signal_file_cases.h"
#include "tests/device/test_device.h"

namespace ostrel {
namespace {

bool isFlipper(const std::string& text) { return text.find("Filetype:") != std::string::npos; }

// A Flipper file of the row's signal, then the same signal again: the
// signals after the file's header ("Version: 1" line) given twice.
std::string twice(const std::string& text) {
    size_t version = text.find("Version: 1");
    size_t after = text.find('\n', version);
    return text + "\n#\n" + text.substr(after + 1);
}

std::string durationsText(const std::vector<uint32_t>& durations) {
    std::string text;
    for (uint32_t d : durations) {
        if (!text.empty()) {
            text += ' ';
        }
        text += std::to_string(d);
    }
    return text;
}

void expectSignal(const irsignal::CatalogEntry& entry, const GoodFile& row) {
    EXPECT_EQ(entry.refusal, "");
    EXPECT_EQ(entry.signal.durations, row.durations);
    EXPECT_EQ(entry.signal.carrier, row.carrier);
    EXPECT_EQ(entry.signal.dutyCycle, row.dutyCycle);
}

}  // namespace

// One signal: one entry named after the file. A Flipper file's signal twice:
// two entries, the second named NAME#2, both the row's signal.
TEST_P(ReadsGoodFile, IntoTheCatalog) {
    const GoodFile& row = GetParam();
    irsignal::Catalog catalog = irsignal::readCatalog("key.ir", row.text);
    ASSERT_TRUE(catalog.ok()) << catalog.error;
    ASSERT_EQ(catalog.entries.size(), 1u);
    EXPECT_EQ(catalog.entries[0].name, "key.ir");
    expectSignal(catalog.entries[0], row);
    if (!isFlipper(row.text)) {
        return;
    }
    std::vector<std::string> aliases = catalog.entries[0].aliases;
    ASSERT_EQ(aliases.size(), 1u);
    irsignal::Catalog two = irsignal::readCatalog("key.ir", twice(row.text));
    ASSERT_TRUE(two.ok()) << two.error;
    ASSERT_EQ(two.entries.size(), 2u);
    EXPECT_EQ(two.entries[0].name, aliases[0]);
    EXPECT_EQ(two.entries[1].name, aliases[0] + "#2");
    expectSignal(two.entries[0], row);
    expectSignal(two.entries[1], row);
}

// What irplay refuses, irsignal refuses with the same line and reason; but
// it reads a Flipper file of several signals, and a signal of a protocol
// that cannot be sent is an entry with that reason.
TEST_P(RefusesBadFile, AsIrplayDoes) {
    const BadFile& row = GetParam();
    irsignal::Catalog catalog = irsignal::readCatalog("key.ir", row.text);
    if (row.reason.find("irplay plays one signal per file") != std::string::npos) {
        // Read, unless one of the signals from the second on is broken.
        if (catalog.ok()) {
            EXPECT_EQ(catalog.entries.size(), std::stoul(row.reason));
        } else {
            size_t line = std::stoul(catalog.error.substr(catalog.error.find(':') + 1));
            EXPECT_GE(line, row.line) << catalog.error;
        }
        return;
    }
    if (!catalog.ok()) {
        std::string where = row.line ? ":" + std::to_string(row.line) : "";
        EXPECT_EQ(catalog.error, "key.ir" + where + ": " + row.reason);
        return;
    }
    // Read, with the signal refused on its own: for its protocol, an address
    // or command its protocol cannot send, or a duration no device sends.
    ASSERT_TRUE(row.reason.starts_with("protocol ") || row.reason.find(" has bits outside ") != std::string::npos ||
                row.reason.find(", is not a decimal number from 1 to ") != std::string::npos)
        << "read a file irplay refuses: " << row.reason;
    ASSERT_EQ(catalog.entries.size(), 1u);
    EXPECT_EQ(catalog.entries[0].refusal, row.reason);
    size_t nameAt = row.text.find("\nname:");
    ASSERT_NE(nameAt, std::string::npos);
    size_t nameLine = 2 + std::count(row.text.begin(), row.text.begin() + nameAt, '\n');
    EXPECT_EQ(catalog.entries[0].line, nameLine);
}

// Every signal irsignal extracts plays through irplay on the emulated device
// as the row says it sends (at 38000 Hz when it names no carrier, and at
// the device's duty cycle: the keyword form has none); an unmodulated one,
// which that form cannot hold, is refused, and nothing written.
TEST_P(ReadsGoodFile, ExtractedPlaysOnTheDevice) {
    const GoodFile& row = GetParam();
    ScratchFolder scratch;
    std::string signal = "key.ir";
    if (isFlipper(row.text)) {
        writeFile(scratch / "key.ir", twice(row.text));
        signal = "key.ir#" + irsignal::readCatalog("key.ir", row.text).entries.at(0).aliases.at(0) + "#2";
    } else {
        writeFile(scratch / "key.ir", row.text);
    }
    std::unique_ptr<TestDevice> device = makeDevice(scratch, {});
    ChildResult extract = device->run({programPath("irsignal"), "extract", signal, "-o", "one.ir"});
    ASSERT_TRUE(extract.exited);
    if (row.carrier == unmodulated) {
        EXPECT_EQ(extract.exitStatus, 1);
        EXPECT_NE(extract.standardError.find("unmodulated"), std::string::npos) << extract.standardError;
        EXPECT_FALSE(fileExists(scratch / "one.ir"));
        return;
    }
    ASSERT_EQ(extract.exitStatus, 0) << extract.standardError;
    EXPECT_EQ(extract.standardError, "");
    ChildResult play = device->play({programPath("irplay"), "-i", "one.ir"});
    EXPECT_EQ(play.standardOutput, "Play successfull !\n") << play.standardError;
    std::vector<std::string> sent = device->transmissions();
    ASSERT_EQ(sent.size(), 1u);
    // Appended piece by piece: g++ 12 at -O3 takes "lit" + a string for an
    // overlapping copy (-Wrestrict).
    std::string expected = "send carrier=";
    expected += std::to_string(row.carrier.value_or(38000));
    expected += " duty=33 mask=0x3 durations=";
    expected += durationsText(row.durations);
    EXPECT_EQ(sent[0], expected);
}

// A file irplay refuses, irsignal extract refuses too, and writes nothing.
TEST_P(RefusesBadFile, ExtractWritesNothing) {
    const BadFile& row = GetParam();
    if (row.reason.find("irplay plays one signal per file") != std::string::npos) {
        return;  // read, above
    }
    ScratchFolder scratch;
    writeFile(scratch / "key.ir", row.text);
    ChildLaunch launch;
    launch.command = {programPath("irsignal"), "extract", "key.ir", "-o", "one.ir"};
    launch.workingFolder = scratch.path();
    ChildResult extract = runChild(launch);
    EXPECT_EQ(extract.exitStatus, 1);
    EXPECT_EQ(extract.standardOutput, "");
    EXPECT_NE(extract.standardError.find(row.reason), std::string::npos) << extract.standardError;
    EXPECT_FALSE(fileExists(scratch / "one.ir"));
}

}  // namespace ostrel
