// Writing an output file whole or not at all: a reader, or irplay, never
// sees it half written, and a failure leaves no empty or partial file.
#pragma once

#include <string>
#include <string_view>

namespace irsignal {

// Writes text into a new file in path's folder, then renames it over path.
// A path that is a symbolic link replaces the file it points to. A file
// that is there already keeps its permissions; a new one gets 0666 less the
// umask. Refused: a path that is there as anything but a regular file, and
// the file at keepPath (the source: writing one signal over a remote's file
// would lose the others), when it is the same file. Returns "" or the one
// line of the failure, "NAME: reason", NAME being shownName.
std::string writeFileWhole(const std::string& path, const std::string& shownName,
                           std::string_view text, const std::string& keepPath);

}  // namespace irsignal
