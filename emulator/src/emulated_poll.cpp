#include "emulator/src/emulated_poll.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "emulator/src/file_table.h"
#include "emulator/src/monotonic_clock.h"
#include "emulator/src/real_libc.h"

namespace lirc_emulator {

namespace {

// The real fds are polled in slices no longer than this, so that the emulated files are
// looked at again even when none of them expects a sample.
constexpr int64_t kSliceMicroseconds = 20000;

timespec asTimespec(int64_t microseconds) {
    timespec span{};
    span.tv_sec = static_cast<time_t>(microseconds / 1000000);
    span.tv_nsec = static_cast<long>(microseconds % 1000000) * 1000;
    return span;
}

}  // namespace

std::optional<int> pollEmulated(pollfd* fds, nfds_t count, int64_t timeoutMicroseconds,
                                const sigset_t* signalMask) {
    if (FileTable::instance().empty()) {
        return std::nullopt;
    }
    std::vector<std::shared_ptr<LircFile>> files(count);
    bool anyEmulated = false;
    for (nfds_t index = 0; index < count; ++index) {
        files[index] = FileTable::instance().find(fds[index].fd);
        anyEmulated = anyEmulated || files[index] != nullptr;
    }
    if (!anyEmulated) {
        return std::nullopt;
    }

    // The real fds are polled by the kernel; the emulated ones, set to -1 there, are
    // ignored by it and answered here.
    std::vector<pollfd> real(fds, fds + count);
    for (nfds_t index = 0; index < count; ++index) {
        if (files[index]) {
            real[index].fd = -1;
        }
    }
    int64_t deadline = timeoutMicroseconds < 0 ? kNever : nowMicroseconds() + timeoutMicroseconds;
    // As in the kernel's do_poll, the files are looked at once more after the timeout has
    // passed, so that a sample that became ready while the caller was not running (a wait
    // that overslept, a busy machine) is reported rather than a timeout.
    bool timedOut = false;
    for (;;) {
        int ready = 0;
        int64_t nextEvent = kNever;
        for (nfds_t index = 0; index < count; ++index) {
            if (!files[index]) {
                continue;
            }
            // POLLERR and POLLHUP are reported whether asked for or not.
            short events = files[index]->pollEvents();
            fds[index].revents = static_cast<short>(events & (fds[index].events | POLLERR | POLLHUP));
            ready += fds[index].revents != 0 ? 1 : 0;
            nextEvent = std::min(nextEvent, files[index]->nextEventAt());
        }
        int64_t now = nowMicroseconds();
        int64_t waitUntil = ready > 0 ? now : std::min({deadline, nextEvent, now + kSliceMicroseconds});
        timespec slice = asTimespec(std::max<int64_t>(0, waitUntil - now));
        int realReady = realLibc().ppoll(real.data(), count, &slice, signalMask);
        if (realReady < 0) {
            return -1;  // EINTR and the like, errno as the kernel set it
        }
        for (nfds_t index = 0; index < count; ++index) {
            if (!files[index]) {
                fds[index].revents = real[index].revents;
                ready += real[index].revents != 0 ? 1 : 0;
            }
        }
        if (ready > 0 || timedOut) {
            return ready;
        }
        timedOut = nowMicroseconds() >= deadline;
    }
}

}  // namespace lirc_emulator
