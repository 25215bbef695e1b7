// Fuzzes irsignal's reader of kernel keymaps (rc_keymap(5): TOML, read with
// toml++, and the BPF protocols' encoders) with arbitrary bytes; the seeds
// and the dictionary are keymaps' own words. See catalog_check.h for what
// every reading must be.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/catalog_check.h"
#include "irsignal/keymap/keymap_catalog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    fuzz::checkCatalog(irsignal::readKeymap("fuzz.toml", text), "fuzz.toml", text);
    return 0;
}
