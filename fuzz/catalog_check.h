// What the fuzzers of irsignal's readers check of the catalog a reader makes
// of any text: refused with "FILE:LINE: reason" (a line of the text) or
// "FILE: reason" and no entries, or read into entries each with a unique
// name and a line of the text, and either refused with a reason and nothing
// to send, or sending a signal a LIRC device sends, which irplay's library
// can cut into writes.
#pragma once

#include <algorithm>
#include <set>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "irsignal/catalog/catalog.h"

namespace fuzz {

inline void checkCatalog(const irsignal::Catalog& catalog, const std::string& path, std::string_view text) {
    size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    if (!catalog.ok()) {
        check(catalog.entries.empty(), "a refused file gives no entries");
        check(catalog.error.starts_with(path + ":"), "a refusal names the file", catalog.error);
        std::string rest = catalog.error.substr(path.size() + 1);
        if (!rest.empty() && rest[0] >= '0' && rest[0] <= '9') {
            size_t line = std::stoul(rest);
            check(line >= 1 && line <= lines, "a refusal names a line of the file", catalog.error);
        }
        // A reason may quote the file's bytes, a newline among them: the
        // command line prints them escaped (text::printable), on one line.
        return;
    }
    std::set<std::string> names;
    for (const irsignal::CatalogEntry& entry : catalog.entries) {
        check(!entry.name.empty(), "an entry has a name");
        check(names.insert(entry.name).second, "names are unique", entry.name);
        check(entry.line >= 1 && entry.line <= lines, "an entry begins on a line of the file",
              entry.name + " at " + std::to_string(entry.line) + " of " + std::to_string(lines));
        if (!entry.refusal.empty()) {
            check(entry.signal.durations.empty() && !entry.scancode, "a refused entry sends nothing", entry.name);
            continue;
        }
        checkSendable(entry.signal);
        check(entry.frames >= 1, "a sent entry has a frame", entry.name);
        check(checkPlan(entry.signal), "what an entry sends plays", entry.name);
        if (entry.scancode) {
            check(ostrel::protocols::encodeScancode(*entry.scancode) == entry.signal.durations,
                  "an entry's scancode is what it sends", entry.name);
        }
    }
    for (const irsignal::CatalogEntry& entry : catalog.entries) {
        for (const std::string& alias : entry.aliases) {
            check(names.count(alias) == 0 || alias == entry.name, "an alias names no other entry", alias);
        }
    }
}

}  // namespace fuzz
