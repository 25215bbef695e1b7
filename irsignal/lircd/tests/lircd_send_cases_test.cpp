// What the catalog of a lircd.conf sends, one lircd.conf a row, each of an
// encoding or feature of LIRC's, against LIRC's irsimsend: every button's
// durations equal what irsimsend writes for it, sent with the count of frames
// SEND_ONCE sends (1 + min_repeat, or a button's codes); and every button,
// extracted by irsignal, plays through irplay on the emulated device as the
// catalog says it sends.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "irsignal/lircd/lircd_catalog.h"
#include "irsignal/lircd/tests/simsend_oracle.h"
#include "irsignal/tests/extract_and_play.h"
#include "tests/blackbox/scratch_folder.h"

namespace {

struct SendRow {
    const char* title;
    const char* conf;
    const char* form;
    // Each entry's frames, in order; 0 for an entry that must be refused,
    // with a refusal that holds `refusal`.
    std::vector<size_t> frames;
    std::optional<uint32_t> carrier = 38000;
    std::optional<uint32_t> dutyCycle = std::nullopt;
    const char* refusal = "";
};

void PrintTo(const SendRow& row, std::ostream* out) { *out << row.title; }

const SendRow sendRows[] = {
    {.title = "SpaceEncodingWithEveryPart",
     .conf = R"(# header, plead, pre_data and pre, post and post_data, ptrail, foot
begin remote
  name  FULL
  bits  8
  flags SPACE_ENC
  header 8800 4400
  plead  600
  one    550 1650
  zero   550 550
  pre_data_bits 8
  pre_data 0xA5
  pre    300 3000
  post_data_bits 4
  post_data 0x9
  post   400 4000
  ptrail 560
  foot   2000 6000
  gap    50000
  begin codes
    KEY_POWER 0x01
    KEY_MUTE  0x80
    KEY_0     0xFF
  end codes
end remote
)",
     .form = "lircd.conf space encoding",
     .frames = {1, 1, 1}},
    {.title = "ConstLengthWithRepeatCode",
     .conf = R"(begin remote
  name  NEC
  bits           16
  flags SPACE_ENC|CONST_LENGTH
  header       9000  4500
  one           560  1690
  zero          560   560
  ptrail        560
  repeat       9000  2250
  pre_data_bits   16
  pre_data       0x40BF
  gap          108000
  min_repeat      2
  frequency   38000
  begin codes
      KEY_POWER                0x12ED
      KEY_VOLUMEUP             0x807F
  end codes
end remote
)",
     .form = "lircd.conf space encoding",
     .frames = {3, 3}},
    {.title = "ConstLengthWithoutHeadAndFootInRepeats",
     .conf = R"(begin remote
  name  NOREP
  bits  12
  flags SPACE_ENC|CONST_LENGTH|NO_HEAD_REP|NO_FOOT_REP
  header 3000 1000
  one    500 1500
  zero   500 500
  ptrail 500
  foot   800 2500
  gap    60000
  min_repeat 2
  begin codes
    A 0x123
    B 0xFED
  end codes
end remote
)",
     .form = "lircd.conf space encoding",
     .frames = {3, 3}},
    {.title = "RepeatCodeWithHeaderAndRepeatGap",
     .conf = R"(begin remote
  name  REPHEAD
  bits  16
  flags SPACE_ENC|REPEAT_HEADER
  header 4500 4500
  one    560 1690
  zero   560 560
  ptrail 560
  repeat 560 9000
  repeat_gap 30000
  gap    60000
  min_repeat 2
  begin codes
    UP   0xE0E0
    DOWN 0x0F0F
  end codes
end remote
)",
     .form = "lircd.conf space encoding",
     .frames = {3, 3}},
    {.title = "RepeatMaskAndTwoGaps",
     .conf = R"(begin remote
  name  MASKED
  bits  10
  flags SPACE_ENC
  header 2000 2000
  one    400 1200
  zero   400 400
  ptrail 400
  repeat_mask 0x3F
  gap    50000 42000
  min_repeat 1
  begin codes
    PLAY 0x2A5
    STOP 0x001
  end codes
end remote
)",
     .form = "lircd.conf space encoding",
     .frames = {2, 2}},
    {.title = "SpaceFirst",
     .conf = R"(begin remote
  name  SPFIRST
  bits  12
  flags SPACE_FIRST
  plead  500
  one    500 1000
  zero   500 500
  gap    45000
  begin codes
    A 0x800
    B 0x001
    C 0xA5A
  end codes
end remote
)",
     .form = "lircd.conf space-first encoding",
     .frames = {1, 1, 1}},
    {.title = "Rc5WithToggleBitMask",
     .conf = R"(begin remote
  name  RC5
  bits  13
  flags RC5|CONST_LENGTH
  one   889 889
  zero  889 889
  plead 889
  gap   113792
  toggle_bit_mask 0x800
  frequency 36000
  min_repeat 1
  begin codes
    KEY_1      0x1001
    KEY_2      0x1802
    KEY_POWER  0x100C
  end codes
end remote
)",
     .form = "lircd.conf RC-5 bi-phase encoding",
     .frames = {2, 2, 2},
     .carrier = 36000},
    {.title = "ShiftEncodingWithObsoleteToggleBit",
     .conf = R"(begin remote
  name  SHIFT
  bits  6
  flags SHIFT_ENC
  one   889 889
  zero  889 889
  plead 889
  pre_data_bits 7
  pre_data 0x5F
  toggle_bit 2
  gap   90000
  begin codes
    A 0x01
    B 0x3E
  end codes
end remote
)",
     .form = "lircd.conf RC-5 bi-phase encoding",
     .frames = {1, 1}},
    {.title = "Rc6WithToggleBitMaskAndRc6Mask",
     .conf = R"(begin remote
  name  MCE
  bits           16
  flags RC6|CONST_LENGTH
  header       2667   889
  one           444   444
  zero          444   444
  pre_data_bits   21
  pre_data       0x37FF0
  gap          105000
  toggle_bit_mask 0x8000
  rc6_mask    0x100000000
  min_repeat   1
  begin codes
    KEY_POWER   0x7bf3
    KEY_1       0x7bfe
    KEY_OK      0x7bdd
  end codes
end remote
)",
     .form = "lircd.conf RC-6 bi-phase encoding",
     .frames = {2, 2, 2}},
    {.title = "Rc6WithObsoleteToggleBit",
     .conf = R"(begin remote
  name  RC6MODE0
  bits           16
  flags RC6|CONST_LENGTH
  header       2664   888
  one           444   444
  zero          444   444
  pre_data_bits   5
  pre_data       0x1C
  gap          106000
  toggle_bit      5
  begin codes
    KEY_UP      0x0058
    KEY_DOWN    0x0059
  end codes
end remote
)",
     .form = "lircd.conf RC-6 bi-phase encoding",
     .frames = {1, 1}},
    {.title = "ToggleMaskInvertsAlternateFrames",
     .conf = R"(begin remote
  name  SHARPISH
  bits  15
  flags SPACE_ENC
  one   320 1680
  zero  320 680
  ptrail 320
  gap   40000
  toggle_mask 0x3FF
  min_repeat 3
  begin codes
    POWER 0x41A2
    VOL   0x4014
  end codes
end remote
)",
     .form = "lircd.conf space encoding",
     .frames = {4, 4}},
    {.title = "Rcmm",
     .conf = R"(begin remote
  name  RCMM
  bits  12
  flags RCMM|CONST_LENGTH
  header 417 278
  zero  167 278
  one   167 444
  two   167 611
  three 167 778
  ptrail 167
  pre_data_bits 12
  pre_data 0x2A7
  gap   27778
  frequency 36000
  begin codes
    A 0x1E4
    B 0xFFF
    C 0x000
  end codes
end remote
)",
     .form = "lircd.conf RC-MM encoding",
     .frames = {1, 1, 1},
     .carrier = 36000},
    {.title = "Xmp",
     .conf = R"(begin remote
  name  XMP
  bits  32
  flags XMP
  zero  210 760
  one   0 136
  ptrail 210
  pre_data_bits 32
  pre_data 0x17A8001F
  gap   80000
  begin codes
    KEY_1 0x0D000001
    KEY_2 0x0C000002
  end codes
end remote
)",
     .form = "lircd.conf XMP encoding",
     .frames = {1, 1}},
    {.title = "RawCodesWithFrequencyAndDutyCycle",
     .conf = R"(begin remote
  name  RAW
  flags RAW_CODES
  gap   40000
  frequency 36000
  duty_cycle 33
  begin raw_codes
    name KEY_A
      2400 600 1200 600 600
      600 1200
    name KEY_B
      900 450 900
    name KEY_C
      100
  end raw_codes
end remote
)",
     .form = "lircd.conf raw codes",
     .frames = {1, 1, 1},
     .carrier = 36000,
     .dutyCycle = 33},
    {.title = "RawCodesWithRepeats",
     .conf = R"(begin remote
  name  RAWREP
  flags RAW_CODES|CONST_LENGTH
  gap   60000
  min_repeat 2
  begin raw_codes
    name ONE
      3000 1000 500 1500 500 500 500
    name TWO
      3000 1000 500 500 500 1500 500
  end raw_codes
end remote
)",
     .form = "lircd.conf raw codes",
     .frames = {3, 3}},
    {.title = "UnmodulatedAtFrequency0WithDutyCycle",
     .conf = R"(begin remote
  name  BASEBAND
  bits  8
  flags SPACE_ENC
  one   300 900
  zero  300 300
  ptrail 300
  gap   20000
  frequency 0
  duty_cycle 25
  begin codes
    X 0x5A
  end codes
end remote
)",
     .form = "lircd.conf space encoding",
     .frames = {1},
     .carrier = 0,
     .dutyCycle = 25},
    {.title = "SeveralRemotesThatLircSortsByLength",
     .conf = R"(begin remote
  name  FIRST_RAW
  flags RAW_CODES
  gap   30000
  begin raw_codes
    name R1
      500 500 1500
  end raw_codes
end remote

begin remote
  name  SECOND_NEC
  bits  32
  flags SPACE_ENC|CONST_LENGTH
  header 9000 4500
  one    560 1690
  zero   560 560
  ptrail 560
  gap    108000
  begin codes
    N1 0x20DF10EF
    N2 0x20DF40BF
  end codes
end remote

begin remote
  name  THIRD_SONY
  bits  12
  flags SPACE_ENC|CONST_LENGTH
  header 2400 600
  one    1200 600
  zero   600 600
  gap    45000
  min_repeat 2
  frequency 40000
  begin codes
    S1 0xA90
    S2 0x490
  end codes
end remote
)",
     .form = "",
     .frames = {1, 1, 1, 3, 3}},
    {.title = "ButtonsOfSeveralCodes",
     .conf = R"(begin remote
  name  CHAIN
  bits  8
  flags SPACE_ENC
  header 3000 3000
  one    500 1500
  zero   500 500
  ptrail 500
  gap    40000
  begin codes
    ONE    0x10
    TWO    0x20 0x21
    THREE  0x30 0x31 0x32
  end codes
end remote
)",
     .form = "lircd.conf space encoding",
     // LIRC's repeat timer stops at min_repeat before the third code.
     .frames = {1, 2, 2}},
    {.title = "ButtonsOfSeveralCodesWithARepeat",
     .conf = R"(begin remote
  name  CHAIN1
  bits  8
  flags SPACE_ENC|CONST_LENGTH
  header 3000 3000
  one    500 1500
  zero   500 500
  ptrail 500
  gap    60000
  min_repeat 1
  begin codes
    ONE    0x10
    TWO    0x20 0x21
    THREE  0x30 0x31 0x32
  end codes
end remote
)",
     .form = "lircd.conf space encoding",
     .frames = {2, 2, 3}},
    {.title = "RepeatsJoinedInOneBufferWhenTheGapIsShort",
     .conf = R"(begin remote
  name  SHORTGAP
  bits  8
  flags SPACE_ENC
  header 2000 1000
  one    400 1200
  zero   400 400
  ptrail 400
  gap    5000
  min_repeat 3
  begin codes
    A 0x81
    B 0x7E
  end codes
end remote
)",
     .form = "lircd.conf space encoding",
     .frames = {4, 4}},
    {.title = "ReverseWith64BitCodes",
     .conf = R"(begin remote
  name  WIDE
  bits  32
  flags SPACE_ENC|REVERSE
  one   400 1200
  zero  400 400
  ptrail 400
  pre_data_bits 32
  pre_data 0x80000001
  gap   90000
  begin codes
    A 0xFFFFFFFE
    B 0x00000003
  end codes
end remote
)",
     .form = "lircd.conf space encoding",
     .frames = {1, 1}},
    {.title = "NoProtocolFlag",
     .conf = R"(begin remote
  name  NOFLAG
  bits  8
  flags CONST_LENGTH
  one   600 1800
  zero  600 600
  ptrail 600
  gap   30000
  begin codes
    A 0xC3
  end codes
end remote
)",
     .form = "lircd.conf space encoding (no protocol flag)",
     .frames = {1}},
    {.title = "RemoteNamedLircBesideRawCodes",
     .conf = R"(begin remote
  name  RAWFIRST
  flags RAW_CODES
  gap   30000
  begin raw_codes
    name R1
      700 300 700
  end raw_codes
end remote
begin remote
  name  lirc
  bits  8
  flags SPACE_ENC
  one   500 1500
  zero  500 500
  gap   30000
  begin codes
    A 0x12
  end codes
end remote
)",
     .form = "",
     .frames = {1, 0},
     .refusal = "remote named lirc: LIRC's daemon keeps that name for its own use"},
};

