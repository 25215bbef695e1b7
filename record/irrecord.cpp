// irrecord: records an IR signal from the transceiver into a file, and says
// whether that worked.
#include <cstdio>
#include <cstring>

#include "platform/system_calls.h"
#include "transceiver/transceiver.h"

namespace {

// Room for a file name and its terminating NUL.
constexpr size_t fileNameBufferSize = 260;

// How long the transceiver waits for a signal to begin, in milliseconds.
constexpr int32_t recordingWaitMilliseconds = 15000;

// Run state: set by the option scan, read by the main routine.
int32_t usagePending = 1;
int32_t haveOutputFile = 0;
char outputFileName[fileNameBufferSize];
// The name given with the last -o when it does not fit outputFileName. Such a
// name is reported as one the system refused; it is neither cut short nor
// created, so no other file than the one named is ever emptied.
const char* outputFileNameTooLong = nullptr;

void printUsage() {
    if (usagePending) {
        printf("Usage for IR Recording test:\n");
        printf("-o [s] where s is the output file\n");
        usagePending = 0;
    }
}

void takeOutputFileName(const char* name) {
    haveOutputFile = 1;
    size_t length = strlen(name);
    if (length < fileNameBufferSize) {
        memcpy(outputFileName, name, length + 1);
        outputFileNameTooLong = nullptr;
    } else {
        outputFileNameTooLong = name;
    }
}

void scanOptions(int argc, char* argv[]) {
    if (argc < 2) {
        printUsage();
    }
    for (int index = 1; index < argc; ++index) {
        const char* argument = argv[index];
        if (argument[0] != '-' && argument[0] != '/') {
            continue;
        }
        if (argument[1] != 'O' && argument[1] != 'o') {
            printUsage();
        } else if (index + 1 >= argc) {
            printUsage();
        } else {
            takeOutputFileName(argv[index + 1]);
            ++index;  // the name is not examined as an option
        }
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    openStandardStreams();
    scanOptions(argc, argv);
    if (!haveOutputFile) {
        return 0;
    }
    if (outputFileNameTooLong) {
        printf("Error %d creating %s", nameTooLongError(), outputFileNameTooLong);
        return 0;
    }
    TransceiverFile file = createEmptyFile(outputFileName);
    if (!isOpenFile(file)) {
        printf("Error %d creating %s", lastSystemError(), outputFileName);
        return 0;
    }
    if (RecordToFile(file, recordingWaitMilliseconds)) {
        printf("Record successfull !\n");
    } else {
        printf("Record failed !\n");
    }
    closeFile(file);
    return 0;
}
