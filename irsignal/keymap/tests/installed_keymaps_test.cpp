// Every key of every keymap ir-keytable installs (/lib/udev/rc_keymaps)
// against what `ir-ctl -k KEYMAP -K KEY` sends on the emulated device, one
// row per keymap. Skipped (77) without ir-ctl; a row is skipped without the
// keymaps.
//
// On the emulated device, which takes no scancodes, ir-ctl encodes kernel
// protocols with its own encoders, whose edges differ from the kernel's by
// rounding (README, "Where irplay and ir-ctl differ"): such a key is the
// same when ir-ctl's frames decode as its scancode and each duration is
// within 10 us of ours. What else differs, by design, and is counted apart:
// - a value wider than its nec variant's 16 bits: ir-ctl -K sends its low
//   16 bits as nec, the catalog the necx or nec32 scancode the value is;
// - a value with bits its protocol lacks (rc5 above 0x1f7f): ir-ctl sends
//   it without them, the catalog refuses it;
// - a BPF protocol without a `carrier` parameter: ir-ctl sets carrier 0,
//   the catalog sends at 38000 Hz;
// - samsung36, which ir-ctl cannot encode;
// - a key's second definition (KEY#2), which ir-ctl -K never selects: a
//   kernel protocol's is sent from a keymap of it alone instead.
// Keys of protocols that neither sends are checked to fail in ir-ctl too.
//
// Every key the catalog sends is also extracted by irsignal and played by
// irplay on the emulated device, which must take what the catalog says the
// key sends; a key of each reason the catalog refuses is refused by
// irsignal extract too, and nothing written.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <thread>

#include <unistd.h>

#include <gtest/gtest.h>

#include "irsignal/keymap/keymap_catalog.h"
#include "irsignal/tests/extract_and_play.h"
#include "ostrel/codec/protocols/scancode_decoding.h"
#include "tests/blackbox/child_process.h"
#include "tests/blackbox/scratch_folder.h"

