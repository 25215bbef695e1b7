// Keymaps written for the tests: what each key of each protocol sends, the
// names given to keys defined more than once, and what is no keymap.
#include <sstream>

#include <gtest/gtest.h>

#include "irsignal/keymap/keymap_catalog.h"
#include "ostrel/codec/protocols/scancode_encoding.h"

namespace irsignal {
namespace {

std::vector<uint32_t> durationsOf(const std::string& text) {
    std::istringstream words(text);
    std::vector<uint32_t> durations;
    for (uint32_t value; words >> value;) {
        durations.push_back(value);
    }
    return durations;
}

struct ExpectedEntry {
    const char* name;
    size_t line;
    const char* scancode;   // "" when the entry sends none
    const char* durations;  // "" for a scancode's frames, which its encoder makes
    uint32_t carrier;
    size_t frames;
    const char* refusal;  // a part of the refusal; "" when the entry is sent
};

struct KeymapCase {
    const char* name;
    const char* text;
    const char* error;  // the catalog's error, "" when the text is a keymap
    std::vector<ExpectedEntry> entries;
};

class Keymap : public ::testing::TestWithParam<KeymapCase> {};

TEST_P(Keymap, ListsWhatEachKeySends) {
    const KeymapCase& c = GetParam();
    Catalog catalog = readKeymap("test.toml", c.text);
    EXPECT_EQ(catalog.error, c.error);
    ASSERT_EQ(catalog.entries.size(), c.entries.size());
    for (size_t i = 0; i < c.entries.size(); ++i) {
        const ExpectedEntry& expected = c.entries[i];
        const CatalogEntry& entry = catalog.entries[i];
        SCOPED_TRACE(expected.name);
        EXPECT_EQ(entry.name, expected.name);
        EXPECT_EQ(entry.line, expected.line);
        if (*expected.refusal != '\0') {
            EXPECT_NE(entry.refusal.find(expected.refusal), std::string::npos) << entry.refusal;
            EXPECT_EQ(entry.refusal.find('\n'), std::string::npos);
            EXPECT_TRUE(entry.signal.durations.empty());
            EXPECT_FALSE(entry.scancode);
            continue;
        }
        EXPECT_EQ(entry.refusal, "");
        EXPECT_EQ(entry.scancode ? ostrel::protocols::formatScancode(*entry.scancode) : "", expected.scancode);
        std::vector<uint32_t> durations = entry.scancode ? ostrel::protocols::encodeScancode(*entry.scancode)
                                                         : durationsOf(expected.durations);
        EXPECT_EQ(entry.signal.durations, durations);
        EXPECT_EQ(entry.signal.carrier, expected.carrier);
        EXPECT_EQ(entry.frames, expected.frames);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keymaps, Keymap,
    ::testing::Values(
        // The variant names the encoding; a value wider than it is sent as
        // the wider NEC scancode it is, which the NEC decoder reports.
        KeymapCase{"NecVariants",
                   "[[protocols]]\nname = 'remote'\nprotocol = 'nec'\nvariant = 'necx'\n"
                   "[protocols.scancodes]\n0x866b1e = 'KEY_A'\n0x1234 = 'KEY_B'\n"
                   "[[protocols]]\nprotocol = 'nec'\nvariant = 'nec'\n[protocols.scancodes]\n"
                   "0x408 = 'KEY_C'\n0x866b12 = 'KEY_D'\n0xfe01fd02 = 'KEY_E'\n"
                   "[[protocols]]\nprotocol = 'nec'\n[protocols.scancodes]\n01010 = 'KEY_F'\n"
                   "[[protocols]]\nprotocol = 'nec'\nvariant = 'nec-32'\n[protocols.scancodes]\n"
                   "0x3085f009 = 'KEY_G'\n",
                   "",
                   {{"KEY_A", 6, "necx:0x866b1e", "", 38000, 1, ""},
                    {"KEY_B", 7, "necx:0x1234", "", 38000, 1, ""},
                    {"KEY_C", 12, "nec:0x408", "", 38000, 1, ""},
                    {"KEY_D", 13, "necx:0x866b12", "", 38000, 1, ""},
                    {"KEY_E", 14, "nec:0x102", "", 38000, 1, ""},
                    {"KEY_F", 18, "nec:0x208", "", 38000, 1, ""},
                    {"KEY_G", 23, "nec32:0x3085f009", "", 38000, 1, ""}}},
        KeymapCase{"OtherKernelProtocols",
                   "[[protocols]]\nprotocol = 'rc6'\nvariant = 'rc6_mce'\n[protocols.scancodes]\n"
                   "0x800f040c = 'KEY_A'\n0x12345678 = 'KEY_B'\n"
                   "[[protocols]]\nprotocol = 'rc5'\nvariant = 'rc5'\n[protocols.scancodes]\n"
                   "0x1e01 = 'KEY_C'\n0xeb5c = 'KEY_D'\n"
                   "[[protocols]]\nprotocol = 'rc-5-sz'\n[protocols.scancodes]\n0x28e3 = 'KEY_E'\n"
                   "[[protocols]]\nprotocol = 'sony'\nvariant = 'sony-12'\n[protocols.scancodes]\n"
                   "0x10015 = 'KEY_F'\n"
                   "[[protocols]]\nprotocol = 'xbox_dvd'\n[protocols.scancodes]\n0xa0b = 'KEY_G'\n",
                   "",
                   {{"KEY_A", 5, "rc6_mce:0x800f040c", "", 36000, 1, ""},
                    {"KEY_B", 6, "rc6_6a_32:0x12345678", "", 36000, 1, ""},
                    {"KEY_C", 11, "rc5:0x1e01", "", 36000, 1, ""},
                    {"KEY_D", 12, "", "", 0, 0, "rc5:0xeb5c has bits outside 0x1f7f, the bits of rc5 scancodes"},
                    {"KEY_E", 16, "rc5_sz:0x28e3", "", 36000, 1, ""},
                    {"KEY_F", 21, "sony12:0x10015", "", 40000, 3, ""},
                    {"KEY_G", 25, "xbox-dvd:0xa0b", "", 38000, 1, ""}}},
        KeymapCase{"WithoutEncoder",
                   "[[protocols]]\nprotocol = 'unknown'\n[protocols.scancodes]\n0x1 = 'KEY_A'\n"
                   "[[protocols]]\nprotocol = 'imon'\n[protocols.scancodes]\n0x2 = 'KEY_B'\n"
                   "[[protocols]]\nprotocol = 'rc-mm'\nvariant = 'rc-mm-12'\n[protocols.scancodes]\n"
                   "0x3 = 'KEY_C'\n"
                   "[[protocols]]\nprotocol = 'sony'\n[protocols.scancodes]\n0x4 = 'KEY_D'\n"
                   "[[protocols]]\nprotocol = 'rc6'\n[protocols.scancodes]\n0x5 = 'KEY_E'\n"
                   "[[protocols]]\nprotocol = 'mce_kbd'\n[protocols.scancodes]\n0x6 = 'KEY_F'\n"
                   "[[protocols]]\nprotocol = 'nec'\nvariant = 'nec16'\n[protocols.scancodes]\n0x7 = 'KEY_G'\n"
                   "[[protocols]]\nprotocol = 'nec'\n[protocols.scancodes]\n0x100000000 = 'KEY_H'\n"
                   "[[protocols]]\nprotocol = 'rc-mm'\n[protocols.scancodes]\n0x8 = 'KEY_I'\n",
                   "",
                   {{"KEY_A", 4, "", "", 0, 0, "keymap protocol unknown: no encoder for it"},
                    {"KEY_B", 8, "", "", 0, 0, "keymap protocol imon: no encoder for it"},
                    {"KEY_C", 13, "", "", 0, 0, "keymap protocol rc-mm variant rc-mm-12: no encoder for it"},
                    {"KEY_D", 17, "", "", 0, 0, "keymap protocol sony without a variant: one of sony12, sony15"},
                    {"KEY_E", 21, "", "", 0, 0, "keymap protocol rc6 without a variant: one of rc6_0,"},
                    {"KEY_F", 25, "", "", 0, 0, "keymap protocol mce_kbd: no encoder for it"},
                    {"KEY_G", 30, "", "", 0, 0, "keymap protocol nec variant nec16: no encoder for it"},
                    {"KEY_H", 34, "", "", 0, 0, "nec:0x100000000 has more than the 32 bits of a scancode"},
                    {"KEY_I", 38, "", "", 0, 0, "keymap protocol rc-mm: no encoder for it"}}},
        // BPF protocols at the keymap's carrier, else 38000 Hz; a variant
        // that names no kernel protocol leaves the BPF encoder to it, as in
        // ir-ctl.
        KeymapCase{"BpfProtocols",
                   "[[protocols]]\nprotocol = 'pulse_distance'\nbits = 2\ncarrier = 36000\n"
                   "[protocols.scancodes]\n0x2 = 'KEY_A'\n0x4 = 'KEY_B'\n"
                   "[[protocols]]\nprotocol = 'pulse_length'\nvariant = 'sony-like'\nbits = 2\n"
                   "[protocols.scancodes]\n0x1 = 'KEY_C'\n"
                   "[[protocols]]\nprotocol = 'manchester'\nbits = 3\ncarrier = 0\n"
                   "[protocols.scancodes]\n0x5 = 'KEY_D'\n"
                   "[[protocols]]\nprotocol = 'pulse_distance'\nbits = 'two'\n"
                   "[protocols.scancodes]\n0x2 = 'KEY_E'\n"
                   "[[protocols]]\nprotocol = 'pulse_length'\ncarrier = 'high'\n"
                   "[protocols.scancodes]\n0x2 = 'KEY_F'\n",
                   "",
                   {{"KEY_A", 6, "", "2125 1875 625 1625 625 375 625", 36000, 1, ""},
                    {"KEY_B", 7, "", "", 0, 0, "pulse_distance scancode 0x4 does not fit its 2 bits"},
                    {"KEY_C", 13, "", "2125 1875 375 625 1625", 38000, 1, ""},
                    {"KEY_D", 19, "", "1776 1776 888", 0, 1, ""},
                    {"KEY_E", 24, "", "", 0, 0, "pulse_distance parameter bits is not a whole number"},
                    {"KEY_F", 29, "", "", 0, 0, "keymap carrier parameter is not a whole number of Hz"}}},
        KeymapCase{"RawCodes",
                   "[[protocols]]\nprotocol = 'raw'\ncarrier = 40000\n"
                   "[[protocols.raw]]\nkeycode = 'KEY_A'\nraw = '+900 -450 900'\n"
                   "[[protocols.raw]]\nkeycode = 'KEY_B'\nraw = '900,450,900 20000 900 450 900'\n"
                   "[[protocols.raw]]\nkeycode = 'KEY_C'\nraw = '900 450'\n",
                   "",
                   {{"KEY_A", 4, "", "900 450 900", 40000, 1, ""},
                    {"KEY_B", 7, "", "900 450 900 20000 900 450 900", 40000, 2, ""},
                    {"KEY_C", 10, "", "", 0, 0, "raw code of 2 values, which ends with a space"}}},
        // A key defined more than once: bare where ir-ctl -K finds it first
        // (first protocol entry, then from the last; raw codes from the
        // last), numbered in the file's order elsewhere, past names taken.
        KeymapCase{"RepeatedKeys",
                   "[[protocols]]\nprotocol = 'nec'\n[protocols.scancodes]\n"
                   "0x1 = 'KEY_A'\n0x2 = 'KEY_A'\n0x3 = 'KEY_A#2'\n"
                   "[[protocols]]\nprotocol = 'nec'\n[protocols.scancodes]\n0x4 = 'KEY_B'\n0x5 = 'KEY_A'\n"
                   "[[protocols]]\nprotocol = 'unknown'\n[protocols.scancodes]\n0x6 = 'KEY_B'\n",
                   "",
                   {{"KEY_A", 4, "nec:0x1", "", 38000, 1, ""},
                    {"KEY_A#3", 5, "nec:0x2", "", 38000, 1, ""},
                    {"KEY_A#2", 6, "nec:0x3", "", 38000, 1, ""},
                    {"KEY_B#2", 10, "nec:0x4", "", 38000, 1, ""},
                    {"KEY_A#4", 11, "nec:0x5", "", 38000, 1, ""},
                    {"KEY_B", 15, "", "", 0, 0, "keymap protocol unknown: no encoder for it"}}},
        KeymapCase{"RepeatedRawCodes",
                   "[[protocols]]\nprotocol = 'raw'\n"
                   "[[protocols.raw]]\nkeycode = 'KEY_A'\nraw = '100 200 300'\n"
                   "[[protocols.raw]]\nkeycode = 'KEY_A'\nraw = '400 500 600'\n",
                   "",
                   {{"KEY_A#2", 3, "", "100 200 300", 38000, 1, ""},
                    {"KEY_A", 6, "", "400 500 600", 38000, 1, ""}}},
        KeymapCase{"NoKeys", "[[protocols]]\nprotocol = 'imon_rsc'\n", "", {}},
        // What is no keymap: the file and line, and no entries.
        KeymapCase{"NotToml", "[[protocols]]\nprotocol = 'nec'\n[protocols.scancodes]\n0x10 = KEY_A\n",
                   "test.toml:4: Error while parsing value: could not determine value type", {}},
        // A code point of U+00A1 to U+0499 where whitespace may be: toml++
        // 3.3.0 reaches its TOML_UNREACHABLE on it (a fault fixed upstream
        // after 3.3.0), which the builds here compile to a refusal.
        KeymapCase{"NonAsciiWhereWhitespaceMayBe",
                   "[[protocols]]\nprotocol = 'nec'\n[protocols.scancodes]\n0x10\xcf\x95 = 'KEY_A'\n",
                   "test.toml:4: Error while parsing key-value pair: expected '=', saw '\xcf\x95'", {}},
        KeymapCase{"RepeatedScancode",
                   "[[protocols]]\nprotocol = 'nec'\n[protocols.scancodes]\n0x10 = 'A'\n0x10 = 'B'\n",
                   "test.toml:5: Error while parsing key-value pair: cannot redefine existing string '0x10'", {}},
        KeymapCase{"NoProtocols", "name = 'remote'\n", "test.toml: no [[protocols]] table: not a keymap", {}},
        KeymapCase{"ProtocolsNotTables", "protocols = ['nec']\n",
                   "test.toml:1: protocols is not an array of tables ([[protocols]])", {}},
        KeymapCase{"NoProtocol", "[[protocols]]\nname = 'remote'\n",
                   "test.toml:1: protocol entry without a protocol", {}},
        KeymapCase{"ProtocolNotAString", "[[protocols]]\nprotocol = 5\n", "test.toml:2: protocol is not a string",
                   {}},
        KeymapCase{"ScancodeNotANumber", "[[protocols]]\nprotocol = 'nec'\n[protocols.scancodes]\n0x10z = 'A'\n",
                   "test.toml:4: scancode 0x10z is not a number (decimal, 0x hex or 0 octal, at most 64 bits)",
                   {}},
        KeymapCase{"ScancodeTooLarge",
                   "[[protocols]]\nprotocol = 'nec'\n[protocols.scancodes]\n18446744073709551616 = 'A'\n",
                   "test.toml:4: scancode 18446744073709551616 is not a number (decimal, 0x hex or 0 octal, at "
                   "most 64 bits)",
                   {}},
        KeymapCase{"KeycodeNotAString", "[[protocols]]\nprotocol = 'nec'\n[protocols.scancodes]\n0x10 = 16\n",
                   "test.toml:4: the keycode of scancode 0x10 is not a string", {}},
        KeymapCase{"RawBesideScancodes",
                   "[[protocols]]\nprotocol = 'raw'\n[protocols.scancodes]\n0x10 = 'A'\n"
                   "[[protocols.raw]]\nkeycode = 'B'\nraw = '1'\n",
                   "test.toml:5: raw codes beside scancodes in one protocol entry", {}},
        KeymapCase{"RawOutsideRawProtocol",
                   "[[protocols]]\nprotocol = 'nec'\n[[protocols.raw]]\nkeycode = 'B'\nraw = '1'\n",
                   "test.toml:3: raw codes in a protocol entry whose protocol is not raw", {}},
        KeymapCase{"RawProtocolWithoutCodes", "[[protocols]]\nprotocol = 'raw'\n",
                   "test.toml:1: raw protocol without raw codes ([[protocols.raw]])", {}},
        KeymapCase{"NegativePulse",
                   "[[protocols]]\nprotocol = 'raw'\n[[protocols.raw]]\nkeycode = 'B'\nraw = '100 -200 -300'\n",
                   "test.toml:5: raw value 3, -300, is not a duration from 1 to 65535 us (only a space may be "
                   "negative)",
                   {}},
        KeymapCase{"RawValueTooLong",
                   "[[protocols]]\nprotocol = 'raw'\n[[protocols.raw]]\nkeycode = 'B'\nraw = '65536'\n",
                   "test.toml:5: raw value 1, 65536, is not a duration from 1 to 65535 us", {}},
        KeymapCase{"RawWithoutKeycode", "[[protocols]]\nprotocol = 'raw'\n[[protocols.raw]]\nraw = '100'\n",
                   "test.toml:3: raw code without a keycode and a raw string", {}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace irsignal
