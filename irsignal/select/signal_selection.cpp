#include "irsignal/select/signal_selection.h"

#include <algorithm>
#include <numeric>

#include <sys/stat.h>

#include "irsignal/catalog/catalog_error.h"
#include "irsignal/catalog/read_catalog.h"
#include "ostrel/codec/text_scanning.h"

namespace irsignal {

namespace {

bool exists(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Levenshtein's distance, letters compared without regard to case.
size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), size_t{0});
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            size_t substitution = diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, substitution});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The names as messages show them (shownEntryName), one after the other.
std::string joined(const std::vector<std::string>& names, std::string_view shownFile) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + (name == shownFile ? name : ostrel::text::printable(name));
    }
    return text;
}

}  // namespace

SignalArgument splitSignalArgument(const std::string& argument) {
    if (exists(argument)) {
        return {argument, std::nullopt};
    }
    for (size_t hash = argument.rfind('#'); hash != std::string::npos && hash > 0;
         hash = argument.rfind('#', hash - 1)) {
        std::string file = argument.substr(0, hash);
        if (exists(file)) {
            return {file, argument.substr(hash + 1)};
        }
    }
    size_t first = argument.find('#');
    if (first == std::string::npos || first == 0) {
        return {argument, std::nullopt};
    }
    return {argument.substr(0, first), argument.substr(first + 1)};
}

const CatalogEntry* findEntry(const Catalog& catalog, std::string_view name) {
    for (const CatalogEntry& entry : catalog.entries) {
        if (entry.name == name ||
            std::find(entry.aliases.begin(), entry.aliases.end(), name) != entry.aliases.end()) {
            return &entry;
        }
    }
    return nullptr;
}

std::vector<std::string> closestNames(const Catalog& catalog, std::string_view name, size_t count) {
    std::vector<std::pair<size_t, size_t>> ranked;  // distance, index
    for (size_t i = 0; i < catalog.entries.size(); ++i) {
        ranked.emplace_back(editDistance(catalog.entries[i].name, name), i);
    }
    count = std::min(count, ranked.size());
    std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(count),
                      ranked.end());
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i) {
        names.push_back(catalog.entries[ranked[i].second].name);
    }
    return names;
}

Selection selectSignal(const std::string& argument) {
    SignalArgument split = splitSignalArgument(argument);
    Selection selection;
    selection.path = split.path;
    selection.shownFile = ostrel::text::printable(split.path);
    Catalog catalog = loadCatalog(split.path, selection.shownFile);
    if (!catalog.ok()) {
        selection.error = std::move(catalog.error);
        return selection;
    }
    const CatalogEntry* entry = nullptr;
    if (split.name) {
        selection.shownName = selection.shownFile + "#" + ostrel::text::printable(*split.name);
        entry = findEntry(catalog, *split.name);
        if (!entry) {
            std::string reason = "no signal named " + ostrel::text::quoted(*split.name);
            if (!catalog.entries.empty()) {
                reason += "; the closest: " + joined(closestNames(catalog, *split.name, 3), selection.shownFile);
            }
            selection.error = fileError(selection.shownFile, 0, reason);
            return selection;
        }
    } else {
        selection.shownName = selection.shownFile;
        if (catalog.entries.empty()) {
            selection.error = fileError(selection.shownFile, 0, "no signal in the file");
            return selection;
        }
        if (catalog.entries.size() > 1) {
            constexpr size_t shown = 5;
            std::vector<std::string> first;
            for (size_t i = 0; i < catalog.entries.size() && i < shown; ++i) {
                first.push_back(catalog.entries[i].name);
            }
            selection.error = fileError(
                selection.shownFile, 0,
                std::to_string(catalog.entries.size()) + " signals (" + joined(first, selection.shownFile) +
                    (catalog.entries.size() > shown ? ", ..." : "") + "); name one as " +
                    selection.shownFile + "#NAME, NAME as irsignal list prints it");
            return selection;
        }
        entry = &catalog.entries.front();
    }
    selection.entry = *entry;
    return selection;
}

std::string shownEntryName(const CatalogEntry& entry, std::string_view shownFile) {
    return entry.name == shownFile ? entry.name : ostrel::text::printable(entry.name);
}

std::string refusalLine(const Selection& selection, std::string_view reason) {
    std::string what = shownEntryName(selection.entry, selection.shownFile) + " (" +
                       ostrel::text::printable(selection.entry.form) + ") cannot be sent: ";
    what += reason;
    return fileError(selection.shownFile, selection.entry.line, what);
}

}  // namespace irsignal
