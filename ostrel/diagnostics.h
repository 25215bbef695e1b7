// The library's one line on standard error when an operation fails, so that
// a user who sees a bare "failed" knows what to fix. Standard output belongs
// to the program alone.
#pragma once

#include <string>

namespace ostrel {

// For an operation that was given no file.
constexpr int noCallersFile = -1;

// Writes "ostrel: <why>" and a line end, why made printable (text::printable),
// to standard error, unless descriptor 2 is closed or is the caller's file
// (the same descriptor, or another open of the same file): a program started
// with standard error closed may have been given its signal file as
// descriptor 2, and a line there would be written over the user's file. Then
// the line is dropped.
void reportFailure(const std::string& why, int callersFile);

}  // namespace ostrel
