// What `irsignal show` prints of a signal: its form, carrier and duty cycle,
// each frame's durations and what it decodes as, the gaps between frames
// and the total duration.
#pragma once

#include <string>
#include <string_view>

#include "irsignal/catalog/catalog.h"

namespace irsignal {

// The entry must have a signal (no refusal). shownName is the signal as
// the command line named it, already made printable.
std::string showText(const CatalogEntry& entry, std::string_view shownName);

}  // namespace irsignal
