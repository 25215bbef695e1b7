// Fuzzes irsignal's reader of lircd.conf files (LIRC's own reader and sender,
// liblirc, which is not instrumented: the coverage is of irsignal's side)
// with arbitrary bytes. See catalog_check.h for what every reading must be.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/catalog_check.h"
#include "irsignal/lircd/lircd_catalog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    fuzz::checkCatalog(irsignal::readLircdConf("fuzz.lircd.conf", text), "fuzz.lircd.conf", text);
    return 0;
}
