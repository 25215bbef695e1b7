// The file `irsignal extract` writes: the keyword form of ir-ctl, which
// irplay plays, holding exactly what the entry sends.
#pragma once

#include <string>
#include <string_view>

#include "irsignal/catalog/catalog.h"

namespace irsignal {

struct KeywordFile {
    std::string text;     // when ok()
    std::string refusal;  // why the entry cannot be written so irplay plays it

    bool ok() const { return refusal.empty(); }
};

// A first comment naming the source (sourceName: FILE or FILE#NAME, already
// made printable) and its form, then "carrier N" (38000 when the source
// names none, as irplay would send it), then the entry's scancode line when
// that sends exactly its durations, else its pulse and space lines. A duty
// cycle, which the form cannot hold, is said in a comment.
//
// The text is read back as irplay's library reads it before it is given:
// refused are an entry with a refusal, an unmodulated one (the form has no
// carrier 0), and one irplay would refuse (over 60 s, a frame larger than a
// LIRC device takes), with the reason.
KeywordFile keywordFileOf(const CatalogEntry& entry, std::string_view sourceName);

}  // namespace irsignal
