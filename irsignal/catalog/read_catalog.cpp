#include "irsignal/catalog/read_catalog.h"

#include <cstdio>

#include "irsignal/catalog/catalog_error.h"
#include "irsignal/catalog/file_text.h"
#include "irsignal/catalog/one_signal_catalog.h"
#include "irsignal/flipper/flipper_catalog.h"
#include "irsignal/keymap/keymap_catalog.h"
#include "irsignal/lircd/lircd_catalog.h"
#include "ostrel/codec/text_scanning.h"

namespace irsignal {

namespace {

constexpr std::string_view utf8ByteOrderMark = "\xEF\xBB\xBF";

enum class Form { flipper, lircd, keymap, oneSignal };

// The first word of the first line that is not blank or a "#" comment.
Form formOf(std::string_view text) {
    ostrel::text::LineWords lines(text, ostrel::text::blanks);
    while (lines.nextLine()) {
        std::optional<std::string_view> word = lines.nextWord();
        if (!word || word->starts_with('#')) {
            continue;
        }
        if (word->starts_with("Filetype:")) {
            return Form::flipper;
        }
        if (*word == "begin") {
            return Form::lircd;
        }
        if (word->starts_with('[')) {
            return Form::keymap;
        }
        return Form::oneSignal;
    }
    return Form::oneSignal;
}

// A Flipper file of one signal is one irplay plays: named after the file.
Catalog readFlipper(const std::string& path, std::string_view text) {
    Catalog catalog = readFlipperFile(path, text);
    if (catalog.ok() && catalog.entries.size() == 1) {
        CatalogEntry& entry = catalog.entries.front();
        entry.aliases.push_back(std::move(entry.name));
        entry.name = path;
    }
    return catalog;
}

}  // namespace

Catalog readCatalog(const std::string& path, std::string_view text) {
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        return failedCatalog(path, 0, "UTF-16 text; save the file as UTF-8 or ASCII");
    }
    if (text.starts_with(utf8ByteOrderMark)) {
        text.remove_prefix(utf8ByteOrderMark.size());
    }
    if (auto binary = ostrel::text::firstBinaryByte(text)) {
        char reason[64];
        std::snprintf(reason, sizeof reason, "binary data (byte 0x%02X), not a file of codes",
                      binary->second);
        return failedCatalog(path, binary->first, reason);
    }
    Catalog catalog;
    switch (formOf(text)) {
    case Form::flipper:
        catalog = readFlipper(path, text);
        break;
    case Form::lircd:
        catalog = readLircdConf(path, text);
        break;
    case Form::keymap:
        catalog = readKeymap(path, text);
        break;
    case Form::oneSignal:
        catalog = readOneSignalFile(path, text);
        break;
    }
    return catalog;
}

Catalog loadCatalog(const std::string& path, const std::string& shownName) {
    FileText file = readFileText(path, shownName);
    if (!file.ok()) {
        Catalog catalog;
        catalog.error = std::move(file.error);
        return catalog;
    }
    return readCatalog(shownName, file.text);
}

}  // namespace irsignal
