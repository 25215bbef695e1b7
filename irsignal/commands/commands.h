// irsignal's four commands. Each prints what it finds on standard output,
// each failure as one line on standard error, and returns the exit status.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace irsignal {

// Exit statuses: compare says 0 same and 1 different, and 2 for bad input;
// the others 0 done and 1 bad input (or a signal that cannot be written);
// all 2 for a command line they cannot use.
constexpr int exitDone = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;
constexpr int exitSame = 0;
constexpr int exitDifferent = 1;
constexpr int exitBadInput = 2;

// One line per signal of each file; with several files each name is
// FILE#NAME (FILE alone for a file of one signal). A file that cannot be
// read fails the command: nothing is listed, and each such file's error is
// printed.
int listCommand(const std::vector<std::string>& files);

// The signal as a file irplay plays, on standard output or in out.
int extractCommand(const std::string& signal, const std::optional<std::string>& out);

// The signal described; with svg, its waveform drawn into that file too.
int showCommand(const std::string& signal, const std::optional<std::string>& svg);

// Whether the two signals are the same code.
int compareCommand(const std::string& first, const std::string& second);

// Writes all of text on standard output; false, with the error printed,
// when it cannot (a closed pipe, a full disk).
bool writeStandardOutput(const std::string& text);

}  // namespace irsignal
