// Windows side of what the double needs to know of a file handle: the HANDLE
// that CreateFileA returned.
#include <windows.h>
#include <winternl.h>

#include "tests/double/double_platform.h"

std::string handleAccess(TransceiverFile file) {
    // The access the handle was granted when it was opened; NtQueryObject
    // fails for a handle that has been closed.
    OBJECT_BASIC_INFORMATION information{};
    ULONG size = 0;
    if (NtQueryObject(file, ObjectBasicInformation, &information, sizeof information, &size) < 0) {
        return "closed";
    }
    bool canRead = (information.GrantedAccess & FILE_READ_DATA) != 0;
    bool canWrite = (information.GrantedAccess & FILE_WRITE_DATA) != 0;
    if (canRead && canWrite) {
        return "rw";
    }
    if (canWrite) {
        return "w";
    }
    return canRead ? "r" : "none";
}

std::string handleContent(TransceiverFile file) {
    // Reading through a synchronous handle moves its file pointer, even at an
    // explicit offset; it is put back where it was afterwards.
    LARGE_INTEGER start{};
    LARGE_INTEGER position{};
    if (!SetFilePointerEx(file, start, &position, FILE_CURRENT) ||
        !SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
        return {};
    }
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    // A bound, so that a device cannot make it read forever.
    while (content.size() < (1u << 20) && ReadFile(file, buffer, sizeof buffer, &got, nullptr) &&
           got > 0) {
        content.append(buffer, got);
    }
    SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
    return content;
}

void writeThroughHandle(TransceiverFile file, const char* bytes, size_t size) {
    while (size > 0) {
        DWORD done = 0;
        if (!WriteFile(file, bytes, static_cast<DWORD>(size), &done, nullptr) || done == 0) {
            return;
        }
        bytes += done;
        size -= done;
    }
}

int64_t monotonicNanoseconds() {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER count{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    // Whole seconds and the rest apart, so that the product cannot overflow.
    int64_t seconds = count.QuadPart / frequency.QuadPart;
    int64_t rest = count.QuadPart % frequency.QuadPart;
    return seconds * 1000000000 + rest * 1000000000 / frequency.QuadPart;
}
