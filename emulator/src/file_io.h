// Whole-file reads and appends through the real C library, for the emulator's own files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lirc_emulator {

std::optional<std::string> readWholeFile(const std::string& path);

// Reads everything from the current offset of an open fd.
std::string readAll(int fd);

// Writes all of `text`, retrying short writes; false on error.
bool writeAll(int fd, std::string_view text);

// Appends one line to `path` (created if missing) with a single O_APPEND write, so lines
// from several processes never interleave.
bool appendLine(const std::string& path, std::string_view line);

}  // namespace lirc_emulator
