// The waveform of a signal as an SVG picture that any browser opens: a time
// axis in milliseconds, each pulse one <rect> whose x and width are its
// start and its duration on that axis, long gaps drawn shortened with their
// length written over them, and the code the signal decodes as as the
// picture's title.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "irsignal/catalog/catalog.h"

namespace irsignal {

// A space longer than this is drawn shortenedGapWidth wide, the axis broken
// there, and labelled with its length; the time after it goes on from its
// true value. Microseconds.
constexpr uint32_t longestGapDrawn = 10000;
constexpr uint32_t shortenedGapWidth = 3000;

// The entry must have a signal (no refusal). shownName is the signal as the
// command line named it, already made printable.
std::string waveformSvg(const CatalogEntry& entry, std::string_view shownName);

}  // namespace irsignal
