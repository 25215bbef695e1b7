// The operating-system services irplay and irrecord use: opening or creating
// the IR signal file, the error code of a failed attempt, closing the file and
// pausing. This is the only place where the programs differ between platforms.
#pragma once

#include <cstdint>

#include "transceiver/transceiver.h"

// Makes sure the standard streams are open before any file is: on POSIX, a
// closed descriptor 0, 1 or 2 is opened onto /dev/null, so that the signal
// file never becomes one of them and no output meant for a stream lands in
// it. Nothing to do on Windows, whose handles are not numbered that way.
void openStandardStreams();

// Opens an existing file for reading and writing, shared for reading and
// writing with other processes. Never creates a file. On failure the result is
// not an open file (see isOpenFile) and lastSystemError() tells why.
TransceiverFile openExistingFile(const char* name);

// Creates a file, or empties an existing one, for reading and writing, shared
// for reading and writing with other processes. On failure the result is not
// an open file and lastSystemError() tells why.
TransceiverFile createEmptyFile(const char* name);

bool isOpenFile(TransceiverFile file);

// The operating system's error code of the last failed open or create.
int32_t lastSystemError();

// The operating system's error code for a file name that is too long.
int32_t nameTooLongError();

void closeFile(TransceiverFile file);

void pauseMilliseconds(uint32_t milliseconds);
