// The library in a C++ program that uses the C++ runtime itself: this test,
// linked against libostrel.so.1 and libstdc++, calls the three operations on
// the emulated device between throwing and catching exceptions of its own.
// The library carries its own operator new and no exception support; none of
// it may take the place of the program's, nor the program's of the library's.
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "tests/blackbox/scratch_folder.h"
#include "transceiver/transceiver.h"

namespace {

// Unwinds through a frame that owns a string: the program's own unwinder and
// personality routine at work.
int throwAndCatch(const std::string& what) {
    try {
        std::string owned = what + " thrown by the program";
        throw std::runtime_error(owned);
    } catch (const std::exception& error) {
        return std::string(error.what()).find("thrown by the program") != std::string::npos ? 1 : 0;
    }
}

bool loaded(const char* name) {
    struct Search {
        const char* name;
        bool found;
    } search{name, false};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto* wanted = static_cast<Search*>(data);
            if (std::string(info->dlpi_name).find(wanted->name) != std::string::npos) {
                wanted->found = true;
            }
            return 0;
        },
        &search);
    return search.found;
}

int openForLibrary(const std::string& path) { return open(path.c_str(), O_RDWR | O_CREAT, 0644); }

TEST(CxxHost, OperationsWorkBesideTheProgramsOwnRuntime) {
    ASSERT_TRUE(loaded("libstdc++.so.6")) << "the test should itself use the C++ runtime";
    ASSERT_TRUE(loaded("libostrel.so.1"));
    ScratchFolder scratch;
    std::string log = scratch / "sent.log";
    setenv("LIRC_EMULATOR_DEVICE", (scratch / "lirc0").c_str(), 1);
    setenv("OSTREL_DEVICE", (scratch / "lirc0").c_str(), 1);
    setenv("LIRC_EMULATOR_LOG", log.c_str(), 1);
    setenv("LIRC_EMULATOR_RECEIVE", NEC_KEY_SCRIPT, 1);
    setenv("LIRC_EMULATOR_NO_DELAY", "1", 1);
    EXPECT_EQ(throwAndCatch("before"), 1);

    int recording = openForLibrary(scratch / "key.ir");
    ASSERT_GE(recording, 0);
    EXPECT_EQ(RecordToFile(recording, 15000), 1);
    close(recording);
    EXPECT_EQ(throwAndCatch("after recording"), 1);
    EXPECT_NE(readFile(scratch / "key.ir").find("pulse 9000\nspace 4500\n"), std::string::npos);

    unsetenv("LIRC_EMULATOR_RECEIVE");
    EXPECT_EQ(SelectBlasterPort(3), 0);
    EXPECT_EQ(SelectBlasterPort(1), 1);
    int playing = openForLibrary(scratch / "key.ir");
    ASSERT_GE(playing, 0);
    EXPECT_EQ(PlayFromFile(playing), 1);
    close(playing);
    EXPECT_NE(readFile(log).find("mask=0x1 durations=9000 4500 560"), std::string::npos) << readFile(log);

    // A failure inside the library is its return value and its line on
    // standard error, and leaves the program's exception handling as it was.
    writeFile(scratch / "bad.ir", "pulse 9000\nnonsense\n");
    int bad = openForLibrary(scratch / "bad.ir");
    ASSERT_GE(bad, 0);
    EXPECT_EQ(PlayFromFile(bad), 0);
    close(bad);
    EXPECT_EQ(throwAndCatch("after a failed play"), 1);
}

}  // namespace
