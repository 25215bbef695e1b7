// Not read yet: every keymap is refused with that said.
#include "irsignal/keymap/keymap_catalog.h"

namespace irsignal {

Catalog readKeymap(const std::string& path, std::string_view) {
    Catalog catalog;
    catalog.error = path + ": keymaps are not read yet";
    return catalog;
}

}  // namespace irsignal
