#include "emulator/src/real_libc.h"

#include <dlfcn.h>

namespace lirc_emulator {

namespace {

template <typename Function>
void resolve(Function& slot, const char* name) {
    slot = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

RealLibc resolveAll() {
    RealLibc libc{};
    resolve(libc.open, "open");
    resolve(libc.openat, "openat");
    resolve(libc.close, "close");
    resolve(libc.read, "read");
    resolve(libc.write, "write");
    resolve(libc.ioctl, "ioctl");
    resolve(libc.fstat, "fstat");
    resolve(libc.fstatat, "fstatat");
    resolve(libc.fstat64, "fstat64");
    resolve(libc.fstatat64, "fstatat64");
    resolve(libc.faccessat, "faccessat");
    resolve(libc.poll, "poll");
    resolve(libc.ppoll, "ppoll");
    resolve(libc.fcntl, "fcntl");
    resolve(libc.dup2, "dup2");
    resolve(libc.dup3, "dup3");
    return libc;
}

}  // namespace

const RealLibc& realLibc() {
    static const RealLibc libc = resolveAll();
    return libc;
}

}  // namespace lirc_emulator
