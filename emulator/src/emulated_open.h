// Opening the emulated device: a fresh memfd stands in for the open file.
#pragma once

namespace lirc_emulator {

// open(2) flags as given by the program; returns the fd or -1 with errno set.
int openEmulatedDevice(int flags);

}  // namespace lirc_emulator