namespace irsignal {
namespace {

using ostrel::protocols::Scancode;

constexpr const char* kIrCtl = IR_CTL;
constexpr const char* kKeymapFolder = KEYMAP_FOLDER;
constexpr const char* kNoKeymaps = "none";
// ir-ctl's own encoders round NEC and Sanyo edges from 562.5 us units and
// RC-6 edges from 444.444 us; the kernel's, which the catalog's are, from
// 563 and 444 us.
constexpr uint32_t kEncoderTolerance = 10;
// Keys extracted and played at the same time.
constexpr size_t kPlayersAtOnce = 6;

std::vector<std::string> installedKeymaps() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& file : std::filesystem::directory_iterator(kKeymapFolder, error)) {
        if (file.path().extension() == ".toml") {
            names.push_back(file.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    if (names.empty()) {
        names.push_back(kNoKeymaps);
    }
    return names;
}

// The keymap's own words for an entry, from its form ("keymap nec variant
// necx", "keymap rc5 scancode 0x3001"), and its value: the form's, which it
// names where the scancode sent is not that value, else the scancode's.
struct KeymapWords {
    std::string protocol;
    std::string variant;
    uint64_t value = 0;
    std::string scancodeText;
};

KeymapWords wordsOf(const CatalogEntry& entry) {
    std::istringstream in(entry.form);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    KeymapWords result;
    result.protocol = words.at(1);
    if (words.size() > 3 && words[2] == "variant") {
        result.variant = words[3];
        EXPECT_NE(result.variant, result.protocol) << "the protocol said twice: " << entry.form;
    }
    if (words.size() > 2 && words[words.size() - 2] == "scancode") {
        result.value = std::stoull(words.back(), nullptr, 16);
        result.scancodeText = words.back();
        EXPECT_FALSE(entry.scancode && entry.scancode->value == result.value)
            << "the value said twice: " << entry.form;
    } else if (entry.scancode) {
        result.value = entry.scancode->value;
        char text[16];
        std::snprintf(text, sizeof text, "0x%x", entry.scancode->value);
        result.scancodeText = text;
    }
    return result;
}

// What ir-ctl -K sends for a key of a kernel protocol: the variant's (else
// the protocol's) encoding of the value as it is, which drops the bits the
// protocol lacks, as a receiver then decodes it.
Scancode irCtlScancode(const KeymapWords& words) {
    auto protocol = ostrel::protocols::findProtocol(words.variant.empty() ? words.protocol : words.variant).protocol;
    EXPECT_TRUE(protocol) << words.protocol << " " << words.variant;
    const auto& info = ostrel::protocols::infoOf(*protocol);
    return ostrel::protocols::normalised({*protocol, static_cast<uint32_t>(words.value & info.scancodeBits)});
}

bool isNumbered(const std::string& name) {
    size_t mark = name.rfind('#');
    return mark != std::string::npos && mark + 1 < name.size() &&
           name.find_first_not_of("0123456789", mark + 1) == std::string::npos;
}

struct Transmission {
    uint32_t carrier = 0;
    std::vector<uint32_t> durations;
};

// A line of the emulator's log: "send carrier=38000 duty=50 mask=0x1 durations=9000 4500 ...".
Transmission transmissionOf(const std::string& line) {
    Transmission sent;
    std::istringstream in(line);
    for (std::string word; in >> word;) {
        if (word.rfind("carrier=", 0) == 0) {
            sent.carrier = static_cast<uint32_t>(std::stoul(word.substr(8)));
        } else if (word.rfind("durations=", 0) == 0) {
            sent.durations.push_back(static_cast<uint32_t>(std::stoul(word.substr(10))));
            for (uint32_t value; in >> value;) {
                sent.durations.push_back(value);
            }
        }
    }
    return sent;
}

// The counts of one keymap, and of all of them, under what they count.
struct Tally {
    std::map<std::string, size_t> counts;
    std::vector<double> readMilliseconds;

    void count(const std::string& what, size_t n = 1) { counts[what] += n; }

    void add(const Tally& other) {
        for (const auto& [what, n] : other.counts) {
            counts[what] += n;
        }
        readMilliseconds.insert(readMilliseconds.end(), other.readMilliseconds.begin(),
                                other.readMilliseconds.end());
    }

    std::string summary() const {
        std::ostringstream out;
        for (const auto& [what, n] : counts) {
            out << "\n    " << n << " " << what;
        }
        if (!readMilliseconds.empty()) {
            std::vector<double> sorted = readMilliseconds;
            std::sort(sorted.begin(), sorted.end());
            char timing[128];
            std::snprintf(timing, sizeof timing, "\n    reading a keymap (fastest of 5): median %.3f ms, longest %.3f ms",
                          sorted[sorted.size() / 2], sorted.back());
            out << timing;
        }
        return out.str();
    }
};

Tally& totals() {
    static Tally all;
    return all;
}

// The reason a refusal is counted under: the protocol's line as it is, and
// one for every scancode with bits its protocol lacks.
std::string reasonOf(const std::string& refusal) {
    return refusal.find(" has bits outside ") != std::string::npos ? "a scancode with bits its protocol lacks"
                                                                    : refusal;
}

// A refusal as irsignal prints it: on one line (the catalog's may hold a
// newline only in the names it quotes, which none of these has).
std::string oneLineOf(const std::string& refusal) { return refusal.substr(0, refusal.find('\n')); }

class InstalledKeymap : public ::testing::TestWithParam<std::string> {
protected:
    // ir-ctl with the emulator preloaded, sending from the keymap.
    ChildResult irCtl(const std::string& keymap, const std::vector<std::string>& sends) {
        std::error_code ignored;
        std::filesystem::remove(folder_ / "log", ignored);
        ChildLaunch launch;
        launch.command = {kIrCtl, "-d", folder_ / "lirc0", "-k", keymap, "-g", "1"};
        launch.command.insert(launch.command.end(), sends.begin(), sends.end());
        launch.setEnvironment = {std::string("LD_PRELOAD=") + LIRC_EMULATOR_LIBRARY,
                                 "LIRC_EMULATOR_DEVICE=" + (folder_ / "lirc0"), "LIRC_EMULATOR_LOG=" + (folder_ / "log"),
                                 "LIRC_EMULATOR_STATE=" + (folder_ / "state"), "LIRC_EMULATOR_NO_DELAY=1"};
        launch.unsetEnvironment = {"LIRC_EMULATOR_EMITTERS", "LIRC_EMULATOR_WITHOUT", "LIRC_EMULATOR_RECEIVE",
                                   "LIRC_EMULATOR_WRITE_ERROR", "LIRC_EMULATOR_PROFILE"};
        launch.timeoutSeconds = 300;
        return runChild(launch);
    }

    std::vector<std::string> logLines() const {
        return fileExists(folder_ / "log") ? linesOf(readFile(folder_ / "log")) : std::vector<std::string>{};
    }

    ScratchFolder folder_;
};

TEST_P(InstalledKeymap, SendsWhatIrCtlSends) {
    if (GetParam() == kNoKeymaps) {
        GTEST_SKIP() << "no keymaps in " << kKeymapFolder << " (Debian package ir-keytable)";
    }
    std::string path = std::string(kKeymapFolder) + "/" + GetParam();
    std::string text = readFile(path);
    // The time a reading takes: the fastest of a few, which the machine's
    // other work has least delayed. Reported, not judged.
    Catalog catalog;
    std::chrono::duration<double, std::milli> fastest{0};
    for (int reading = 0; reading < 5; ++reading) {
        auto started = std::chrono::steady_clock::now();
        catalog = readKeymap(path, text);
        std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - started;
        fastest = reading == 0 ? took : std::min(fastest, took);
    }
    ASSERT_TRUE(catalog.ok()) << catalog.error;

    Tally tally;
    tally.count("keymaps");
    tally.count("keys", catalog.entries.size());
    tally.readMilliseconds.push_back(fastest.count());

    // What ir-ctl is to send, in one run: keys by name (-K). A second
    // definition, which -K never selects, is sent by a name of its own from
    // a keymap of such definitions (kernel protocols only, which need no
    // parameters).
    std::vector<const CatalogEntry*> compared, comparedSeconds;
    std::vector<std::string> sends, sendsOfSeconds;
    std::string seconds;
    // A key of each refused protocol, which ir-ctl must refuse as well.
    std::map<std::string, const CatalogEntry*> refusedByBoth;
    for (const CatalogEntry& entry : catalog.entries) {
        KeymapWords words = wordsOf(entry);
        bool numbered = isNumbered(entry.name);
        if (!entry.refusal.empty()) {
            tally.count("refused");
            tally.count("refused: " + reasonOf(entry.refusal));
            bool irCtlSends = entry.refusal.find(" has bits outside ") != std::string::npos;
            if (numbered) {
                continue;
            }
            if (irCtlSends) {
                compared.push_back(&entry);
                sends.insert(sends.end(), {"-K", entry.name});
            } else {
                refusedByBoth.try_emplace(entry.refusal, &entry);
            }
            continue;
        }
        tally.count("sent");
        if (entry.scancode && numbered) {
            std::string name = "SECOND_" + std::to_string(comparedSeconds.size());
            seconds += "[[protocols]]\nprotocol = '" + words.protocol + "'\n";
            seconds += words.variant.empty() ? "" : "variant = '" + words.variant + "'\n";
            seconds += "[protocols.scancodes]\n" + words.scancodeText + " = '" + name + "'\n";
            comparedSeconds.push_back(&entry);
            sendsOfSeconds.insert(sendsOfSeconds.end(), {"-K", name});
        } else if (entry.scancode || (words.protocol == "pulse_distance" && !numbered)) {
            compared.push_back(&entry);
            sends.insert(sends.end(), {"-K", entry.name});
        } else {
            // samsung36, and BPF protocols whose ir-ctl 1.22.1 encoders are
            // faulty (none installed), and second definitions of BPF keys.
            ASSERT_TRUE(words.protocol == "samsung36" || numbered) << entry.name << ": " << entry.form;
            tally.count("sent, not by ir-ctl -K (samsung36, second definitions of BPF keys)");
            if (!numbered) {
                refusedByBoth.try_emplace(words.protocol, &entry);
            }
        }
    }

    auto compare = [&](const CatalogEntry& entry, const std::string& line) {
        SCOPED_TRACE(entry.name + " (" + entry.form + ")");
        KeymapWords words = wordsOf(entry);
        Transmission sent = transmissionOf(line);
        if (!entry.scancode && entry.refusal.empty()) {
            // pulse_distance: ir-ctl 1.22.1's encoder is the definition's.
            EXPECT_EQ(sent.durations, entry.signal.durations);
            EXPECT_TRUE(sent.carrier == entry.signal.carrier || (sent.carrier == 0 && entry.signal.carrier == 38000u))
                << sent.carrier << " " << entry.signal.carrier.value_or(0);
            tally.count("sent as ir-ctl sends them");
            tally.count("sent as ir-ctl sends them, ir-ctl at carrier 0", sent.carrier == 0 ? 1 : 0);
            return;
        }
        std::optional<ostrel::protocols::Decoded> decoded = ostrel::protocols::decodeSignal(sent.durations);
        ASSERT_TRUE(decoded) << line;
        Scancode expected = irCtlScancode(words);
        EXPECT_EQ(ostrel::protocols::formatScancode(decoded->scancode), ostrel::protocols::formatScancode(expected));
        if (!entry.refusal.empty()) {
            tally.count("refused, sent by ir-ctl without the bits its protocol lacks");
            return;
        }
        if (*entry.scancode != expected) {
            // The value is wider than the nec variant: the catalog sends
            // what the keymap's decoder reports for it.
            EXPECT_EQ(expected.protocol, ostrel::protocols::Protocol::nec);
            EXPECT_GT(words.value, 0xffffu);
            std::optional<ostrel::protocols::Decoded> ours = ostrel::protocols::decodeSignal(entry.signal.durations);
            ASSERT_TRUE(ours);
            EXPECT_EQ(ours->scancode, *entry.scancode);
            tally.count("sent, nec wider than 16 bits, of which ir-ctl sends the low 16");
            return;
        }
        EXPECT_EQ(sent.carrier, entry.signal.carrier);
        ASSERT_EQ(sent.durations.size(), entry.signal.durations.size()) << line;
        for (size_t d = 0; d < sent.durations.size(); ++d) {
            uint32_t a = sent.durations[d], b = entry.signal.durations[d];
            EXPECT_LE(a > b ? a - b : b - a, kEncoderTolerance) << "duration " << d << " of " << line;
        }
        tally.count("sent as ir-ctl sends them");
        tally.count("sent as ir-ctl sends them, second definitions (KEY#2)", isNumbered(entry.name) ? 1 : 0);
    };

    auto sendAndCompare = [&](const std::string& keymap, const std::vector<std::string>& keys,
                              const std::vector<const CatalogEntry*>& entries) {
        if (entries.empty()) {
            return;
        }
        ChildResult result = irCtl(keymap, keys);
        ASSERT_TRUE(result.exited && result.exitStatus == 0) << result.standardError;
        std::vector<std::string> lines = logLines();
        ASSERT_EQ(lines.size(), entries.size()) << result.standardError;
        for (size_t i = 0; i < entries.size(); ++i) {
            compare(*entries[i], lines[i]);
        }
    };
    sendAndCompare(path, sends, compared);
    writeFile(folder_ / "seconds.toml", seconds);
    sendAndCompare(folder_ / "seconds.toml", sendsOfSeconds, comparedSeconds);

    // Every key sent, through irsignal extract and irplay; a key of each
    // reason refused, refused by irsignal extract.
    // irplay waits out each signal it sends, which the device does not:
    // several play at once, each in a folder of its own, so that a keymap
    // takes a fraction of the time its signals last.
    std::map<std::string, const CatalogEntry*> refusedOnce;
    std::vector<const CatalogEntry*> played;
    for (const CatalogEntry& entry : catalog.entries) {
        if (entry.refusal.empty()) {
            played.push_back(&entry);
        } else {
            refusedOnce.try_emplace(reasonOf(entry.refusal), &entry);
        }
    }
    std::vector<std::string> failures(played.size());
    std::atomic<size_t> next{0};
    std::vector<std::thread> players;
    for (size_t worker = 0; worker < std::min<size_t>(kPlayersAtOnce, played.size()); ++worker) {
        std::string own = folder_ / ("player" + std::to_string(worker));
        makeFolders(own);
        players.emplace_back([&, own] {
            for (size_t i; (i = next++) < played.size();) {
                failures[i] = extractAndPlay(own, path + "#" + played[i]->name, played[i]->signal);
            }
        });
    }
    for (std::thread& player : players) {
        player.join();
    }
    for (size_t i = 0; i < played.size(); ++i) {
        EXPECT_EQ(failures[i], "") << played[i]->name << " (" << played[i]->form << ")";
        tally.count("sent, extracted and played by irplay as the catalog sends them", failures[i].empty() ? 1 : 0);
    }
    for (const auto& [reason, entry] : refusedOnce) {
        EXPECT_EQ(extractRefuses(folder_.path(), path + "#" + entry->name, oneLineOf(entry->refusal)), "");
    }

    for (const auto& [reason, entry] : refusedByBoth) {
        SCOPED_TRACE(entry->name + ": " + reason);
        ChildResult result = irCtl(path, {"-K", entry->name});
        ASSERT_TRUE(result.exited);
        EXPECT_NE(result.exitStatus, 0) << result.standardError;
        EXPECT_TRUE(logLines().empty());
    }

    std::cout << GetParam() << ": " << tally.summary() << "\n";
    totals().add(tally);
}

std::string rowName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param.substr(0, info.param.rfind(".toml"));
    for (char& c : name) {
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Installed, InstalledKeymap, ::testing::ValuesIn(installedKeymaps()), rowName);

// The counts of all keymaps, when one run has several rows.
class TotalsPrinter : public ::testing::Environment {
public:
    void TearDown() override {
        if (totals().counts["keymaps"] > 1) {
            std::cout << "All installed keymaps: " << totals().summary() << "\n";
        }
    }
};

}  // namespace
}  // namespace irsignal

int main(int argc, char** argv) {
    bool listing = false;
    for (int index = 1; index < argc; ++index) {
        listing = listing || std::strcmp(argv[index], "--gtest_list_tests") == 0;
    }
    if (!listing && access(irsignal::kIrCtl, X_OK) != 0) {
        std::fprintf(stderr, "no ir-ctl at '%s' (Debian package v4l-utils; IRTOOLS_IR_CTL names another); skipping\n",
                     irsignal::kIrCtl);
        return 77;
    }
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new irsignal::TotalsPrinter);
    return RUN_ALL_TESTS();
}
