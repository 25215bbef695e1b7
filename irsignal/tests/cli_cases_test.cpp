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

// Three lircd.conf remotes: NEC's timings in LIRC's space encoding, raw
// codes, and an unmodulated one, which the keyword form cannot hold.
const std::string lircdConf =
    "begin remote\n  name TV\n  bits 16\n  flags SPACE_ENC|CONST_LENGTH\n  header 9000 4500\n"
    "  one 560 1690\n  zero 560 560\n  ptrail 560\n  pre_data_bits 16\n  pre_data 0x40BF\n  gap 108000\n"
    "  begin codes\n    KEY_POWER 0x12ED\n    KEY_MUTE  0x807F\n  end codes\nend remote\n\n"
    "begin remote\n  name RAW\n  flags RAW_CODES\n  gap 30000\n  frequency 36000\n"
    "  begin raw_codes\n    name KEY_A\n      900 450 900\n  end raw_codes\nend remote\n\n"
    "begin remote\n  name BASE\n  bits 8\n  flags SPACE_ENC\n  one 300 900\n  zero 300 300\n  ptrail 300\n"
    "  gap 20000\n  frequency 0\n  begin codes\n    KEY_X 0x5A\n  end codes\nend remote\n";
const std::string lircdListed =
    "TV:KEY_POWER\tlircd.conf space encoding\tnec:0x248\t38000 Hz\t68.0 ms\t1 frame\n"
    "TV:KEY_MUTE\tlircd.conf space encoding\tnec:0x201\t38000 Hz\t68.0 ms\t1 frame\n"
    "RAW:KEY_A\tlircd.conf raw codes\t-\t36000 Hz\t2.3 ms\t1 frame\n"
    "BASE:KEY_X\tlircd.conf space encoding\t-\tunmodulated\t7.5 ms\t1 frame\n";
// One remote, whose buttons are also named by BUTTON alone.
const std::string lircdOneRemote = lircdConf.substr(0, lircdConf.find("\n\n") + 1);
const std::string lircdBroken = "begin remote\n  name TV\n  bits 16\n  flags SPACE_ENC\n  one 560 1690\n"
                                "  zero 560\n  begin codes\n    A 0x1\n  end codes\nend remote\n";

// A keymap: a variant of the protocol's own name, a value sent as another
// (nec's 32 bits whose command bytes are each other's complement), a key
// defined twice, one with bits its protocol lacks, and a BPF protocol.
const std::string keymap =
    "[[protocols]]\nname = 'tv'\nprotocol = 'nec'\nvariant = 'nec'\n[protocols.scancodes]\n"
    "0x248 = 'KEY_POWER'\n0xfe01fd02 = 'KEY_OK'\n0x202 = 'KEY_POWER'\n"
    "[[protocols]]\nprotocol = 'rc6'\nvariant = 'rc6_mce'\n[protocols.scancodes]\n0x800f040c = 'KEY_VOLUMEUP'\n"
    "[[protocols]]\nprotocol = 'rc5'\n[protocols.scancodes]\n0x3001 = 'KEY_EJECT'\n"
    "[[protocols]]\nprotocol = 'pulse_distance'\nheader_pulse = 2000\nheader_space = 1000\nbits = 8\n"
    "bit_pulse = 500\nbit_0_space = 500\nbit_1_space = 1500\ntrailer_pulse = 500\n"
    "[protocols.scancodes]\n0xa5 = 'KEY_MENU'\n";
const std::string keymapListed =
    "KEY_POWER\tkeymap nec\tnec:0x248\t38000 Hz\t68.1 ms\t1 frame\n"
    "KEY_OK\tkeymap nec scancode 0xfe01fd02\tnec:0x102\t38000 Hz\t68.1 ms\t1 frame\n"
    "KEY_POWER#2\tkeymap nec\tnec:0x202\t38000 Hz\t68.1 ms\t1 frame\n"
    "KEY_VOLUMEUP\tkeymap rc6 variant rc6_mce\trc6_mce:0x800f040c\t36000 Hz\t37.3 ms\t1 frame\n"
    "KEY_EJECT\tkeymap rc5 scancode 0x3001\tcannot be sent: rc5:0x3001 has bits outside 0x1f7f, the bits of "
    "rc5 scancodes\n"
    "KEY_MENU\tkeymap pulse_distance scancode 0xa5\t-\t38000 Hz\t15.5 ms\t1 frame\n";
