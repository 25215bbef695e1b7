// The keys of a kernel keymap (rc_keymap(5), the TOML files of
// /lib/udev/rc_keymaps), each what ir-ctl -k KEYMAP -K KEY sends.
#pragma once

#include <string>
#include <string_view>

#include "irsignal/catalog/catalog.h"

namespace irsignal {

// path names the file in errors and entries; text is its content.
Catalog readKeymap(const std::string& path, std::string_view text);

}  // namespace irsignal
