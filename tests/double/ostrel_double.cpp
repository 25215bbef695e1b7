// A stand-in for the transceiver library, for black-box tests of irplay and
// irrecord. It drives no hardware. Each call is appended as one line to the
// file named by OSTREL_DOUBLE_LOG, with its arguments, the access mode of the
// handle it got ("rw", "r", "w" or "closed") and the file's content, escaped.
// PlayFromFile and RecordToFile return OSTREL_DOUBLE_RESULT (default 1);
// RecordToFile first writes recordedBytes through the handle. At exit the
// double logs whether the last handle it got has been closed. When
// OSTREL_DOUBLE_CLOCK names a file, the double appends to it the moments at
// which PlayFromFile returned ("play-returned N") and the process exited
// ("exit N"), in nanoseconds of a monotonic clock.
//
// Built with OMIT_SELECT, OMIT_PLAY or OMIT_RECORD it lacks that operation,
// so that tests can show the loader refusing to start the program.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/double/double_platform.h"
#include "transceiver/transceiver.h"

namespace {

constexpr char recordedBytes[] = "recorded by the test double\n";

TransceiverFile lastHandle{};
bool gotHandle = false;

int32_t configuredResult() {
    const char* text = getenv("OSTREL_DOUBLE_RESULT");
    return text ? static_cast<int32_t>(strtol(text, nullptr, 10)) : 1;
}

std::string escaped(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    return out;
}

void logLine(const std::string& line) {
    const char* path = getenv("OSTREL_DOUBLE_LOG");
    if (!path) {
        return;
    }
    if (FILE* log = fopen(path, "ab")) {
        fprintf(log, "%s\n", line.c_str());
        fclose(log);
    }
}

std::string describe(TransceiverFile file) {
    lastHandle = file;
    gotHandle = true;
    std::string access = handleAccess(file);
    std::string text = "access=" + access;
    if (access != "closed") {
        text += " content=\"" + escaped(handleContent(file)) + "\"";
    }
    return text;
}

void noteMoment(const char* what) {
    if (const char* path = getenv("OSTREL_DOUBLE_CLOCK")) {
        if (FILE* out = fopen(path, "ab")) {
            fprintf(out, "%s %lld\n", what, static_cast<long long>(monotonicNanoseconds()));
            fclose(out);
        }
    }
}

struct ExitReport {
    ~ExitReport() {
        noteMoment("exit");
        if (gotHandle) {
            logLine(std::string("exit handle=") +
                    (handleAccess(lastHandle) == "closed" ? "closed" : "open"));
        }
    }
} exitReport;

}  // namespace

extern "C" {

#ifndef OMIT_SELECT
DOUBLE_EXPORT int32_t TRANSCEIVER_CALL SelectBlasterPort(int32_t port) {
    logLine("SelectBlasterPort " + std::to_string(port));
    return 1;
}
#endif

#ifndef OMIT_PLAY
DOUBLE_EXPORT int32_t TRANSCEIVER_CALL PlayFromFile(TransceiverFile file) {
    int32_t result = configuredResult();
    logLine("PlayFromFile " + describe(file) + " -> " + std::to_string(result));
    noteMoment("play-returned");
    return result;
}
#endif

#ifndef OMIT_RECORD
DOUBLE_EXPORT int32_t TRANSCEIVER_CALL RecordToFile(TransceiverFile file, int32_t waitMilliseconds) {
    int32_t result = configuredResult();
    logLine("RecordToFile " + describe(file) + " " + std::to_string(waitMilliseconds) + " -> " +
            std::to_string(result));
    writeThroughHandle(file, recordedBytes, sizeof recordedBytes - 1);
    return result;
}
#endif

}  // extern "C"
