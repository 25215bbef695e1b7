// The library's C interface: the three operations of the transceiver header,
// on a LIRC device. Each reports a failure in one line on standard error and
// returns 0; nothing is ever written to standard output. The library is built
// without exceptions (runtime_support.cpp), so none can leave it. One
// operation runs at a time, whatever the threads.
#include <cstdlib>
#include <mutex>
#include <string>

#include "ostrel/lirc/capture.h"
#include "ostrel/diagnostics.h"
#include "ostrel/handle_io.h"
#include "ostrel/codec/signal_file.h"
#include "transceiver/transceiver.h"
#include "ostrel/codec/transmission_plan.h"
#include "ostrel/lirc/transmit.h"

#define OSTREL_EXPORT __attribute__((visibility("default")))

namespace {

// Held through each operation: the device's settings, the signal handlers of
// a recording and the chosen port are the process's, not a thread's.
std::mutex operationLock;

// The port the next PlayFromFile sends through.
int32_t chosenPort = ostrel::allEmitters;

std::string devicePath() {
    const char* configured = getenv("OSTREL_DEVICE");
    return configured && *configured ? configured : "/dev/lirc0";
}

// Runs the operation alone, and reports its failure unless standard error is
// the caller's file (see reportFailure).
template <typename Operation>
int32_t guarded(int callersFile, Operation operation) {
    std::lock_guard<std::mutex> alone(operationLock);
    std::string why;
    if (operation(why)) {
        return 1;
    }
    ostrel::reportFailure(why, callersFile);
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
    ostrel::TransmissionPlan plan = ostrel::planTransmission(reading.signal);
    if (!plan.ok()) {
        why = ostrel::nameOfOpenFile(file) + ": " + plan.refusal;
        return false;
    }
    ostrel::Transmission transmission{std::move(reading.signal.durations), std::move(plan.writes),
                                      reading.signal.carrier.value_or(ostrel::defaultCarrier),
                                      chosenPort, reading.signal.dutyCycle};
    return ostrel::transmit(devicePath(), transmission, why);
}

bool record(int file, int32_t waitMilliseconds, std::string& why) {
    ostrel::Signal message;
    if (!ostrel::capture(devicePath(), waitMilliseconds, message, why)) {
        return false;
    }
    return ostrel::writeWholly(file, ostrel::formatRecording(message), why);
}

}  // namespace

extern "C" {

OSTREL_EXPORT int32_t SelectBlasterPort(int32_t port) {
    return guarded(ostrel::noCallersFile, [port](std::string& why) {
        if (port < 0 || port > 2) {
            why = "no blaster port " + std::to_string(port) + "; the ports are 0, 1 and 2";
            return false;
        }
        chosenPort = port;
        return true;
    });
}

OSTREL_EXPORT int32_t PlayFromFile(TransceiverFile file) {
    return guarded(file, [file](std::string& why) { return play(file, why); });
}

OSTREL_EXPORT int32_t RecordToFile(TransceiverFile file, int32_t waitMilliseconds) {
    return guarded(
        file, [file, waitMilliseconds](std::string& why) { return record(file, waitMilliseconds, why); });
}

}  // extern "C"
