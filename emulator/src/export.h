// Marks the C library entry points the emulator puts in front of the real ones. The
// project builds with hidden visibility; these must be seen by the dynamic linker.
#pragma once

#define LIRC_EMULATOR_EXPORT extern "C" __attribute__((visibility("default")))
