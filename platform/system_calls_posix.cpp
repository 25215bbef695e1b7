// POSIX side of the programs' system services. The handle is a file
// descriptor; the error code is errno as the failed open(2) left it.
#include <cerrno>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

#include "platform/system_calls.h"

namespace {

int savedError = 0;

TransceiverFile openWithFlags(const char* name, int flags) {
    // POSIX has no share modes: other processes may always read and write the
    // file while it is open, as the programs allow on every platform.
    int descriptor = open(name, flags | O_RDWR | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        savedError = errno;
    }
    return descriptor;
}

}  // namespace

void openStandardStreams() {
    for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream) {
        if (fcntl(stream, F_GETFD) >= 0 || errno != EBADF) {
            continue;
        }
        // open(2) takes the lowest free descriptor: the closed stream, since
        // the ones below it are open by now.
        int opened = open("/dev/null", O_RDWR);
        if (opened >= 0 && opened != stream) {
            close(opened);
        }
    }
}

TransceiverFile openExistingFile(const char* name) { return openWithFlags(name, 0); }

TransceiverFile createEmptyFile(const char* name) { return openWithFlags(name, O_CREAT | O_TRUNC); }

bool isOpenFile(TransceiverFile file) { return file >= 0; }

int32_t lastSystemError() { return savedError; }

int32_t nameTooLongError() { return ENAMETOOLONG; }

void closeFile(TransceiverFile file) { close(file); }

void pauseMilliseconds(uint32_t milliseconds) {
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000L};
    // A signal handler may cut the sleep short; sleep out the rest.
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}
