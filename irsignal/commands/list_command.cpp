#include <cstdio>

#include "irsignal/catalog/read_catalog.h"
#include "irsignal/commands/commands.h"
#include "irsignal/output/list_line.h"
#include "irsignal/output/signal_text.h"
#include "irsignal/select/signal_selection.h"
#include "ostrel/codec/text_scanning.h"

namespace irsignal {

int listCommand(const std::vector<std::string>& files) {
    std::string listed;
    bool failed = false;
    for (const std::string& file : files) {
        std::string shownFile = ostrel::text::printable(file);
        Catalog catalog = loadCatalog(file, shownFile);
        if (!catalog.ok()) {
            std::fprintf(stderr, "%s\n", oneLine(catalog.error).c_str());
            failed = true;
            continue;
        }
        bool oneSignal = catalog.entries.size() == 1 && catalog.entries.front().name == shownFile;
        for (const CatalogEntry& entry : catalog.entries) {
            std::string name = shownEntryName(entry, shownFile);
            if (files.size() > 1 && !oneSignal) {
                name = shownFile + "#" + name;
            }
            listed += listLine(entry, name);
        }
    }
    if (failed) {
        return exitFailed;
    }
    return writeStandardOutput(listed) ? exitDone : exitFailed;
}

}  // namespace irsignal
