// The library's one line on standard error when an operation fails, so that
// a user who sees a bare "failed" knows what to fix. Standard output belongs
// to the program alone.
#pragma once

#include <string>

namespace ostrel {

// Writes "ostrel: <why>" and a line end, why made printable (text::printable).
void reportFailure(const std::string& why);

}  // namespace ostrel
