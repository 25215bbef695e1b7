// poll(2) and ppoll(2), with their _FORTIFY_SOURCE forms.
#include <poll.h>
#include <signal.h>

#include "emulator/src/emulated_poll.h"
#include "emulator/src/export.h"
#include "emulator/src/real_libc.h"

using namespace lirc_emulator;

extern "C" [[noreturn]] void __chk_fail();

namespace {

int pollMilliseconds(pollfd* fds, nfds_t count, int timeout) {
    if (std::optional<int> result = pollEmulated(fds, count, timeout < 0 ? -1 : int64_t{timeout} * 1000, nullptr)) {
        return *result;
    }
    return realLibc().poll(fds, count, timeout);
}

int pollTimespec(pollfd* fds, nfds_t count, const timespec* timeout, const sigset_t* signalMask) {
    int64_t microseconds = timeout == nullptr
                               ? -1
                               : static_cast<int64_t>(timeout->tv_sec) * 1000000 + (timeout->tv_nsec + 999) / 1000;
    if (std::optional<int> result = pollEmulated(fds, count, microseconds, signalMask)) {
        return *result;
    }
    return realLibc().ppoll(fds, count, timeout, signalMask);
}

void checkLength(nfds_t count, size_t fdsLength) {
    if (fdsLength / sizeof(pollfd) < count) {
        __chk_fail();
    }
}

}  // namespace

LIRC_EMULATOR_EXPORT int poll(pollfd* fds, nfds_t count, int timeout) {
    return pollMilliseconds(fds, count, timeout);
}

LIRC_EMULATOR_EXPORT int __poll_chk(pollfd* fds, nfds_t count, int timeout, size_t fdsLength) {
    checkLength(count, fdsLength);
    return pollMilliseconds(fds, count, timeout);
}

LIRC_EMULATOR_EXPORT int ppoll(pollfd* fds, nfds_t count, const timespec* timeout, const sigset_t* signalMask) {
    return pollTimespec(fds, count, timeout, signalMask);
}

LIRC_EMULATOR_EXPORT int __ppoll_chk(pollfd* fds, nfds_t count, const timespec* timeout,
                                     const sigset_t* signalMask, size_t fdsLength) {
    checkLength(count, fdsLength);
    return pollTimespec(fds, count, timeout, signalMask);
}
