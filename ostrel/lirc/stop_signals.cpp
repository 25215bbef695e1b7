#include "ostrel/lirc/stop_signals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <iterator>

#include <fcntl.h>
#include <unistd.h>

namespace ostrel {

namespace {

constexpr int stoppingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Shared with the handler: only lock-free atomics, which it may touch.
std::atomic<int> caughtSignal{0};
std::atomic<int> wakeWrite{-1};
int wakeReadEnd = -1;
static_assert(std::atomic<int>::is_always_lock_free);

// Only async-signal-safe work: note the signal, write one byte.
void noteSignal(int signalNumber) {
    int savedErrno = errno;
    int expected = 0;
    caughtSignal.compare_exchange_strong(expected, signalNumber);
    int descriptor = wakeWrite.load();
    if (descriptor >= 0) {
        char byte = 1;
        ssize_t ignored = write(descriptor, &byte, 1);  // a full pipe is awake already
        (void)ignored;
    }
    errno = savedErrno;
}

struct sigaction previousActions[std::size(stoppingSignals)];
bool replaced[std::size(stoppingSignals)];

}  // namespace

StopSignals::StopSignals() {
    caughtSignal.store(0);
    // One pipe for the life of the process: a handler still running in
    // another thread may write to it at any time, so it is never closed (a
    // closed descriptor could be reused for a file of the host's).
    if (wakeWrite.load() < 0) {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
            wakeReadEnd = ends[0];
            wakeWrite.store(ends[1]);
        }
    }
    wakeRead_ = wakeReadEnd;
    char drained[64];
    while (wakeRead_ >= 0 && read(wakeRead_, drained, sizeof drained) > 0) {
    }
    for (size_t i = 0; i < std::size(stoppingSignals); ++i) {
        replaced[i] = false;
        struct sigaction current {};
        // An ignored signal stops nothing (nohup), so it stays ignored.
        if (sigaction(stoppingSignals[i], nullptr, &current) != 0 || current.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction ours {};
        ours.sa_handler = noteSignal;
        sigfillset(&ours.sa_mask);
        ours.sa_flags = SA_RESTART;
        replaced[i] = sigaction(stoppingSignals[i], &ours, &previousActions[i]) == 0;
    }
}

StopSignals::~StopSignals() {
    for (size_t i = 0; i < std::size(stoppingSignals); ++i) {
        if (replaced[i]) {
            sigaction(stoppingSignals[i], &previousActions[i], nullptr);
        }
    }
    if (int signalNumber = caughtSignal.exchange(0); signalNumber != 0) {
        raise(signalNumber);
    }
}

int StopSignals::caught() const { return caughtSignal.load(); }

}  // namespace ostrel
