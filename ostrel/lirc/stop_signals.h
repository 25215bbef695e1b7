// Catching the signals that stop a program (SIGINT, SIGTERM, SIGHUP, SIGQUIT)
// while a recording has the device changed, so that the recording can put
// the device back before the signal takes its course. The handler only notes
// the signal and wakes the recording through a pipe: everything else is done
// by the recording's own code, outside the handler.
#pragma once

namespace ostrel {

class StopSignals {
public:
    // Not for two recordings at once: the library runs one at a time.
    // Puts a handler in place of each of the four signals' actions, except
    // those the process ignores; the actions are given back by the destructor.
    StopSignals();
    // Gives the actions back, then raises the signal caught, if any, so that
    // it takes its course: the process ends as it would have without the
    // library, or the host's own handler runs.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Readable once a signal has been caught; -1 when no pipe could be made.
    int wakeDescriptor() const { return wakeRead_; }
    // The signal caught, 0 for none.
    int caught() const;

private:
    int wakeRead_ = -1;
};

}  // namespace ostrel
