// The emulated path and its open files as the file system shows them, and the fds and
// paths the emulator must leave alone.
#include <cerrno>

#include <fcntl.h>
#include <linux/lirc.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "emulator/tests/emulated_device.h"

namespace {

TEST_F(EmulatedDevice, OpenFileIsACharacterDevice) {
    int fd = openDevice();
    struct stat status {};
    ASSERT_EQ(fstat(fd, &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
    EXPECT_EQ(minor(status.st_rdev), 0U);
    EXPECT_NE(major(status.st_rdev), 0U);
    close(fd);
}

TEST_F(EmulatedDevice, PathIsACharacterDeviceThoughNoFileExists) {
    struct stat status {};
    ASSERT_EQ(stat(devicePath().c_str(), &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
    EXPECT_EQ(access(devicePath().c_str(), R_OK | W_OK), 0);
    EXPECT_EQ(fstatat(AT_FDCWD, devicePath().c_str(), &status, 0), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
}

TEST_F(EmulatedDevice, MinorNumberComesFromTheName) {
    configure("DEVICE", path("lirc7"));
    int fd = open(path("lirc7").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    struct stat status {};
    ASSERT_EQ(fstat(fd, &status), 0);
    EXPECT_EQ(minor(status.st_rdev), 7U);
    close(fd);
}

// Each stat call in its narrow and its 64-bit form, on the device and on a plain
// file: the two structs differ in layout on 32-bit systems (armhf), where
// programs built with 64-bit file offsets (ir-ctl, irplay) use the 64-bit ones.
struct StatCase {
    const char* name;
    // The call on the open file `fd` or its `path`; fills mode, minor and size.
    int (*call)(int fd, const char* path, mode_t& mode, unsigned& minorNumber, long long& size);
};

template <typename Status>
int seen(int result, const Status& status, mode_t& mode, unsigned& minorNumber, long long& size) {
    mode = status.st_mode;
    minorNumber = minor(status.st_rdev);
    size = status.st_size;
    return result;
}

#define STAT_CASE(name, Status, expression)                                              \
    StatCase{name, [](int fd, const char* file, mode_t& mode, unsigned& minorNumber,     \
                      long long& size) {                                                 \
                 Status status{};                                                        \
                 (void)fd;                                                               \
                 (void)file;                                                             \
                 return seen(expression, status, mode, minorNumber, size);               \
             }}

const StatCase statCases[] = {
    STAT_CASE("fstat", struct stat, fstat(fd, &status)),
    STAT_CASE("fstat64", struct stat64, fstat64(fd, &status)),
    STAT_CASE("stat", struct stat, stat(file, &status)),
    STAT_CASE("stat64", struct stat64, stat64(file, &status)),
    STAT_CASE("lstat64", struct stat64, lstat64(file, &status)),
    STAT_CASE("fstatat64", struct stat64, fstatat64(AT_FDCWD, file, &status, 0)),
    STAT_CASE("fstatat64_empty_path", struct stat64, fstatat64(fd, "", &status, AT_EMPTY_PATH)),
};

class StatCalls : public EmulatedDevice, public ::testing::WithParamInterface<StatCase> {};

TEST_P(StatCalls, SeeTheDeviceAndPlainFilesAlike) {
    configure("DEVICE", path("lirc7"));
    int device = open(path("lirc7").c_str(), O_RDWR);
    ASSERT_GE(device, 0);
    writeFile(path("plain"), "abcd");
    int plain = open(path("plain").c_str(), O_RDONLY);
    ASSERT_GE(plain, 0);
    mode_t mode = 0;
    unsigned minorNumber = 0;
    long long size = -1;
    ASSERT_EQ(GetParam().call(device, path("lirc7").c_str(), mode, minorNumber, size), 0);
    EXPECT_TRUE(S_ISCHR(mode)) << std::oct << mode;
    EXPECT_EQ(minorNumber, 7U);
    ASSERT_EQ(GetParam().call(plain, path("plain").c_str(), mode, minorNumber, size), 0);
    EXPECT_TRUE(S_ISREG(mode)) << std::oct << mode;
    EXPECT_EQ(size, 4);
    close(plain);
    close(device);
}

INSTANTIATE_TEST_SUITE_P(Emulator, StatCalls, ::testing::ValuesIn(statCases),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

// Other spellings of the emulated path open it too; other names do not.
struct PathCase {
    const char* name;
    const char* spelling;  // relative to the scratch folder
    bool emulated;
};

class PathSpellings : public EmulatedDevice, public ::testing::WithParamInterface<PathCase> {};

TEST_P(PathSpellings, AreRecognised) {
    std::string spelled = path(GetParam().spelling);
    errno = 0;
    int fd = open(spelled.c_str(), O_RDWR);
    if (GetParam().emulated) {
        ASSERT_GE(fd, 0) << strerror(errno);
        EXPECT_EQ(ioctlValue(fd, LIRC_GET_FEATURES).result, 0);
        close(fd);
    } else {
        EXPECT_EQ(fd, -1);
        EXPECT_EQ(errno, ENOENT);
    }
}

INSTANTIATE_TEST_SUITE_P(Emulator, PathSpellings,
                         ::testing::Values(PathCase{"Plain", "lirc0", true},
                                           PathCase{"DoubleSlash", "/lirc0", true},
                                           PathCase{"DotAndDotDot", "./sub/../lirc0", true},
                                           PathCase{"OtherMinor", "lirc1", false},
                                           PathCase{"LongerName", "lirc00", false}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(EmulatedDevice, RelativePathAndOpenat) {
    int folder = open(path("").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    int fd = openat(folder, "lirc0", O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ioctlValue(fd, LIRC_GET_FEATURES).result, 0);
    close(fd);
    close(folder);
}

TEST_F(EmulatedDevice, OpeningItAsAFolderIsEnotdir) {
    errno = 0;
    EXPECT_EQ(open(devicePath().c_str(), O_RDONLY | O_DIRECTORY), -1);
    EXPECT_EQ(errno, ENOTDIR);
}

TEST_F(EmulatedDevice, OtherFilesAreUntouched) {
    writeFile(path("plain"), "abcd");
    int fd = open(path("plain").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    char buffer[8] = {};
    EXPECT_EQ(read(fd, buffer, 3), 3);  // not a whole sample, yet a plain read
    EXPECT_STREQ(buffer, "abc");
    struct stat status {};
    ASSERT_EQ(fstat(fd, &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    errno = 0;
    // Handed on to the C library: the kernel answers ENOTTY for a plain file;
    // qemu-user, in a cross build's tests, answers ENOSYS for any ioctl it
    // does not translate, before the kernel sees it.
    constexpr bool underQemuUser = sizeof(PROGRAM_EMULATOR) > 1;
    EXPECT_EQ(ioctlValue(fd, LIRC_GET_FEATURES).error, underQemuUser ? ENOSYS : ENOTTY);
    close(fd);
}

TEST_F(EmulatedDevice, FdReusedAfterAnUnseenCloseIsAPlainFileAgain) {
    int fd = openDevice();
    // close_range is a system call the emulator does not see.
    ASSERT_EQ(syscall(SYS_close_range, fd, fd, 0), 0);
    writeFile(path("plain"), "abcd");
    int reused = open(path("plain").c_str(), O_RDONLY);
    ASSERT_EQ(reused, fd);
    char buffer[2] = {};
    EXPECT_EQ(read(reused, buffer, 1), 1);
    EXPECT_EQ(buffer[0], 'a');
    close(reused);
}

TEST_F(EmulatedDevice, DuplicateSharesTheOpenFile) {
    receive("pulse 100\nspace 200\n");
    int fd = openDevice(O_RDWR | O_NONBLOCK);
    int copy = dup(fd);
    ASSERT_GE(copy, 0);
    uint32_t sample = 0;
    EXPECT_EQ(read(fd, &sample, 4), 4);
    close(fd);
    EXPECT_EQ(read(copy, &sample, 4), 4);
    EXPECT_EQ(sample, LIRC_MODE2_SPACE | 200);
    close(copy);
}

// Settings outlast the open file and the process; a fresh state file has the defaults.
TEST_F(EmulatedDevice, StateFileStartsWithTheDefaults) {
    int fd = openDevice();
    EXPECT_EQ(stateText(),
              "carrier=36000\nduty_cycle=50\ntransmitter_mask=0x1\nrec_timeout=125000\n"
              "measure_carrier=0\nwideband=0\n");
    close(fd);
}

TEST_F(EmulatedDevice, SettingsOutlastTheProcess) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int fd = open(devicePath().c_str(), O_RDWR);
        bool set = ioctlValue(fd, LIRC_SET_SEND_CARRIER, 38000).result == 0 &&
                   ioctlValue(fd, LIRC_SET_SEND_DUTY_CYCLE, 25).result == 0 &&
                   ioctlValue(fd, LIRC_SET_TRANSMITTER_MASK, 1).result == 0 &&
                   ioctlValue(fd, LIRC_SET_REC_TIMEOUT, 40000).result == 0 &&
                   ioctlValue(fd, LIRC_SET_MEASURE_CARRIER_MODE, 1).result == 0 &&
                   ioctlValue(fd, LIRC_SET_WIDEBAND_RECEIVER, 1).result == 0;
        _exit(set ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    EXPECT_EQ(stateText(),
              "carrier=38000\nduty_cycle=25\ntransmitter_mask=0x1\nrec_timeout=40000\n"
              "measure_carrier=1\nwideband=1\n");
    int fd = openDevice();
    EXPECT_EQ(ioctlValue(fd, LIRC_GET_REC_TIMEOUT).value, 40000U);
    uint32_t signal = 560;
    ASSERT_EQ(write(fd, &signal, 4), 4);
    EXPECT_EQ(logLines(), std::vector<std::string>{"send carrier=38000 duty=25 mask=0x1 durations=560"});
    close(fd);
}

TEST_F(EmulatedDevice, WithoutAStateFileSettingsLiveInTheProcess) {
    configure("STATE", "");
    int fd = openDevice();
    ASSERT_EQ(ioctlValue(fd, LIRC_SET_REC_TIMEOUT, 33000).result, 0);
    close(fd);
    fd = openDevice();
    EXPECT_EQ(ioctlValue(fd, LIRC_GET_REC_TIMEOUT).value, 33000U);
    close(fd);
    EXPECT_TRUE(stateText().empty());
}

TEST_F(EmulatedDevice, StateFileWrittenByHandIsUsed) {
    writeFile(path("state"), "carrier=40000\nduty_cycle=10\ntransmitter_mask=0x2\nrec_timeout=90000\n");
    int fd = openDevice();
    EXPECT_EQ(ioctlValue(fd, LIRC_GET_REC_TIMEOUT).value, 90000U);
    uint32_t signal = 560;
    ASSERT_EQ(write(fd, &signal, 4), 4);
    EXPECT_EQ(logLines(), std::vector<std::string>{"send carrier=40000 duty=10 mask=0x2 durations=560"});
    close(fd);
}

}  // namespace
