// A signal as the command line names it: FILE, a file of one signal, or
// FILE#NAME, NAME as `irsignal list FILE` prints it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "irsignal/catalog/catalog.h"

namespace irsignal {

struct SignalArgument {
    std::string path;                 // the file
    std::optional<std::string> name;  // NAME, when the argument gives one
};

// A path that exists as given is the file, "#" and all; otherwise the file is
// the longest part before a "#" that exists, and NAME the rest. When no part
// exists, the file is the argument up to its first "#", so that the error
// names what is missing.
SignalArgument splitSignalArgument(const std::string& argument);

// The entry named so (by its name or an alias), or null.
const CatalogEntry* findEntry(const Catalog& catalog, std::string_view name);

// The names of the catalog's entries nearest the name, fewest edits first
// (letters compared without regard to case), then in the file's order.
std::vector<std::string> closestNames(const Catalog& catalog, std::string_view name, size_t count);

struct Selection {
    std::string path;       // the file, as the argument names it
    std::string shownFile;  // the file as messages show it
    std::string shownName;  // the signal as messages show it: FILE or FILE#NAME
    CatalogEntry entry;     // when ok()
    std::string error;      // one line, "FILE:LINE: reason" or "FILE: reason"

    bool ok() const { return error.empty(); }
};

// Reads the argument's file and picks its signal: the one a file of one
// signal holds, or the one named. A file of several signals without a NAME,
// and a NAME no signal has (with the closest names), fail.
Selection selectSignal(const std::string& argument);

// An entry's name as messages show it. The entry of a file of one signal is
// named after the file as shownFile shows it already; any other name comes
// from the file's content and is made printable.
std::string shownEntryName(const CatalogEntry& entry, std::string_view shownFile);

// The one line saying that the selected signal cannot be sent:
// "FILE:LINE: NAME (FORM) cannot be sent: reason".
std::string refusalLine(const Selection& selection, std::string_view reason);

}  // namespace irsignal
