// The buttons of a lircd.conf file, each what LIRC's daemon sends for
// SEND_ONCE REMOTE BUTTON.
#pragma once

#include <string>
#include <string_view>

#include "irsignal/catalog/catalog.h"

namespace irsignal {

// path names the file in errors and entries; text is its content.
Catalog readLircdConf(const std::string& path, std::string_view text);

}  // namespace irsignal
