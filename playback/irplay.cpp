// irplay: sends the IR signal held in a file out through one of the
// transceiver's blaster ports, and says whether that worked.
#include <cstdio>
#include <cstring>

#include "playback/decimal_number.h"
#include "platform/system_calls.h"
#include "transceiver/transceiver.h"

namespace {

// Room for a file name and its terminating NUL.
constexpr size_t fileNameBufferSize = 260;

// Run state: set by the option scan, read by the main routine.
int32_t usagePending = 1;
int32_t haveInputFile = 0;
int32_t blasterPort = 0;
char inputFileName[fileNameBufferSize];
// The name given with the last -i when it does not fit inputFileName. Such a
// name is reported as one the system refused; it is neither cut short nor
// opened, so no other file than the one named is ever played.
const char* inputFileNameTooLong = nullptr;

void printUsage() {
    if (usagePending) {
        printf("Usage for IR Playback test:\n");
        printf("-i [s] where s is the input file\n");
        printf("-b [s] where s is the blaster port (1/2)\n");
        usagePending = 0;
    }
}

void takeInputFileName(const char* name) {
    haveInputFile = 1;
    size_t length = strlen(name);
    if (length < fileNameBufferSize) {
        memcpy(inputFileName, name, length + 1);
        inputFileNameTooLong = nullptr;
    } else {
        inputFileNameTooLong = name;
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
        bool isLast = index + 1 >= argc;
        switch (argument[1]) {
        case 'I':
        case 'i':
            if (isLast) {
                printUsage();
            } else {
                takeInputFileName(argv[index + 1]);
                ++index;  // the name is not examined as an option
            }
            break;
        case 'B':
        case 'b':
            if (isLast) {
                printUsage();
            } else {
                // The number's argument is examined again in its own turn.
                int32_t port = readDecimalNumber(argv[index + 1]);
                if (port >= 0 && port <= 2) {
                    blasterPort = port;
                }
            }
            break;
        default:
            printUsage();
            break;
        }
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    openStandardStreams();
    scanOptions(argc, argv);
    if (!haveInputFile) {
        return 0;
    }
    if (inputFileNameTooLong) {
        printf("Error %d opening %s", nameTooLongError(), inputFileNameTooLong);
        return 0;
    }
    TransceiverFile file = openExistingFile(inputFileName);
    if (!isOpenFile(file)) {
        printf("Error %d opening %s", lastSystemError(), inputFileName);
        return 0;
    }
    SelectBlasterPort(blasterPort);
    if (PlayFromFile(file)) {
        printf("Play successfull !\n");
    } else {
        printf("Play failed !\n");
    }
    pauseMilliseconds(100);
    closeFile(file);
    return 0;
}
