#include <cstdio>

#include "irsignal/commands/commands.h"
#include "irsignal/compare/signal_comparison.h"
#include "irsignal/output/signal_text.h"
#include "irsignal/select/signal_selection.h"
#include "ostrel/codec/text_scanning.h"

namespace irsignal {

namespace {

// The signal, or its error printed.
std::optional<Selection> selected(const std::string& signal) {
    Selection selection = selectSignal(signal);
    if (!selection.ok()) {
        std::fprintf(stderr, "%s\n", oneLine(selection.error).c_str());
        return std::nullopt;
    }
    const CatalogEntry& entry = selection.entry;
    if (!entry.refusal.empty()) {
        std::fprintf(stderr, "%s\n", oneLine(refusalLine(selection, entry.refusal)).c_str());
        return std::nullopt;
    }
    return selection;
}

}  // namespace

int compareCommand(const std::string& first, const std::string& second) {
    std::optional<Selection> a = selected(first);
    std::optional<Selection> b = selected(second);
    if (!a || !b) {
        return exitBadInput;
    }
    Comparison comparison = compareSignals(a->entry, a->shownName, b->entry, b->shownName);
    std::string text;
    for (const std::string& line : comparison.lines) {
        text += line + "\n";
    }
    if (!writeStandardOutput(text)) {
        return exitBadInput;
    }
    return comparison.same ? exitSame : exitDifferent;
}

}  // namespace irsignal
