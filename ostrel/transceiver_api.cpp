// The library's C interface: the three operations of the transceiver header,
// on a LIRC device. Each reports a failure in one line on standard error and
// returns 0; nothing is ever written to standard output. The library is built
// without exceptions (runtime_support.cpp), so none can leave it.
#include <cstdlib>
#include <string>

#include "capture.h"
#include "diagnostics.h"
#include "handle_io.h"
#include "kernel_limits.h"
#include "signal_file.h"
#include "transceiver.h"
#include "transmit.h"

#define OSTREL_EXPORT __attribute__((visibility("default")))

namespace {

// The port the next PlayFromFile sends through.
int32_t chosenPort = ostrel::allEmitters;

std::string devicePath() {
    const char* configured = getenv("OSTREL_DEVICE");
    return configured && *configured ? configured : "/dev/lirc0";
}

template <typename Operation>
int32_t guarded(Operation operation) {
    std::string why;
    if (operation(why)) {
        return 1;
    }
    ostrel::reportFailure(why);
    return 0;
}

bool play(int file, std::string& why) {
    std::string content;
    if (!ostrel::readWholeFile(file, content, why)) {
        return false;
    }
    // The file's name, which costs system calls to find, only for a message:
    // a file that fails is read once more with its name.
    ostrel::SignalFileReading reading = ostrel::parseSignalFile(content, "");
    if (!reading.ok()) {
        why = ostrel::parseSignalFile(content, ostrel::nameOfOpenFile(file)).error;
        return false;
    }
    if (std::string limit = ostrel::kernelLimitViolation(reading.signal); !limit.empty()) {
        why = ostrel::nameOfOpenFile(file) + ": " + limit;
        return false;
    }
    ostrel::Transmission transmission{reading.signal.durations, reading.signal.carrier.value_or(0),
                                      chosenPort};
    return ostrel::transmit(devicePath(), transmission, why);
}

bool record(int file, int32_t waitMilliseconds, std::string& why) {
    ostrel::Signal message;
    if (!ostrel::capture(devicePath(), waitMilliseconds, message, why)) {
        return false;
    }
    return ostrel::writeWholly(file, ostrel::formatSignalFile(message), why);
}

}  // namespace

extern "C" {

OSTREL_EXPORT int32_t SelectBlasterPort(int32_t port) {
    return guarded([port](std::string& why) {
        if (port < 0 || port > 2) {
            why = "no blaster port " + std::to_string(port) + "; the ports are 0, 1 and 2";
            return false;
        }
        chosenPort = port;
        return true;
    });
}

OSTREL_EXPORT int32_t PlayFromFile(TransceiverFile file) {
    return guarded([file](std::string& why) { return play(file, why); });
}

OSTREL_EXPORT int32_t RecordToFile(TransceiverFile file, int32_t waitMilliseconds) {
    return guarded(
        [file, waitMilliseconds](std::string& why) { return record(file, waitMilliseconds, why); });
}

}  // extern "C"
