// The one file that reads TOML: toml++ (Debian's libtomlplusplus-dev) used
// as a header-only library, without exceptions, so that a parse error comes
// back as a value with its position and nothing of the library reaches past
// this file.
#define TOML_HEADER_ONLY 1
#define TOML_EXCEPTIONS 0
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

#include <algorithm>

#include "irsignal/keymap/keymap_document.h"
#include "irsignal/keymap/keymap_numbers.h"

namespace irsignal::keymap {

namespace {

size_t lineOf(const toml::node& node) { return node.source().begin.line; }

// The fields of a protocol entry that are no parameter.
bool isNamedField(std::string_view key) {
    return key == "name" || key == "protocol" || key == "variant" || key == "scancodes" || key == "raw";
}

class DocumentReader {
public:
    KeymapDocument read(std::string_view text) {
        readDocument(text);
        if (!document_.ok()) {
            document_.protocols.clear();
        }
        return std::move(document_);
    }

private:
    void readDocument(std::string_view text) {
        toml::parse_result parsed = toml::parse(text, std::string_view("keymap"));
        if (!parsed) {
            failed(parsed.error().source().begin.line, std::string(parsed.error().description()));
            return;
        }
        const toml::table& root = parsed.table();
        const toml::node* protocols = root.get("protocols");
        if (protocols == nullptr) {
            failed(0, "no [[protocols]] table: not a keymap");
            return;
        }
        const toml::array* entries = protocols->as_array();
        if (entries == nullptr || !entries->is_array_of_tables()) {
            failed(lineOf(*protocols), "protocols is not an array of tables ([[protocols]])");
            return;
        }
        for (const toml::node& entry : *entries) {
            if (!readProtocol(*entry.as_table())) {
                return;
            }
        }
    }

    bool failed(size_t line, std::string reason) {
        document_.error = std::move(reason);
        document_.errorLine = line;
        return false;
    }

    // The string a field holds; false, with the error set, when it holds another type.
    bool readString(const toml::table& table, std::string_view key, std::optional<std::string>& out) {
        const toml::node* node = table.get(key);
        if (node == nullptr) {
            return true;
        }
        const toml::value<std::string>* text = node->as_string();
        if (text == nullptr) {
            return failed(lineOf(*node), std::string(key).append(" is not a string"));
        }
        out = text->get();
        return true;
    }

    bool readProtocol(const toml::table& table) {
        ProtocolEntry entry;
        entry.line = lineOf(table);
        std::optional<std::string> protocol, name;
        if (!readString(table, "protocol", protocol) || !readString(table, "name", name) ||
            !readString(table, "variant", entry.variant)) {
            return false;
        }
        if (!protocol) {
            return failed(entry.line, "protocol entry without a protocol");
        }
        entry.protocol = *protocol;
        entry.name = name.value_or("");
        for (auto&& [key, value] : table) {
            if (isNamedField(key.str())) {
                continue;
            }
            Parameter parameter{std::string(key.str()), std::nullopt, key.source().begin.line};
            if (const toml::value<int64_t>* number = value.as_integer()) {
                parameter.value = number->get();
            }
            entry.parameters.push_back(std::move(parameter));
        }
        std::sort(entry.parameters.begin(), entry.parameters.end(),
                  [](const Parameter& a, const Parameter& b) { return a.line < b.line; });
        const toml::node* scancodes = table.get("scancodes");
        const toml::node* raw = table.get("raw");
        if (scancodes != nullptr && raw != nullptr) {
            return failed(lineOf(*raw), "raw codes beside scancodes in one protocol entry");
        }
        if (raw != nullptr && entry.protocol != "raw") {
            return failed(lineOf(*raw), "raw codes in a protocol entry whose protocol is not raw");
        }
        if (raw == nullptr && entry.protocol == "raw") {
            return failed(entry.line, "raw protocol without raw codes ([[protocols.raw]])");
        }
        if (scancodes != nullptr && !readScancodes(*scancodes, entry)) {
            return false;
        }
        if (raw != nullptr && !readRawKeys(*raw, entry)) {
            return false;
        }
        document_.protocols.push_back(std::move(entry));
        return true;
    }

    bool readScancodes(const toml::node& node, ProtocolEntry& entry) {
        const toml::table* table = node.as_table();
        if (table == nullptr) {
            return failed(lineOf(node), "scancodes is not a table ([protocols.scancodes])");
        }
        for (auto&& [key, value] : *table) {
            size_t line = key.source().begin.line;
            std::optional<uint64_t> scancode = keymapScancode(key.str());
            if (!scancode) {
                return failed(line, "scancode " + std::string(key.str()) +
                                        " is not a number (decimal, 0x hex or 0 octal, at most 64 bits)");
            }
            const toml::value<std::string>* keycode = value.as_string();
            if (keycode == nullptr) {
                return failed(line, "the keycode of scancode " + std::string(key.str()) + " is not a string");
            }
            if (keycode->get().empty()) {
                return failed(line, "the keycode of scancode " + std::string(key.str()) + " is empty");
            }
            entry.scancodes.push_back({*scancode, keycode->get(), line});
        }
        // toml++ keeps a table's keys sorted; the file's order is the keys' lines.
        std::sort(entry.scancodes.begin(), entry.scancodes.end(),
                  [](const ScancodeKey& a, const ScancodeKey& b) { return a.line < b.line; });
        return true;
    }

    bool readRawKeys(const toml::node& node, ProtocolEntry& entry) {
        const toml::array* codes = node.as_array();
        if (codes == nullptr || !codes->is_array_of_tables()) {
            return failed(lineOf(node), "raw is not an array of tables ([[protocols.raw]])");
        }
        for (const toml::node& code : *codes) {
            const toml::table& table = *code.as_table();
            std::optional<std::string> keycode, durations;
            if (!readString(table, "keycode", keycode) || !readString(table, "raw", durations)) {
                return false;
            }
            if (!keycode || !durations) {
                return failed(lineOf(table), "raw code without a keycode and a raw string");
            }
            if (keycode->empty()) {
                return failed(lineOf(table), "raw code with an empty keycode");
            }
            RawDurations reading = keymapRawDurations(*durations);
            if (!reading.ok()) {
                return failed(lineOf(*table.get("raw")), reading.reason);
            }
            entry.rawKeys.push_back({*keycode, std::move(reading.durations), lineOf(table)});
        }
        return true;
    }

    KeymapDocument document_;
};

}  // namespace

KeymapDocument readKeymapDocument(std::string_view text) { return DocumentReader().read(text); }

}  // namespace irsignal::keymap
