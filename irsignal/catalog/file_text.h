// The content of a file of codes, read whole: only from a regular file and
// only up to largestCatalogFile, so that /dev/zero, a FIFO or a huge file
// cannot make irsignal hang or fill its memory.
#pragma once

#include <cstddef>
#include <string>

namespace irsignal {

// The largest file read: LIRC's largest remote collections and Flipper's
// universal libraries are a few MiB.
constexpr size_t largestCatalogFile = 16u << 20;

struct FileText {
    std::string text;   // when ok()
    std::string error;  // "NAME: reason", NAME being shownName

    bool ok() const { return error.empty(); }
};

// Reads the file at path; shownName names it in the error.
FileText readFileText(const std::string& path, const std::string& shownName);

}  // namespace irsignal