// The counts of every row a run had, printed at its end.
std::map<std::string, size_t>& totals() {
    static std::map<std::string, size_t> counts;
    return counts;
}

class SendCases : public ::testing::TestWithParam<SendRow> {};

TEST_P(SendCases, EveryButtonSendsWhatIrsimsendSends) {
    const SendRow& row = GetParam();
    irsignal::Catalog catalog = irsignal::readLircdConf("remote.conf", row.conf);
    ASSERT_TRUE(catalog.ok()) << catalog.error;
    ASSERT_EQ(catalog.entries.size(), row.frames.size());
    std::vector<RemoteText> remotes = remoteTextsOf(row.conf);
    ScratchFolder played;
    writeFile(played / "codes.lircd.conf", row.conf);
    size_t playedButtons = 0, refused = 0;
    for (size_t index = 0; index < row.frames.size(); ++index) {
        const irsignal::CatalogEntry& entry = catalog.entries[index];
        SCOPED_TRACE(entry.name);
        std::string signal = "codes.lircd.conf#" + entry.name;
        if (row.frames[index] == 0) {
            EXPECT_NE(entry.refusal.find(row.refusal), std::string::npos) << entry.refusal;
            EXPECT_TRUE(entry.signal.durations.empty());
            EXPECT_EQ(irsignal::extractRefuses(played.path(), signal, row.refusal), "");
            ++refused;
            continue;
        }
        if (entry.signal.carrier == ostrel::unmodulated) {
            // The keyword form holds no unmodulated signal.
            EXPECT_EQ(irsignal::extractRefuses(played.path(), signal, "unmodulated"), "");
            ++refused;
        } else {
            std::string failure = irsignal::extractAndPlay(played.path(), signal, entry.signal);
            EXPECT_EQ(failure, "");
            playedButtons += failure.empty() ? 1 : 0;
        }
        EXPECT_EQ(entry.refusal, "");
        if (*row.form != '\0') {
            EXPECT_EQ(entry.form, row.form);
        }
        EXPECT_EQ(entry.frames, row.frames[index]);
        if (remotes.size() == 1) {
            EXPECT_EQ(entry.signal.carrier, row.carrier);
        }
        EXPECT_EQ(entry.signal.dutyCycle, row.dutyCycle);
    }
    totals()["lircd.conf files"] += 1;
    totals()["buttons"] += row.frames.size();
    totals()["buttons extracted and played by irplay as the catalog sends them"] += playedButtons;
    totals()["buttons refused by irsignal extract"] += refused;
    printf("%s: %zu buttons, %zu extracted and played by irplay, %zu refused\n", row.title, row.frames.size(),
           playedButtons, refused);
    RecordProperty("buttons_played", static_cast<int>(playedButtons));
    if (!irsimsendInstalled()) {
        GTEST_SKIP() << "no /usr/bin/irsimsend (Debian package lirc): nothing to compare with";
    }
    ScratchFolder folder;
    size_t compared = 0;
    for (size_t index = 0; index < row.frames.size(); ++index) {
        const irsignal::CatalogEntry& entry = catalog.entries[index];
        if (row.frames[index] == 0) {
            continue;
        }
        SCOPED_TRACE(entry.name);
        size_t colon = entry.name.find(':');
        std::string remote = entry.name.substr(0, colon);
        auto text = std::find_if(remotes.begin(), remotes.end(), [&](const RemoteText& each) {
            return each.name == remote;
        });
        ASSERT_NE(text, remotes.end());
        SimsendResult expected = simsend(folder.path(), text->text, entry.name.substr(colon + 1), row.frames[index]);
        ASSERT_EQ(expected.error, "");
        ASSERT_EQ(entry.signal.durations.size(), expected.durations.size());
        for (size_t value = 0; value < expected.durations.size(); ++value) {
            EXPECT_NEAR(entry.signal.durations[value], expected.durations[value], 1) << "value " << value;
        }
        ++compared;
    }
    totals()["buttons equal to irsimsend's"] += compared;
    printf("%s: %zu buttons equal to irsimsend's\n", row.title, compared);
    RecordProperty("buttons_compared", static_cast<int>(compared));
}

INSTANTIATE_TEST_SUITE_P(Lircd, SendCases, ::testing::ValuesIn(sendRows),
                         [](const ::testing::TestParamInfo<SendRow>& row) { return std::string(row.param.title); });

// The counts of all rows, when one run has several.
class TotalsPrinter : public ::testing::Environment {
public:
    void TearDown() override {
        if (totals()["lircd.conf files"] > 1) {
            std::cout << "All lircd.conf files of the send cases:";
            for (const auto& [what, n] : totals()) {
                std::cout << "\n    " << n << " " << what;
            }
            std::cout << "\n";
        }
    }
};

[[maybe_unused]] ::testing::Environment* const totalsPrinter =
    ::testing::AddGlobalTestEnvironment(new TotalsPrinter);

}  // namespace
