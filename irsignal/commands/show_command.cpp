#include <cstdio>

#include "irsignal/commands/commands.h"
#include "irsignal/output/atomic_file.h"
#include "irsignal/output/signal_text.h"
#include "irsignal/select/signal_selection.h"
#include "irsignal/show/show_text.h"
#include "irsignal/show/waveform_svg.h"
#include "ostrel/codec/text_scanning.h"

namespace irsignal {

int showCommand(const std::string& signal, const std::optional<std::string>& svg) {
    Selection selection = selectSignal(signal);
    if (!selection.ok()) {
        std::fprintf(stderr, "%s\n", oneLine(selection.error).c_str());
        return exitFailed;
    }
    const CatalogEntry& entry = selection.entry;
    if (!entry.refusal.empty()) {
        std::fprintf(stderr, "%s\n", oneLine(refusalLine(selection, entry.refusal)).c_str());
        return exitFailed;
    }
    if (svg) {
        std::string error = writeFileWhole(*svg, ostrel::text::printable(*svg),
                                           waveformSvg(entry, selection.shownName), selection.path);
        if (!error.empty()) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return exitFailed;
        }
    }
    return writeStandardOutput(showText(entry, selection.shownName)) ? exitDone : exitFailed;
}

}  // namespace irsignal
