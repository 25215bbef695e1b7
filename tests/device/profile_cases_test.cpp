// irplay and irrecord on the devices of real drivers: each profile of the emulator
// (emulator/src/driver_profiles.cpp, from Linux 6.1's drivers/media/rc) runs the plays
// and recordings whose outcome depends on the device. What each must do follows from
// what the driver offers: its emitters and which masks it takes, carrier control, where
// it reports the carrier, its receive timeout.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "emulator/src/driver_profiles.h"
#include "tests/device/test_device.h"

namespace {

using lirc_emulator::CarrierReport;
using lirc_emulator::DriverProfile;
using lirc_emulator::EmitterChoice;

const std::string key = "pulse 900\nspace 450\npulse 900\n";

std::string hex(uint32_t mask) {
    char text[16];
    snprintf(text, sizeof text, "0x%x", mask);
    return text;
}

std::string emitterCount(unsigned emitters) {
    return std::to_string(emitters) + (emitters == 1 ? " emitter" : " emitters");
}

struct Play {
    std::string file;
    int port;
    std::string error;  // without "ostrel: "; empty: sent as `sent`
    std::string sent;
};

// What irplay does with the key (and with it at 36 kHz) on each port of the device.
std::vector<Play> playsOn(const DriverProfile& profile) {
    std::vector<Play> plays;
    for (int port = 0; port <= 2; ++port) {
        for (bool withCarrier : {false, true}) {
            Play play{(withCarrier ? "carrier 36000\n" : "") + key, port, "", ""};
            std::string mask;
            if (profile.emitters == 0) {
                mask = "none";  // the device's own emitter, port 1
                if (port == 2) {
                    play.error = "port 2 chosen, but {device} cannot choose among emitters";
                }
            } else if (port > static_cast<int>(profile.emitters)) {
                play.error = "port " + std::to_string(port) + " chosen, but {device} has " +
                             emitterCount(profile.emitters);
            } else if (port != 0) {
                mask = hex(1u << (port - 1));
            } else if (profile.emitterChoice == EmitterChoice::oneAtATime) {
                mask = "0x1";  // every emitter at once is refused: the first
            } else {
                mask = hex((1u << profile.emitters) - 1);
            }
            // The case's device starts at 40000 Hz and a duty cycle of 33 %; a file
            // without a carrier is sent at 38000 Hz where the device can set one.
            std::string carrier = !profile.features.carrier ? "40000" : withCarrier ? "36000" : "38000";
            if (play.error.empty()) {
                play.sent = "send carrier=" + carrier + " duty=33 mask=" + mask + " durations=900 450 900";
            }
            plays.push_back(play);
        }
    }
    return plays;
}

// A short message as the driver delivers it: a space of at least its receive timeout
// comes as a timeout sample (fintek-cir's is 1 ms), and a carrier report, when it
// measures, where it puts one.
std::string receivedOn(const DriverProfile& profile) {
    const std::vector<uint32_t> durations = {9000, 4500, 560, 1690, 560};
    bool reports = profile.features.measure;
    std::string script = "await-reader\n";
    if (reports && profile.carrierReport == CarrierReport::beforeMessage) {
        script += "carrier 38000\n";
    }
    for (size_t i = 0; i < durations.size(); ++i) {
        bool last = i + 1 == durations.size();
        if (reports && last && profile.carrierReport == CarrierReport::beforeLastPulse) {
            script += "carrier 38000\n";
        }
        if (i % 2 == 0) {
            script += "pulse " + std::to_string(durations[i]) + "\n";
        } else if (durations[i] >= profile.timeout) {
            script += "timeout " + std::to_string(durations[i]) + "\n";
        } else {
            script += "space " + std::to_string(durations[i]) + "\n";
        }
        if (reports && i == 0 && profile.carrierReport == CarrierReport::duringMessage) {
            script += "carrier 38000\n";
        }
    }
    script += "end\n";
    if (reports && profile.carrierReport == CarrierReport::afterTimeout) {
        script += "carrier 38000\n";
    }
    return script;
}

class OnProfile : public ::testing::TestWithParam<const DriverProfile*> {
protected:
    const DriverProfile& profile() const { return *GetParam(); }
    DeviceSetup setup(std::string receive = {}) const {
        return {.settings = {"LIRC_EMULATOR_PROFILE=" + std::string(profile().name)},
                .receive = std::move(receive)};
    }
};

class PlayOnProfile : public OnProfile {};
class RecordOnProfile : public OnProfile {};

TEST_P(PlayOnProfile, OnEveryPortItHas) {
    for (const Play& play : playsOn(profile())) {
        SCOPED_TRACE("port " + std::to_string(play.port) + ", file:\n" + play.file);
        ScratchFolder scratch;
        writeFile(scratch / "key.ir", play.file);
        std::unique_ptr<TestDevice> device = makeDevice(scratch, setup());
        ChildResult run = device->play({programPath("irplay"), "-i", "key.ir", "-b", std::to_string(play.port)});
        if (play.error.empty()) {
            EXPECT_EQ(run.standardOutput, "Play successfull !\n") << run.standardError;
            EXPECT_EQ(device->transmissions(), std::vector<std::string>{play.sent});
        } else {
            EXPECT_EQ(run.standardOutput, "Play failed !\n");
            EXPECT_EQ(run.standardError, "ostrel: " + expand(play.error, device->path()) + "\n");
            EXPECT_TRUE(device->transmissions().empty());
            EXPECT_EQ(device->state(), device->initialState());
        }
    }
}

TEST_P(RecordOnProfile, WithTheCarrierItReports) {
    ScratchFolder scratch;
    std::unique_ptr<TestDevice> device = makeDevice(scratch, setup(receivedOn(profile())));
    ChildResult run = device->run({programPath("irrecord"), "-o", "key.ir"});
    EXPECT_EQ(run.standardOutput, "Record successfull !\n") << run.standardError;
    EXPECT_EQ(run.standardError, "");
    std::string carrier = profile().features.measure ? "carrier 38000\n" : "";
    EXPECT_EQ(readFile(scratch / "key.ir"),
              carrier + "pulse 9000\nspace 4500\npulse 560\nspace 1690\npulse 560\n");
    EXPECT_EQ(device->state(), device->initialState()) << "the device's settings were not put back";
}

std::vector<const DriverProfile*> profilesThat(bool (*can)(const DriverProfile&)) {
    std::vector<const DriverProfile*> found;
    for (const DriverProfile& profile : lirc_emulator::driverProfiles()) {
        if (can(profile)) {
            found.push_back(&profile);
        }
    }
    return found;
}

std::string nameOf(const ::testing::TestParamInfo<const DriverProfile*>& each) {
    std::string name(each.param->name);
    for (char& c : name) {
        c = c == '-' ? '_' : c;
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Drivers, PlayOnProfile,
                         ::testing::ValuesIn(profilesThat([](const DriverProfile& p) { return p.features.send; })),
                         nameOf);
INSTANTIATE_TEST_SUITE_P(Drivers, RecordOnProfile,
                         ::testing::ValuesIn(profilesThat([](const DriverProfile& p) { return p.features.receive; })),
                         nameOf);

// A driver's own limit on what it sends, beyond the kernel's: refused, nothing sent.
TEST(PlayOnProfile, RedRat3RefusesMoreThan510Values) {
    ScratchFolder scratch;
    std::string signal;
    for (int i = 0; i < 511; ++i) {
        signal += (i % 2 == 0 ? "pulse 100\n" : "space 100\n");
    }
    writeFile(scratch / "key.ir", signal);
    std::unique_ptr<TestDevice> device = makeDevice(scratch, {.settings = {"LIRC_EMULATOR_PROFILE=redrat3"}});
    ChildResult run = device->play({programPath("irplay"), "-i", "key.ir"});
    EXPECT_EQ(run.standardOutput, "Play failed !\n");
    EXPECT_EQ(run.standardError, "ostrel: " + device->path() + ": cannot send: Invalid argument\n");
    EXPECT_TRUE(device->transmissions().empty());
}

}  // namespace

namespace lirc_emulator {

void PrintTo(const DriverProfile* profile, std::ostream* out) { *out << profile->name; }

}  // namespace lirc_emulator
