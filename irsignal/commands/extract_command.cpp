#include <cstdio>

#include "irsignal/commands/commands.h"
#include "irsignal/output/atomic_file.h"
#include "irsignal/output/keyword_file.h"
#include "irsignal/output/signal_text.h"
#include "irsignal/select/signal_selection.h"
#include "ostrel/codec/text_scanning.h"

namespace irsignal {

int extractCommand(const std::string& signal, const std::optional<std::string>& out) {
    Selection selection = selectSignal(signal);
    if (!selection.ok()) {
        std::fprintf(stderr, "%s\n", oneLine(selection.error).c_str());
        return exitFailed;
    }
    KeywordFile file = keywordFileOf(selection.entry, selection.shownName);
    if (!file.ok()) {
        std::fprintf(stderr, "%s\n", oneLine(refusalLine(selection, file.refusal)).c_str());
        return exitFailed;
    }
    if (!out) {
        return writeStandardOutput(file.text) ? exitDone : exitFailed;
    }
    std::string error = writeFileWhole(*out, ostrel::text::printable(*out), file.text, selection.path);
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return exitFailed;
    }
    return exitDone;
}

}  // namespace irsignal
