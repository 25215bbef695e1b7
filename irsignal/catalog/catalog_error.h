// The error of a file that cannot be read, as every reader of a form words it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "irsignal/catalog/catalog.h"

namespace irsignal {

// "PATH:LINE: reason", or "PATH: reason" for line 0 (the file as a whole).
inline std::string fileError(std::string_view path, size_t line, std::string_view reason) {
    // Appended piece by piece: g++ 12 at -O3 takes ":" + a string for an
    // overlapping copy (-Wrestrict).
    std::string error(path);
    if (line != 0) {
        error += ':';
        error += std::to_string(line);
    }
    error += ": ";
    error += reason;
    return error;
}

inline Catalog failedCatalog(std::string_view path, size_t line, std::string_view reason) {
    Catalog catalog;
    catalog.error = fileError(path, line, reason);
    return catalog;
}

}  // namespace irsignal
