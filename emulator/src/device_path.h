// Recognises the emulated device's path among the paths a program opens or stats.
#pragma once

#include <string>
#include <sys/stat.h>

namespace lirc_emulator {

// `path` as open(2) or openat(2) would resolve it, lexically ("//", "." and ".."), not
// through symbolic links: the emulated path need not exist.
bool isEmulatedPath(int directoryFd, const char* path);

// A character device at `devicePath`: crw-rw---- root root, major 239 (a typical dynamic
// lirc major), minor taken from the digits the name ends in.
// The same in the struct of the 64-bit calls (fstat64, stat64, ...), which on 32-bit
// systems (armhf) is laid out differently from struct stat.
void fillDeviceStat(struct stat& status, const std::string& devicePath);
void fillDeviceStat(struct stat64& status, const std::string& devicePath);

}  // namespace lirc_emulator
