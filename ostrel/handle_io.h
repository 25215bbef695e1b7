// Reading and writing the IR signal file through the handle the program
// opened. The handle stays the program's: it is never closed or kept.
#pragma once

#include <cstddef>
#include <string>

#include "ostrel/codec/signal_file.h"

namespace ostrel {

// Reads the whole regular file from its start, without moving its position;
// refuses one larger than largestSignalFile.
bool readWholeFile(int descriptor, std::string& content, std::string& why);

// Writes all bytes at the file's position, through short writes and signals.
bool writeWholly(int descriptor, const std::string& bytes, std::string& why);

// A name for the file in messages: its path, relative to the working folder
// when it lies below it, as the user most likely typed it.
std::string nameOfOpenFile(int descriptor);

}  // namespace ostrel
