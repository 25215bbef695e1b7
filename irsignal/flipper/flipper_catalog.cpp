#include "irsignal/flipper/flipper_catalog.h"

#include <map>
#include <set>

#include "irsignal/catalog/catalog_error.h"
#include "irsignal/catalog/sendable_entry.h"
#include "irsignal/signal/signal_frames.h"
#include "ostrel/codec/flipper_signals.h"

namespace irsignal {

namespace {

// The names list prints: each signal's own, and for a name given again the
// first NAME#N (N from 2) that no signal of the file is named.
std::vector<std::string> uniqueNames(const std::vector<ostrel::forms::FlipperSignalReading>& signals) {
    std::set<std::string, std::less<>> taken;
    for (const ostrel::forms::FlipperSignalReading& signal : signals) {
        taken.emplace(signal.name);
    }
    std::map<std::string, size_t, std::less<>> seen;  // times each name was given so far
    std::set<std::string, std::less<>> given;
    std::vector<std::string> names;
    for (const ostrel::forms::FlipperSignalReading& signal : signals) {
        std::string name(signal.name);
        size_t& count = seen[name];
        ++count;
        if (count > 1 || given.count(name) != 0) {
            size_t number = std::max<size_t>(count, 2);
            std::string numbered;
            do {
                numbered = name + "#" + std::to_string(number++);
            } while (taken.count(numbered) != 0 || given.count(numbered) != 0);
            name = std::move(numbered);
        }
        given.insert(name);
        names.push_back(std::move(name));
    }
    return names;
}

std::string formOf(const ostrel::forms::FlipperSignalReading& signal) {
    if (signal.type == "parsed") {
        return "flipper parsed " + std::string(signal.protocol);
    }
    return "flipper " + std::string(signal.type);
}

}  // namespace

Catalog readFlipperFile(const std::string& path, std::string_view text) {
    ostrel::forms::FlipperFileReading file = ostrel::forms::readFlipperSignals(text);
    if (file.failed()) {
        return failedCatalog(path, file.line, file.reason);
    }
    for (const ostrel::forms::FlipperSignalReading& signal : file.signals) {
        if (signal.outcome.failed() && !signal.sendRefused) {
            return failedCatalog(path, signal.outcome.line, signal.outcome.reason);
        }
    }
    std::vector<std::string> names = uniqueNames(file.signals);
    Catalog catalog;
    for (size_t i = 0; i < file.signals.size(); ++i) {
        ostrel::forms::FlipperSignalReading& signal = file.signals[i];
        CatalogEntry entry;
        entry.name = std::move(names[i]);
        entry.line = signal.line;
        entry.form = formOf(signal);
        if (signal.sendRefused) {
            entry.refusal = std::move(signal.outcome.reason);
        } else {
            entry.signal = std::move(signal.outcome.signal);
            entry.scancode = scancodeSentAs(entry.signal);
            entry.frames = entry.scancode ? framesOf(*entry.scancode) : countFrames(entry.signal.durations);
        }
        catalog.entries.push_back(std::move(entry));
    }
    refuseUnsendable(catalog.entries);
    return catalog;
}

}  // namespace irsignal
