// Pronto hex and Flipper IR files. The expected durations and carriers are
// worked out from the forms' definitions by form_expectations.py, not by
// the readers; where a form names a scancode, the expectation is what the
// scancode encoder (tested against the kernel's) sends for the code.
#include <sstream>

#include <gtest/gtest.h>

#include "ostrel/codec/protocols/scancode_decoding.h"
#include "ostrel/codec/protocols/scancode_encoding.h"
#include "ostrel/codec/signal_file.h"
#include "ostrel/codec/tests/signal_file_cases.h"

namespace ostrel {
namespace {

using Durations = std::vector<uint32_t>;

Durations sent(const char* scancode) {
    return protocols::encodeScancode(protocols::readScancode(scancode).scancode);
}

Durations durationsOf(const std::string& text) {
    std::istringstream words(text);
    Durations durations;
    for (uint32_t value; words >> value;) {
        durations.push_back(value);
    }
    return durations;
}

std::string flipper(const std::string& signal) {
    return "Filetype: IR signals file\nVersion: 1\n#\n" + signal;
}

std::string parsed(const char* protocol, const char* address, const char* command) {
    return flipper(std::string("name: Power\ntype: parsed\nprotocol: ") + protocol +
                   "\naddress: " + address + "\ncommand: " + command + "\n");
}

std::string raw(const char* frequency, const char* dutyCycle, const char* data) {
    return flipper(std::string("name: Power\ntype: raw\nfrequency: ") + frequency +
                   "\nduty_cycle: " + dutyCycle + "\ndata: " + data + "\n");
}

// The raw signal of Flipper's own description of its format
// (documentation/file_formats/InfraredFileFormats.md).
const char* const documentedData =
    "504 3432 502 483 500 484 510 502 502 482 501 485 509 1452 504 1458 509 1452 504 481 501 "
    "474 509 3420 503";

INSTANTIATE_TEST_SUITE_P(Pronto, ReadsGoodFile, ::testing::Values(
    // 0x6D: a period of 109 * 0.241246 = 26.2958 us, 38029 Hz; the last
    // space, the pause after the code, is not sent.
    GoodFile{"Learned", "0000 006D 0000 0002 0010 0020 0030 0040\n", {421, 841, 1262}, 38029},
    GoodFile{"OnceThenRepeatOnce", "0000 0073 0001 0001 0020 0040 0060 0080", {888, 1776, 2663}, 36045},
    GoodFile{"OnceOnly", "0000 0073 0001 0000 0020 0040", {888}, 36045},
    GoodFile{"Unmodulated", "0100 0070 0000 0001 000A 0064\n", {270}, unmodulated},
    // 0xF424 periods of 4 * 0.241246 us are 60311.5 us: halves round up.
    // An unmodulated code takes any frequency code as its time base.
    GoodFile{"RoundsHalvesUp", "0100 0004 0000 0001 F424 0001", {60312}, unmodulated},
    GoodFile{"LongestPeriod", "0100 FFFF 0000 0001 0001 0001", {15810}, unmodulated},
    // The carriers transmitters send, 10 kHz to 500 kHz: 0009 gives
    // 460572 Hz, 019E 10012 Hz.
    GoodFile{"HighestCarrier", "0000 0009 0000 0001 0010 0020", {35}, 460572},
    GoodFile{"LowestCarrier", "0000 019e 0000 0001 0010 0020", {1598}, 10012},
    GoodFile{"LinesCommentsCrlfLowerCase", "# TV power\r\n0000 006d 0000 0001 // learned\r\n0010\r\n 0020\r\n",
             {421}, 38029},
    GoodFile{"ByteOrderMark", "\xEF\xBB\xBF" "0000 006D 0000 0001 0010 0020", {421}, 38029},
    // The short forms: the code, sent as its scancode, at its protocol's
    // carrier; word 2 is not used.
    GoodFile{"Rc5", "5000 0073 0000 0001 000D 000D", sent("rc5:0xd0d"), 36000},
    GoodFile{"Rc5CountedAsOnce", "5000 0000 0001 0000 001F 007F", sent("rc5:0x1f7f"), 36000},
    GoodFile{"Rc5x", "5001 0073 0000 0002 0005 0041 0003 0000", sent("rc5x_20:0x54103"), 36000},
    GoodFile{"Rc6", "6000 0000 0000 0001 0004 000C", sent("rc6_0:0x40c"), 36000},
    GoodFile{"Nec", "900A 006D 0000 0001 10EF 0DF2", sent("nec:0x100d"), 38000},
    GoodFile{"NecWithSubdevice", "900a 006c 0000 0001 1055 0df2", sent("necx:0x10550d"), 38000},
    // A list whose first word looks like a Pronto word is read as a list,
    // as it always was.
    GoodFile{"ListOfFourDigitNumbers", "9000 4500 0560 0560 0560", {9000, 4500, 560, 560, 560}, std::nullopt},
    GoodFile{"ListFrom0100", "0100 0200 0300", {100, 200, 300}, std::nullopt}),
    [](const auto& test) { return test.param.name; });

INSTANTIATE_TEST_SUITE_P(Flipper, ReadsGoodFile, ::testing::Values(
    GoodFile{"Raw", raw("38000", "0.330000", documentedData), durationsOf(documentedData), 38000, 33},
    GoodFile{"RawEndingWithASpace", raw("36000", "0.5", "900 450 900 45000"), {900, 450, 900}, 36000, 50},
    GoodFile{"RawLowestCarrierAndDuty", raw("10000", "0.005", "1"), {1}, 10000, 1},
    GoodFile{"RawHighestCarrierAndDuty", raw("56000", "0.994999999999", "1"), {1}, 56000, 99},
    GoodFile{"DutyCycleHalvesUp", raw("38000", ".335", "1"), {1}, 38000, 34},
    GoodFile{"CrlfCommentsBlanksAndLibraryFile",
             "# from the IR database\r\nFiletype: IR library file\r\nVersion: 1\r\n#\r\n  name: Vol up \r\n"
             "type: raw\r\n#\r\ndata: 1 2 3\r\nfrequency: 38000\r\nduty_cycle: 0.330000\r\n",
             {1, 2, 3}, 38000, 33},
    // Parsed signals: the address and command bytes laid out on the air as
    // Flipper does, the same bits as these scancodes (form_expectations.py
    // compares them bit for bit), sent at 33 %.
    GoodFile{"Nec", parsed("NEC", "07 00 00 00", "02 00 00 00"), sent("nec:0x702"), 38000, 33},
    GoodFile{"NecExt", parsed("NECext", "EE 87 00 00", "5D A0 00 00"), sent("nec32:0x87eea05d"), 38000, 33},
    GoodFile{"NecExtWithCommandComplement", parsed("NECext", "34 12 00 00", "0B F4 00 00"),
             sent("necx:0x34120b"), 38000, 33},
    GoodFile{"Nec42", parsed("NEC42", "34 12 00 00", "56 00 00 00"), sent("sanyo:0x123456"), 38000, 33},
    GoodFile{"Nec42extOfComplements", parsed("NEC42ext", "34 72 B9 01", "56 A9 00 00"), sent("sanyo:0x123456"),
             38000, 33},
    GoodFile{"Rc5", parsed("RC5", "1E 00 00 00", "01 00 00 00"), sent("rc5:0x1e01"), 36000, 33},
    // Commands of 64 to 127, which Flipper's RC5 refuses, as its RC5X sends them.
    GoodFile{"Rc5CommandOver63", parsed("RC5", "1E 00 00 00", "7F 00 00 00"), sent("rc5:0x1e7f"), 36000, 33},
    GoodFile{"Rc5Command64", parsed("RC5", "00 00 00 00", "40 00 00 00"), sent("rc5:0x40"), 36000, 33},
    GoodFile{"Rc5x", parsed("RC5X", "05 00 00 00", "41 00 00 00"), sent("rc5:0x541"), 36000, 33},
    // Flipper sends only the low 6 bits of an RC5X command.
    GoodFile{"Rc5xSevenBitCommand", parsed("RC5X", "05 00 00 00", "01 00 00 00"), sent("rc5:0x541"), 36000, 33},
    GoodFile{"Rc6", parsed("RC6", "04 00 00 00", "0C 00 00 00"), sent("rc6_0:0x40c"), 36000, 33},
    GoodFile{"Sirc", parsed("SIRC", "01 00 00 00", "15 00 00 00"), sent("sony12:0x10015"), 40000, 33},
    GoodFile{"Sirc15", parsed("SIRC15", "9A 00 00 00", "15 00 00 00"), sent("sony15:0x9a0015"), 40000, 33},
    GoodFile{"Sirc20", parsed("SIRC20", "34 12 00 00", "15 00 00 00"), sent("sony20:0x149115"), 40000, 33},
    // The kernel cannot encode these: Flipper's timings (NEC42ext: sanyo's).
    GoodFile{"Samsung32", parsed("Samsung32", "07 00 00 00", "02 00 00 00"), durationsOf(
        "4500 4500 550 1650 550 1650 550 1650 550 550 550 550 550 550 550 550 550 550 550 1650 550 "
        "1650 550 1650 550 550 550 550 550 550 550 550 550 550 550 550 550 1650 550 550 550 550 550 "
        "550 550 550 550 550 550 550 550 1650 550 550 550 1650 550 1650 550 1650 550 1650 550 1650 "
        "550 1650 550"), 38000, 33},
    GoodFile{"Kaseikyo", parsed("Kaseikyo", "10 54 32 00", "F3 00 00 00"), durationsOf(
        "3456 1728 432 432 432 432 432 1296 432 432 432 1296 432 432 432 1296 432 432 432 432 432 "
        "1296 432 432 432 432 432 1296 432 1296 432 432 432 432 432 432 432 432 432 432 432 432 432 "
        "1296 432 432 432 432 432 432 432 432 432 432 432 432 432 432 432 1296 432 1296 432 432 432 "
        "432 432 1296 432 1296 432 1296 432 1296 432 432 432 432 432 432 432 432 432 1296 432 1296 "
        "432 1296 432 1296 432 432 432 1296 432 432 432 432 432"), 38000, 33},
    GoodFile{"Rca", parsed("RCA", "0F 00 00 00", "54 00 00 00"), durationsOf(
        "4000 4000 500 2000 500 2000 500 2000 500 2000 500 1000 500 1000 500 2000 500 1000 500 2000 "
        "500 1000 500 2000 500 1000 500 1000 500 1000 500 1000 500 1000 500 2000 500 2000 500 1000 "
        "500 2000 500 1000 500 2000 500 1000 500 2000 500"), 38000, 33},
    // Two frames, as Flipper sends Pioneer at least: the 33rd bit's pulse
    // ends each, and its space and 26 ms of silence lie between them.
    GoodFile{"Pioneer", parsed("Pioneer", "AF 00 00 00", "54 00 00 00"), durationsOf(
        "8500 4225 500 1500 500 1500 500 1500 500 1500 500 500 500 1500 500 500 500 1500 500 500 500 "
        "500 500 500 500 500 500 1500 500 500 500 1500 500 500 500 500 500 500 500 1500 500 500 500 "
        "1500 500 500 500 1500 500 500 500 1500 500 1500 500 500 500 1500 500 500 500 1500 500 500 "
        "500 1500 500 26500 8500 4225 500 1500 500 1500 500 1500 500 1500 500 500 500 1500 500 500 "
        "500 1500 500 500 500 500 500 500 500 500 500 1500 500 500 500 1500 500 500 500 500 500 500 "
        "500 1500 500 500 500 1500 500 500 500 1500 500 500 500 1500 500 1500 500 500 500 1500 500 "
        "500 500 1500 500 500 500 1500 500"), 40000, 33},
    GoodFile{"Nec42ext", parsed("NEC42ext", "78 56 34 02", "BC 9A 00 00"), durationsOf(
        "9008 4504 563 563 563 563 563 563 563 1689 563 1689 563 1689 563 1689 563 563 563 563 563 "
        "1689 563 1689 563 563 563 1689 563 563 563 1689 563 563 563 563 563 563 563 1689 563 563 "
        "563 1689 563 1689 563 563 563 563 563 563 563 1689 563 563 563 563 563 1689 563 1689 563 "
        "1689 563 1689 563 563 563 1689 563 563 563 1689 563 563 563 1689 563 1689 563 563 563 563 "
        "563 1689 563"), 38000, 33}),
    [](const auto& test) { return test.param.name; });

const std::string counts = "the counts of the two sequences";
const std::string transmitters = ": expected a carrier from 10000 to 500000 Hz, as IR transmitters send";

INSTANTIATE_TEST_SUITE_P(Pronto, RefusesBadFile, ::testing::Values(
    BadFile{"NotAHexWord", "0000 006D 0000 0002\n0010 0020\n0030 00G0\n", 3,
            "word 8: '00G0' is not a word of four hex digits"},
    BadFile{"ShortWord", "0000 006D 0000 0001 010 0020", 1, "word 5: '010' is not a word of four hex digits"},
    BadFile{"FewerWordsThanCounted", "0000 006D 0000 0002 0010 0020\n0030", 2,
            "7 words, fewer than words 3 and 4 count: 4 + 2 * (0 + 2) = 8"},
    BadFile{"MoreWordsThanCounted", "0000 006D 0001 0000 0010 0020\n0030 0040", 2,
            "word 7: more words than words 3 and 4 count: 4 + 2 * (1 + 0) = 6"},
    BadFile{"NoBurstPairs", "0000 006D 0000 0000", 1,
            "word 3: the once and repeat sequences (words 3 and 4) have no burst pairs"},
    BadFile{"TooFewWords", "0000 006D 0000", 1,
            "3 words; a Pronto code begins with four: the format, the frequency code and " + counts},
    BadFile{"ZeroFrequencyCode", "0000 0000 0000 0001 0010 0020", 1,
            "word 2: frequency code 0000, which gives no carrier period"},
    BadFile{"ZeroPeriods", "0000 006D 0000 0001 0010 0000", 1, "word 6: '0000' carrier periods last 0 us"},
    BadFile{"RoundsToZero", "0100 0001 0000 0001 0002 0001", 1, "word 5: '0002' carrier periods last 0 us"},
    BadFile{"TooLong", "0100 FFFF 0000 0001 FFFF 0001", 1,
            "word 5: 'FFFF' carrier periods last 1036112060 us, more than 16777214"},
    // Carriers no transmitter sends: 4145146 Hz, just above 500 kHz and
    // just below 10 kHz, and 63 Hz.
    BadFile{"CarrierOfCode1", "0000 0001 0001 0000 FFFF FFFF", 1,
            "word 2: frequency code 0001 gives a carrier of 4145146 Hz" + transmitters},
    BadFile{"CarrierAbove500kHz", "# key\n0000 0008 0000 0001 0010 0020", 2,
            "word 2: frequency code 0008 gives a carrier of 518143 Hz" + transmitters},
    BadFile{"CarrierBelow10kHz", "0000\n019f 0000 0001 0010 0020", 2,
            "word 2: frequency code 019f gives a carrier of 9988 Hz" + transmitters},
    BadFile{"CarrierOfLongestPeriod", "0000 FFFF 0000 0001 0001 0001", 1,
            "word 2: frequency code FFFF gives a carrier of 63 Hz" + transmitters},
    BadFile{"UnknownFormat", "A000 006D 0000 0001 0010 0020", 1,
            "word 1: format 'A000' is none of 0000 (learned), 0100 (learned unmodulated), 5000 (RC5), "
            "5001 (RC5x), 6000 (RC6) and 900A (NEC)"},
    BadFile{"Rc5System", "5000 0073 0000 0001 0020 0001", 1, "word 5: RC5 system '0020' is more than 31"},
    // Published as "RC5 device 0 function 239", which RC5 cannot send
    // (remotecentral.com, viewpost.cgi?957914).
    BadFile{"Rc5CommandPublished", "5000 0000 0000 0001 0000 00eF", 1,
            "word 6: RC5 command '00eF' is more than 127"},
    BadFile{"Rc5TwoPairs", "5000 0073 0000 0002 0001 0001 0000 0000", 1,
            "word 3: RC5's short form has 1 burst pair (words 3 and 4), not 2"},
    BadFile{"Rc5xCommand", "5001 0073 0000 0002 0005 0080 0003 0000", 1,
            "word 6: RC5x command '0080' is more than 127"},
    BadFile{"Rc5xData", "5001 0073 0000 0002 0005 0001 0040 0000", 1, "word 7: RC5x data '0040' is more than 63"},
    BadFile{"Rc5xOnePair", "5001 0073 0000 0001 0005 0001", 1,
            "word 3: RC5x's short form has 2 burst pairs (words 3 and 4), not 1"},
    BadFile{"Rc6System", "6000 0000 0000 0001 0100 0001", 1, "word 5: RC6 system '0100' is more than 255"},
    BadFile{"NecComplement", "900A 006D 0000 0001 10EF 0DF3", 1,
            "word 6: '0DF3': its low byte is not the complement of the command in its high byte, F2"},
    // A list mistyped is a list, though its first word could be a Pronto word.
    BadFile{"MistypedList", "9000 4500 56O 560\n", 1,
            "expected +N or -N with N from 1 to 16777214, not '56O'"},
    BadFile{"NoFormAtAll", "# a code\nPower: 0000 006D\n", 2,
            "expected a signal: ir-ctl's lines (pulse, space, timeout, carrier or scancode), a list "
            "(+N -N ...), Pronto hex (0000 006D ...) or a Flipper IR file (Filetype: IR signals file)"}),
    [](const auto& test) { return test.param.name; });

const std::string keysOfASignal =
    "; a signal has name and type, and frequency, duty_cycle and data (raw) or protocol, address "
    "and command (parsed)";
const std::string playedProtocols =
    "; the protocols played are NEC, NECext, NEC42, NEC42ext, Samsung32, RC5, RC5X, RC6, SIRC, "
    "SIRC15, SIRC20, Kaseikyo, RCA, Pioneer";
const std::string fourBytes = ": expected four hex bytes, least significant first, such as 07 00 00 00";

std::string signals(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) {
        text += "#\nname: Key " + std::to_string(i) + "\ntype: raw\nfrequency: 38000\n"
                "duty_cycle: 0.33\ndata: 1\n";
    }
    return flipper(text);
}

INSTANTIATE_TEST_SUITE_P(Flipper, RefusesBadFile, ::testing::Values(
    BadFile{"TwoSignals", parsed("NEC", "07 00 00 00", "02 00 00 00") + "#\nname: Mute\ntype: raw\n", 10,
            "2 signals (Power, Mute); irplay plays one signal per file: irsignal extract FILE#NAME "
            "-o KEY.ir saves one in a file of its own"},
    BadFile{"ManySignals", signals(12), 11,
            "12 signals (Key 1, Key 2, Key 3, Key 4, Key 5, Key 6, Key 7, Key 8, Key 9, Key 10 and 2 "
            "more); irplay plays one signal per file: irsignal extract FILE#NAME -o KEY.ir saves one "
            "in a file of its own"},
    BadFile{"OtherFiletype", "Filetype: Flipper SubGhz RAW File\nVersion: 1\n", 1,
            "Filetype 'Flipper SubGhz RAW File' is no IR file; expected Filetype: IR signals file"},
    BadFile{"NoVersion", "Filetype: IR signals file\nname: Power\n", 2, "expected Version: 1 after the Filetype"},
    BadFile{"OtherVersion", "Filetype: IR signals file\nVersion: 2\n", 2,
            "Version '2'; Flipper's IR files read here are of version 1"},
    BadFile{"NoSignal", flipper(""), 0, "no signal in the file: none has a name: line"},
    BadFile{"KeyBeforeName", flipper("type: raw\nname: Power\n"), 4, "expected name: after the Version, not 'type'"},
    BadFile{"NotAKeyValueLine", flipper("name: Power\ntype raw\n"), 5,
            "expected 'key: value', such as 'type: raw', not 'type raw'"},
    BadFile{"UnknownKey", flipper("name: Power\ntype: raw\nrepeat: 3\n"), 6, "unknown key 'repeat'" + keysOfASignal},
    BadFile{"KeyTwice", raw("38000", "0.33", "1") + "data: 2\n", 9, "data given twice, first on line 8"},
    BadFile{"NoType", flipper("name: Power\n"), 4, "signal without a type: line (raw or parsed)"},
    BadFile{"OtherType", flipper("name: Power\ntype: parsed_array\n"), 5, "type 'parsed_array': expected raw or parsed"},
    BadFile{"RawWithoutData", flipper("name: P\ntype: raw\nfrequency: 38000\nduty_cycle: 0.33\n"), 5,
            "raw signal without data:"},
    BadFile{"RawWithProtocol", raw("38000", "0.33", "1") + "protocol: NEC\n", 9,
            "protocol: belongs to a parsed signal, not a raw one"},
    BadFile{"CarrierTooLow", raw("9999", "0.33", "1"), 6,
            "frequency '9999': expected a carrier from 10000 to 56000 Hz, as Flipper sends"},
    BadFile{"CarrierTooHigh", raw("56001", "0.33", "1"), 6,
            "frequency '56001': expected a carrier from 10000 to 56000 Hz, as Flipper sends"},
    BadFile{"DutyCycleNotADecimal", raw("38000", "33%", "1"), 7,
            "duty_cycle '33%': expected a decimal fraction, such as 0.33"},
    BadFile{"DutyCycleExponent", raw("38000", "3.3e-1", "1"), 7,
            "duty_cycle '3.3e-1': expected a decimal fraction, such as 0.33"},
    BadFile{"DutyCycleWhole", raw("38000", "1.000000", "1"), 7,
            "duty_cycle '1.000000': a LIRC device takes a duty cycle of 1 to 99 %"},
    BadFile{"DutyCycleBelowOnePercent", raw("38000", "0.004999", "1"), 7,
            "duty_cycle '0.004999': a LIRC device takes a duty cycle of 1 to 99 %"},
    BadFile{"DataZero", raw("38000", "0.33", "900 0 900"), 8,
            "data value 2, '0', is not a decimal number from 1 to 16777214"},
    BadFile{"DataEmpty", raw("38000", "0.33", ""), 8, "data: without durations"},
    BadFile{"ParsedWithData", parsed("NEC", "07 00 00 00", "02 00 00 00") + "data: 1\n", 9,
            "data: belongs to a raw signal, not a parsed one"},
    BadFile{"ParsedWithoutCommand", flipper("name: P\ntype: parsed\nprotocol: NEC\naddress: 07 00 00 00\n"), 5,
            "parsed signal without command:"},
    BadFile{"AddressThreeBytes", parsed("NEC", "07 00 00", "02 00 00 00"), 7, "address '07 00 00'" + fourBytes},
    BadFile{"CommandNotHex", parsed("NEC", "07 00 00 00", "0x02 00 00 00"), 8,
            "command '0x02 00 00 00'" + fourBytes},
    BadFile{"UnknownProtocol", parsed("nec", "07 00 00 00", "02 00 00 00"), 6,
            "protocol 'nec': no Flipper protocol is named so" + playedProtocols},
    BadFile{"PioneerAddressBeyondItsBits", parsed("Pioneer", "AF 01 00 00", "54 00 00 00"), 7,
            "address 0x1af has bits outside the 8 of Pioneer addresses"},
    BadFile{"RcaAddressBeyondItsBits", parsed("RCA", "10 00 00 00", "54 00 00 00"), 7,
            "address 0x10 has bits outside the 4 of RCA addresses"},
    BadFile{"Nec42extAddressBeyondItsBits", parsed("NEC42ext", "0F 00 00 04", "54 00 00 00"), 7,
            "address 0x400000f has bits outside the 26 of NEC42ext addresses"},
    BadFile{"Rc5CommandBeyondSevenBits", parsed("RC5", "1E 00 00 00", "80 00 00 00"), 8,
            "command 0x80 has bits outside the 7 of RC5 commands"},
    BadFile{"AddressBeyondItsBits", parsed("NEC", "07 01 00 00", "02 00 00 00"), 7,
            "address 0x107 has bits outside the 8 of NEC addresses"},
    BadFile{"CommandBeyondItsBits", parsed("SIRC", "01 00 00 00", "80 00 00 00"), 8,
            "command 0x80 has bits outside the 7 of SIRC commands"}),
    [](const auto& test) { return test.param.name; });

// Pronto codes published with the protocol and code they stand for. Each
// must send what the scancode encoder sends for its code, within one Pronto
// unit (a carrier period: the code counts whole periods, and generators
// such as MakeHex move part of one from each pulse to its space) and 1 us of
// rounding, and decode as its code.
struct PublishedCode {
    const char* name;
    const char* where;  // where it was published, with what it stands for
    const char* pronto;
    const char* scancode;
};

class PublishedProntoCode : public ::testing::TestWithParam<PublishedCode> {};

TEST_P(PublishedProntoCode, SendsWhatItsScancodeSends) {
    SignalFileReading reading = parseSignalFile(GetParam().pronto, "key.ir");
    ASSERT_TRUE(reading.ok()) << reading.error << "; published at " << GetParam().where;
    protocols::Scancode scancode = protocols::readScancode(GetParam().scancode).scancode;
    Durations frame = protocols::encodeFrame(scancode);
    const Durations& durations = reading.signal.durations;
    std::string pronto = GetParam().pronto;
    bool learned = pronto.starts_with("0000");
    double period = std::stoul(pronto.substr(5, 4), nullptr, 16) * 0.241246;
    if (learned) {
        EXPECT_NEAR(*reading.signal.carrier, 1e6 / period, 0.5);
    } else {
        EXPECT_EQ(reading.signal.carrier, protocols::infoOf(scancode.protocol).carrier);
    }
    double tolerance = learned ? 1 + period : 0;  // a short form is its scancode
    ASSERT_GE(durations.size(), frame.size());
    for (size_t i = 0; i < frame.size(); ++i) {
        EXPECT_NEAR(durations[i], frame[i], tolerance) << "duration " << i;
    }
    std::optional<protocols::Decoded> decoded = protocols::decodeSignal(durations);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(protocols::formatScancode(decoded->scancode), GetParam().scancode);
}

INSTANTIATE_TEST_SUITE_P(Pronto, PublishedProntoCode, ::testing::Values(
    PublishedCode{"Nec1", "remotecentral.com Pronto Professional forum, thread 2721 (2009): "
                  "NEC1 device 131.85 function 145, Epson's custom code 8355h and code 91h",
                  "0000 006D 0022 0002 0157 00AC 0015 0041 0015 0041 0015 0016 0015 0016 0015 0016 0015 0016 "
                  "0015 0016 0015 0041 0015 0041 0015 0016 0015 0041 0015 0016 0015 0041 0015 0016 0015 0041 "
                  "0015 0016 0015 0041 0015 0016 0015 0016 0015 0016 0015 0041 0015 0016 0015 0016 0015 0041 "
                  "0015 0016 0015 0041 0015 0041 0015 0041 0015 0016 0015 0041 0015 0041 0015 0016 0015 0689 "
                  "0157 0056 0015 0E94", "necx:0x835591"},
    PublishedCode{"Nec2", "the same post: NEC2 device 131.85 function 145, the frame as the repeat sequence",
                  "0000 006D 0000 0022 0157 00AC 0015 0041 0015 0041 0015 0016 0015 0016 0015 0016 0015 0016 "
                  "0015 0016 0015 0041 0015 0041 0015 0016 0015 0041 0015 0016 0015 0041 0015 0016 0015 0041 "
                  "0015 0016 0015 0041 0015 0016 0015 0016 0015 0016 0015 0041 0015 0016 0015 0016 0015 0041 "
                  "0015 0016 0015 0041 0015 0041 0015 0041 0015 0016 0015 0041 0015 0041 0015 0016 0015 0689",
                  "necx:0x835591"},
    PublishedCode{"Rc5", "remotecentral.com forums, viewpost.cgi?1280830 (2015): RC5 device 13, function 13",
                  "0000 0073 0000 000A 0020 0020 0040 0020 0020 0040 0020 0020 0040 0040 0040 0020 0020 0040 "
                  "0020 0020 0040 0040 0020 0CA8", "rc5:0xd0d"},
    PublishedCode{"Rc5Short", "the same post, as the short form", "5000 0000 0000 0001 000D 000D", "rc5:0xd0d"},
    PublishedCode{"Rc5Device3", "remotecentral.com forums, viewpost.cgi?728067 (2008): RC5 device 3, function 4",
                  "0000 0073 0000 000B 0020 0020 0040 0020 0020 0020 0020 0020 0020 0040 0020 0020 0040 0020 "
                  "0020 0020 0020 0040 0040 0020 0020 0CC5", "rc5:0x304"},
    PublishedCode{"NecShort", "remotecentral.com forums, viewpost.cgi?1023143 (2010): NEC device 16, function 13",
                  "900A 006D 0000 0001 10EF 0DF2", "nec:0x100d"},
    PublishedCode{"NecShortDevice254", "remotecentral.com forums, viewpost.cgi?800938 (2007): NEC device 254, "
                  "function 0", "900A 006D 0000 0001 FE01 00FF", "nec:0xfe00"}),
    [](const auto& test) { return test.param.name; });

}  // namespace
}  // namespace ostrel
