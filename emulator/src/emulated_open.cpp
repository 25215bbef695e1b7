#include "emulator/src/emulated_open.h"

#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include "emulator/src/device_config.h"
#include "emulator/src/file_table.h"
#include "emulator/src/monotonic_clock.h"
#include "emulator/src/real_libc.h"

namespace lirc_emulator {

int openEmulatedDevice(int flags) {
    if ((flags & O_DIRECTORY) != 0) {
        errno = ENOTDIR;
        return -1;
    }
    if ((flags & O_CREAT) != 0 && (flags & O_EXCL) != 0) {
        errno = EEXIST;
        return -1;
    }
    // The configuration is read anew at each open: one process may open differently
    // configured devices one after the other.
    DeviceConfig config = readDeviceConfig();
    struct stat unplugFile {};
    if (!config.unplugPath.empty() &&
        realLibc().fstatat(AT_FDCWD, config.unplugPath.c_str(), &unplugFile, 0) == 0) {
        errno = ENOENT;  // the device node went with the device
        return -1;
    }
    int fd = memfd_create("lirc-emulator", (flags & O_CLOEXEC) != 0 ? MFD_CLOEXEC : 0U);
    if (fd < 0) {
        return -1;
    }
    // O_NONBLOCK lives on the real fd, where fcntl(F_SETFL) changes it and read(2) asks.
    if ((flags & O_NONBLOCK) != 0) {
        realLibc().fcntl(fd, F_SETFL, O_NONBLOCK);
    }
    int accessMode = flags & O_ACCMODE;
    auto file = std::make_shared<LircFile>(std::move(config), accessMode, nowMicroseconds());
    FileTable::instance().add(fd, std::move(file));
    return fd;
}

}  // namespace lirc_emulator
