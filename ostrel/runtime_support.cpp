// The few functions of the C++ runtime that the standard library's headers
// call from the library's code, written on the C library alone, so that
// libostrel.so.1 loads nothing but libc.so.6: not libstdc++, libgcc_s or
// libm, whose loading and relocation cost more than the whole play.
//
// The library is built without exceptions and RTTI (ostrel/CMakeLists.txt),
// so the headers' containers, on a failure they cannot return from (memory
// exhausted, a length beyond what the type holds), call these functions
// instead of throwing. The library's own allocations are bounded (a signal
// file is at most 1 MiB), so such a failure means the system is out of
// memory: the library says so on standard error and stops the process, as
// std::terminate would have done with an exception that had nowhere to go.
//
// Every symbol here is local to the library (exports.map): a program that
// brings its own C++ runtime keeps its own operator new and its own
// exceptions.
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>  // declares the __throw_ functions below

#include <unistd.h>

namespace {

[[noreturn]] void stopProcess(const char* what) {
    char line[256];
    int length = std::snprintf(line, sizeof line, "ostrel: %s; stopping\n", what);
    if (length > 0) {
        ssize_t ignored = write(STDERR_FILENO, line, std::strlen(line));
        (void)ignored;
    }
    std::abort();
}

void* allocate(std::size_t size) {
    // malloc(0) may return a null pointer; operator new must not.
    void* memory = std::malloc(size != 0 ? size : 1);
    if (memory == nullptr) {
        stopProcess("out of memory");
    }
    return memory;
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

// What the headers call where they would throw.
namespace std {
void __throw_bad_alloc() { stopProcess("out of memory"); }
void __throw_bad_array_new_length() { stopProcess("out of memory: array too long"); }
void __throw_length_error(const char* what) { stopProcess(what); }
void __throw_logic_error(const char* what) { stopProcess(what); }
void __throw_out_of_range(const char* what) { stopProcess(what); }
void __throw_invalid_argument(const char* what) { stopProcess(what); }
void __throw_system_error(int) { stopProcess("a system call of the standard library failed"); }
void __throw_out_of_range_fmt(const char* format, ...) {
    // The format holds %zu and %s conversions for the index and the size.
    char what[200];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(what, sizeof what, format, arguments);
    va_end(arguments);
    stopProcess(what);
}
}  // namespace std
