#include "irsignal/catalog/one_signal_catalog.h"

#include "irsignal/catalog/sendable_entry.h"
#include "irsignal/signal/signal_frames.h"
#include "ostrel/codec/signal_file.h"

namespace irsignal {

namespace {

const char* formName(ostrel::SignalForm form) {
    switch (form) {
    case ostrel::SignalForm::keywords:
        return "ir-ctl keywords";
    case ostrel::SignalForm::list:
        return "ir-ctl list";
    case ostrel::SignalForm::pronto:
        return "pronto hex";
    case ostrel::SignalForm::flipper:
        return "flipper";
    }
    return "";
}

}  // namespace

Catalog readOneSignalFile(const std::string& path, std::string_view text) {
    ostrel::SignalFileReading reading = ostrel::parseSignalFile(text, path);
    Catalog catalog;
    if (!reading.ok()) {
        catalog.error = std::move(reading.error);
        return catalog;
    }
    CatalogEntry entry;
    entry.name = path;
    entry.line = 1;
    entry.form = formName(reading.form);
    entry.signal = std::move(reading.signal);
    entry.scancode = scancodeSentAs(entry.signal);
    entry.frames = entry.scancode ? framesOf(*entry.scancode) : countFrames(entry.signal.durations);
    refuseIfUnsendable(entry);
    catalog.entries.push_back(std::move(entry));
    return catalog;
}

}  // namespace irsignal
