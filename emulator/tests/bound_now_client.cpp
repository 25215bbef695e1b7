#include "emulator/tests/bound_now_client.h"

#include <fcntl.h>
#include <linux/lirc.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

ClientOutcome useDevice(const char* path) {
    ClientOutcome outcome{};
    int fd = open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return outcome;
    }
    struct stat status {};
    outcome.characterDevice = fstat(fd, &status) == 0 && S_ISCHR(status.st_mode);
    ioctl(fd, LIRC_GET_FEATURES, &outcome.features);
    pollfd wanted{fd, POLLIN, 0};
    outcome.pollReady = poll(&wanted, 1, 1000);
    if (read(fd, &outcome.firstSample, sizeof outcome.firstSample) != sizeof outcome.firstSample) {
        outcome.firstSample = 0;
    }
    uint32_t signal[] = {900, 450, 900};
    outcome.written = write(fd, signal, sizeof signal);
    close(fd);
    return outcome;
}
