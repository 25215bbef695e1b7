// Whether two signals are the same code, as a receiver would take them: by
// their scancodes where both decode, otherwise value by value within the
// tolerance LIRC's daemon gives a remote by default.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "irsignal/catalog/catalog.h"

namespace irsignal {

// LIRC's default tolerance (lircd.conf's eps and aeps, lirc_options'
// --eps and --aeps): a value matches within 30 % or 100 us, whichever is
// larger. Of the two values compared, the longer is the one the 30 % are of.
constexpr uint32_t tolerancePercent = 30;
constexpr uint32_t toleranceMicroseconds = 100;
uint32_t toleranceFor(uint32_t a, uint32_t b);

struct Comparison {
    bool same = false;
    // The lines `irsignal compare` prints: what each signal decodes as, the
    // largest deviation between their first frames, and last the verdict.
    std::vector<std::string> lines;
};

// Both entries must have signals (no refusal). Only the first frame of
// each is compared value by value: a recording of a key held holds its
// repeats too, a database entry often one frame.
// The names are the signals as the command line named them, already made
// printable.
Comparison compareSignals(const CatalogEntry& first, std::string_view firstName,
                          const CatalogEntry& second, std::string_view secondName);

}  // namespace irsignal
