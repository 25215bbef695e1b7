// One line of `irsignal list`: the name, a tab, then what the entry is, each
// piece after a tab of its own, so that `cut -f` takes any of them.
#pragma once

#include <string>
#include <string_view>

#include "irsignal/catalog/catalog.h"

namespace irsignal {

// NAME, form, the scancode (the source's, or what the signal decodes as;
// "-" when neither), carrier, duration and frames:
//   Power<TAB>flipper parsed NEC<TAB>nec:0x702<TAB>38000 Hz<TAB>67.5 ms<TAB>1 frame
// An entry that cannot be sent: NAME, form and "cannot be sent: REASON".
// Ends with "\n". shownName is the name as printed, already made printable.
std::string listLine(const CatalogEntry& entry, std::string_view shownName);

}  // namespace irsignal
