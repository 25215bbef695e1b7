// Reading a file of codes in whichever form it is, told from its content,
// never from its name.
#pragma once

#include <string>
#include <string_view>

#include "irsignal/catalog/catalog.h"

namespace irsignal {

// The form is told by the first line that is not blank or a "#" comment:
// - "Filetype:": a Flipper IR file. One of several signals lists them by
//   their names (flipper/flipper_catalog.h); one of one signal is a file of
//   one signal, named after the file, its name: value naming it too;
// - "begin" (begin remote): a lircd.conf file (lircd/lircd_catalog.h);
// - "[" (a TOML table, [[protocols]]): a kernel keymap (keymap/keymap_catalog.h);
// - anything else: a file of one signal in a form irplay reads
//   (one_signal_catalog.h).
// Text that is UTF-16 or holds binary bytes is refused whatever its form.
// path names the file in errors and entries.
Catalog readCatalog(const std::string& path, std::string_view text);

// The file at path, read whole (file_text.h), then as readCatalog reads it;
// shownName names it in errors and entries.
Catalog loadCatalog(const std::string& path, const std::string& shownName);

}  // namespace irsignal
