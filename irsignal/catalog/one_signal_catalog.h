// A file of one signal, in any form irplay reads (ostrel::parseSignalFile):
// one entry, named after the file.
#pragma once

#include <string>
#include <string_view>

#include "irsignal/catalog/catalog.h"

namespace irsignal {

// path names the file in errors and is the entry's name; text is its content.
Catalog readOneSignalFile(const std::string& path, std::string_view text);

}  // namespace irsignal
