// Windows side of the programs' system services: the Win32 calls themselves,
// with the handle that CreateFileA returns.
#include <windows.h>

#include "platform/system_calls.h"

namespace {

TransceiverFile openWithDisposition(const char* name, DWORD disposition) {
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, disposition, 0, nullptr);
}

}  // namespace

void openStandardStreams() {}

TransceiverFile openExistingFile(const char* name) {
    return openWithDisposition(name, OPEN_EXISTING);
}

TransceiverFile createEmptyFile(const char* name) {
    return openWithDisposition(name, CREATE_ALWAYS);
}

bool isOpenFile(TransceiverFile file) { return file != INVALID_HANDLE_VALUE; }

int32_t lastSystemError() { return static_cast<int32_t>(GetLastError()); }

int32_t nameTooLongError() { return ERROR_FILENAME_EXCED_RANGE; }

void closeFile(TransceiverFile file) { CloseHandle(file); }

void pauseMilliseconds(uint32_t milliseconds) { Sleep(milliseconds); }
