// The library's one line on standard error when an operation fails, so that
// a user who sees a bare "failed" knows what to fix. Standard output belongs
// to the program alone.
#pragma once

#include <string>

namespace ostrel {

void reportFailure(const std::string& why);

}  // namespace ostrel
