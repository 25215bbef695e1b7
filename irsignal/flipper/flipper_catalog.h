// The signals of a Flipper Zero IR file of several signals (a remote, a
// universal library): each under its name: value, a name given again as
// NAME#2, NAME#3, ...
#pragma once

#include <string>
#include <string_view>

#include "irsignal/catalog/catalog.h"

namespace irsignal {

// path names the file in errors; text is its content, a Flipper IR file.
// A signal of a protocol that is not played is an entry with its refusal;
// any other fault of a signal refuses the file, as Flipper's firmware
// refuses to load a remote with a broken signal.
Catalog readFlipperFile(const std::string& path, std::string_view text);

}  // namespace irsignal