const std::string keymapBroken = "[[protocols]]\nname = 'tv'\nprotocol = 'nec'\n[protocols.scancodes]\n"
                                 "0x248 = KEY_POWER\n";
const std::string keymapBrokenError = "bad.toml:5: Error while parsing value: could not determine value type\n";

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

    // lircd.conf files
    {.name = "ListsALircdConf", .arguments = {"list", "tv.lircd.conf"},
     .before = {{"tv.lircd.conf", lircdConf}}, .output = lircdListed},
    {.name = "ExtractsALircdButtonOfARemote", .arguments = {"extract", "tv.lircd.conf#RAW:KEY_A", "-o", "a.ir"},
     .before = {{"tv.lircd.conf", lircdConf}},
     .after = {{"a.ir", "# tv.lircd.conf#RAW:KEY_A: lircd.conf raw codes\ncarrier 36000\n"
                        "pulse 900\nspace 450\npulse 900\n"}}},
    {.name = "ExtractsALircdButtonByItsNameAlone", .arguments = {"extract", "tv.lircd.conf#KEY_MUTE"},
     .before = {{"tv.lircd.conf", lircdOneRemote}},
     .outputContains = "# tv.lircd.conf#KEY_MUTE: lircd.conf space encoding\n# decodes as nec:0x201\n"
                       "carrier 38000\npulse 9000\nspace 4500\npulse 560\nspace 560\n"},
    {.name = "LircdButtonAloneOfSeveralRemotes", .arguments = {"extract", "tv.lircd.conf#KEY_A", "-o", "a.ir"},
     .before = {{"tv.lircd.conf", lircdConf}}, .status = 1,
     .error = "tv.lircd.conf: no signal named 'KEY_A'; the closest: RAW:KEY_A, BASE:KEY_X, TV:KEY_MUTE\n"},
    {.name = "LircdUnknownButton", .arguments = {"show", "tv.lircd.conf#KEY_PWR", "--svg", "pwr.svg"},
     .before = {{"tv.lircd.conf", lircdOneRemote}}, .status = 1,
     .error = "tv.lircd.conf: no signal named 'KEY_PWR'; the closest: TV:KEY_POWER, TV:KEY_MUTE\n"},
    {.name = "LircdUnmodulatedButtonRefused", .arguments = {"extract", "tv.lircd.conf#BASE:KEY_X", "-o", "x.ir"},
     .before = {{"tv.lircd.conf", lircdConf}}, .status = 1,
     .error = "tv.lircd.conf:39: BASE:KEY_X (lircd.conf space encoding) cannot be sent: an unmodulated signal "
              "(carrier 0), which the keyword form cannot hold\n"},
    {.name = "ListBrokenLircdConf", .arguments = {"list", "tv.lircd.conf", "bad.lircd.conf"},
     .before = {{"tv.lircd.conf", lircdConf}, {"bad.lircd.conf", lircdBroken}}, .status = 1,
     .error = "bad.lircd.conf:6: unknown definition or too few arguments: \"zero 560\"\n"},
    {.name = "ExtractFromBrokenLircdConfWritesNothing",
     .arguments = {"extract", "bad.lircd.conf#A", "-o", "a.ir"},
     .before = {{"bad.lircd.conf", lircdBroken}}, .status = 1,
     .error = "bad.lircd.conf:6: unknown definition or too few arguments: \"zero 560\"\n"},
    {.name = "ShowsALircdButton", .arguments = {"show", "tv.lircd.conf#TV:KEY_POWER"},
     .before = {{"tv.lircd.conf", lircdConf}},
     .outputContains = "frame 1 of 1: 67 values, 67980 us (68.0 ms), decodes as nec:0x248\n"},

    // Kernel keymaps
    {.name = "ListsAKeymap", .arguments = {"list", "tv.toml"}, .before = {{"tv.toml", keymap}},
     .output = keymapListed},
    {.name = "ListsALircdConfAndAKeymap", .arguments = {"list", "tv.lircd.conf", "tv.toml"},
     .before = {{"tv.lircd.conf", lircdOneRemote}, {"tv.toml", keymap}},
     .outputContains = "tv.lircd.conf#TV:KEY_MUTE\tlircd.conf space encoding\tnec:0x201\t38000 Hz\t68.0 ms\t1 frame\n"
                       "tv.toml#KEY_POWER\tkeymap nec\tnec:0x248\t"},
    {.name = "ExtractsAKeymapKey", .arguments = {"extract", "tv.toml#KEY_VOLUMEUP", "-o", "up.ir"},
     .before = {{"tv.toml", keymap}},
     .after = {{"up.ir", "# tv.toml#KEY_VOLUMEUP: keymap rc6 variant rc6_mce\ncarrier 36000\n"
                         "scancode rc6_mce:0x800f040c\n"}}},
    {.name = "ExtractsAKeymapKeysSecondDefinition", .arguments = {"extract", "tv.toml#KEY_POWER#2"},
     .before = {{"tv.toml", keymap}}, .output = "# tv.toml#KEY_POWER#2: keymap nec\ncarrier 38000\nscancode nec:0x202\n"},
    {.name = "ExtractsAKeymapValueSentAsAnother", .arguments = {"extract", "tv.toml#KEY_OK"},
     .before = {{"tv.toml", keymap}},
     .output = "# tv.toml#KEY_OK: keymap nec scancode 0xfe01fd02\ncarrier 38000\nscancode nec:0x102\n"},
    {.name = "ExtractsAKeymapKeyOfABpfProtocol", .arguments = {"extract", "tv.toml#KEY_MENU"},
     .before = {{"tv.toml", keymap}},
     .outputContains = "# tv.toml#KEY_MENU: keymap pulse_distance scancode 0xa5\ncarrier 38000\n"
                       "pulse 2000\nspace 1000\npulse 500\nspace 1500\npulse 500\nspace 500\n"},
    {.name = "KeymapKeyRefused", .arguments = {"extract", "tv.toml#KEY_EJECT", "-o", "eject.ir"},
     .before = {{"tv.toml", keymap}}, .status = 1,
     .error = "tv.toml:17: KEY_EJECT (keymap rc5 scancode 0x3001) cannot be sent: rc5:0x3001 has bits outside "
              "0x1f7f, the bits of rc5 scancodes\n"},
    {.name = "KeymapUnknownKey", .arguments = {"extract", "tv.toml#KEY_PWR", "-o", "pwr.ir"},
     .before = {{"tv.toml", keymap}}, .status = 1,
     .error = "tv.toml: no signal named 'KEY_PWR'; the closest: KEY_POWER, KEY_OK, KEY_POWER#2\n"},
    {.name = "ListBrokenKeymap", .arguments = {"list", "bad.toml"}, .before = {{"bad.toml", keymapBroken}},
     .status = 1, .error = keymapBrokenError},
    {.name = "ExtractFromBrokenKeymapWritesNothing", .arguments = {"extract", "bad.toml#KEY_POWER", "-o", "p.ir"},
     .before = {{"bad.toml", keymapBroken}}, .status = 1, .error = keymapBrokenError},
    {.name = "ShowsAKeymapKey", .arguments = {"show", "tv.toml#KEY_VOLUMEUP"}, .before = {{"tv.toml", keymap}},
     .outputContains = "form: keymap rc6 variant rc6_mce\nscancode: rc6_mce:0x800f040c\ncarrier: 36000 Hz\n"},

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
    {.name = "CompareLircdButtonWithKeymapKey", .arguments = {"compare", "tv.lircd.conf#KEY_POWER", "tv.toml#KEY_POWER"},
     .before = {{"tv.lircd.conf", lircdOneRemote}, {"tv.toml", keymap}},
     .outputContains = "same code: nec:0x248, as both decode\n"},
    {.name = "CompareLircdButtonWithAnotherKey", .arguments = {"compare", "tv.lircd.conf#KEY_MUTE", "tv.toml#KEY_POWER"},
     .before = {{"tv.lircd.conf", lircdOneRemote}, {"tv.toml", keymap}}, .status = 1,
     .outputContains = "different codes: nec:0x201 and nec:0x248\n"},
    {.name = "CompareWithBrokenKeymap", .arguments = {"compare", "tv.lircd.conf#KEY_POWER", "bad.toml#KEY_POWER"},
     .before = {{"tv.lircd.conf", lircdOneRemote}, {"bad.toml", keymapBroken}}, .status = 2,
     .error = keymapBrokenError},
    {.name = "CompareWithBrokenLircdConf", .arguments = {"compare", "bad.lircd.conf#A", "tv.toml#KEY_POWER"},
     .before = {{"bad.lircd.conf", lircdBroken}, {"tv.toml", keymap}}, .status = 2,
     .error = "bad.lircd.conf:6: unknown definition or too few arguments: \"zero 560\"\n"},
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
