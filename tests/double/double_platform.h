// What the test double needs to know of a file handle, per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "transceiver/transceiver.h"

#ifdef _WIN32
#define DOUBLE_EXPORT
#else
#define DOUBLE_EXPORT __attribute__((visibility("default")))
#endif

// "rw", "r" or "w" for an open handle, "closed" for one that is not open.
std::string handleAccess(TransceiverFile file);

// The whole content of the file, read without moving its position.
std::string handleContent(TransceiverFile file);

void writeThroughHandle(TransceiverFile file, const char* bytes, size_t size);

int64_t monotonicNanoseconds();
