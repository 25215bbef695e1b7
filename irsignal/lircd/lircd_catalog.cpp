// Not read yet: every lircd.conf file is refused with that said.
#include "irsignal/lircd/lircd_catalog.h"

namespace irsignal {

Catalog readLircdConf(const std::string& path, std::string_view) {
    Catalog catalog;
    catalog.error = path + ": lircd.conf files are not read yet";
    return catalog;
}

}  // namespace irsignal
