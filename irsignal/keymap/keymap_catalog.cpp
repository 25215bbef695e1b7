#include "irsignal/keymap/keymap_catalog.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>

#include "irsignal/catalog/sendable_entry.h"
#include "irsignal/keymap/bpf_encoders.h"
#include "irsignal/keymap/keymap_document.h"
#include "ostrel/codec/protocols/scancode_encoding.h"

namespace irsignal {

namespace {

using keymap::ProtocolEntry;
using ostrel::protocols::Protocol;

// The carrier ir-ctl's keymaps name for a BPF or raw protocol when they
// name none.
constexpr uint32_t defaultCarrier = 38000;

std::string hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

// How the keys of one protocol entry are sent, as ir-ctl's convert_keycode
// chooses: the variant, else the protocol, when it names a protocol of the
// kernel's; else the protocol's BPF encoder.
struct EntryPlan {
    enum class Kind { scancode, bpf, raw, refused };
    Kind kind = Kind::refused;
    Protocol protocol{};           // Kind::scancode
    uint32_t carrier = 0;          // Kind::bpf and Kind::raw
    std::string refusal;           // Kind::refused
    std::string form;              // "keymap nec", "keymap rc6 variant rc6_mce"
};

// The variants rc_keymap(5) lists for a protocol that has no encoding of
// its own name and encoders for them, empty for any other name.
std::string_view variantsOf(std::string_view protocol) {
    if (protocol == "sony") {
        return "sony12, sony15 or sony20";
    }
    if (protocol == "rc6" || protocol == "rc-6") {
        return "rc6_0, rc6_6a_20, rc6_6a_24, rc6_6a_32 or rc6_mce";
    }
    return {};
}

// The `carrier` parameter of a BPF or raw protocol entry, which ir-ctl sets
// before sending: 0 is unmodulated light.
bool readCarrier(const ProtocolEntry& entry, EntryPlan& plan) {
    plan.carrier = defaultCarrier;
    for (const keymap::Parameter& parameter : entry.parameters) {
        if (parameter.name != "carrier") {
            continue;
        }
        if (!parameter.value || *parameter.value < 0 || *parameter.value > ostrel::longestDuration) {
            plan.kind = EntryPlan::Kind::refused;
            plan.refusal = "keymap carrier parameter is not a whole number of Hz from 0 to " +
                           std::to_string(ostrel::longestDuration);
            return false;
        }
        plan.carrier = static_cast<uint32_t>(*parameter.value);
    }
    return true;
}

EntryPlan planOf(const ProtocolEntry& entry) {
    EntryPlan plan;
    // The protocol once: a variant of the protocol's own name ("nec" of nec)
    // says nothing more.
    plan.form = "keymap " + entry.protocol;
    if (entry.variant && *entry.variant != entry.protocol) {
        plan.form += " variant " + *entry.variant;
    }
    if (entry.protocol == "raw") {
        plan.kind = EntryPlan::Kind::raw;
        readCarrier(entry, plan);
        return plan;
    }
    std::string_view name = entry.variant ? *entry.variant : entry.protocol;
    ostrel::protocols::NameLookup lookup = ostrel::protocols::findProtocol(name);
    if (lookup.protocol) {
        plan.kind = EntryPlan::Kind::scancode;
        plan.protocol = *lookup.protocol;
        return plan;
    }
    std::string named = "keymap protocol " + entry.protocol;
    if (entry.variant) {
        named += " variant " + *entry.variant;
    }
    if (!lookup.withoutEncoder.empty()) {
        plan.refusal = named + ": no encoder for it";
        return plan;
    }
    if (keymap::isBpfProtocol(entry.protocol)) {
        plan.kind = EntryPlan::Kind::bpf;
        readCarrier(entry, plan);
        return plan;
    }
    std::string_view variants = variantsOf(entry.protocol);
    plan.refusal = !entry.variant && !variants.empty()
                       ? named + " without a variant: one of " + std::string(variants) + " says how to send it"
                       : named + ": no encoder for it";
    return plan;
}

// The frames of a signal: one, and one more after each space that ends one.
size_t framesOf(const std::vector<uint32_t>& durations) {
    size_t frames = durations.empty() ? 0 : 1;
    for (size_t i = 1; i < durations.size(); i += 2) {
        frames += durations[i] >= ostrel::frameEndingSpace ? 1 : 0;
    }
    return frames;
}

void sendScancode(Protocol protocol, uint64_t value, CatalogEntry& entry) {
    const ostrel::protocols::ProtocolInfo& named = ostrel::protocols::infoOf(protocol);
    if (value > UINT32_MAX) {
        entry.refusal = std::string(named.name) + ":" + hex(value) + " has more than the 32 bits of a scancode";
        return;
    }
    ostrel::protocols::Scancode scancode = ostrel::protocols::normalised({protocol, static_cast<uint32_t>(value)});
    const ostrel::protocols::ProtocolInfo& info = ostrel::protocols::infoOf(scancode.protocol);
    if ((scancode.value & ~info.scancodeBits) != 0) {
        entry.refusal = ostrel::protocols::formatScancode(scancode) + " has bits outside " +
                        hex(info.scancodeBits) + ", the bits of " + std::string(info.name) + " scancodes";
        return;
    }
    entry.scancode = scancode;
    entry.signal.carrier = info.carrier;
    entry.signal.durations = ostrel::protocols::encodeScancode(scancode);
    entry.frames = info.frames;
}

// Where ir-ctl's convert_keycode looks for a keycode, first place first: its
// keymap list holds the first protocol entry, then the others from the last
// to the second (parse_toml_keymap inserts each after the first); within an
// entry it tries the raw codes, which it keeps from the last, before the
// scancodes, which it keeps in order.
using SearchRank = std::tuple<size_t, int, size_t>;

struct Definition {
    size_t entry;  // index into the catalog's entries
    SearchRank rank;
};

// Gives every entry its unique name (see keymap_catalog.h).
void nameEntries(Catalog& catalog, const std::vector<std::string>& keycodes, const std::vector<SearchRank>& ranks) {
    std::map<std::string, std::vector<Definition>> definitions;
    std::vector<std::string> order;  // keycodes in the order the file first has them
    for (size_t i = 0; i < keycodes.size(); ++i) {
        auto [found, added] = definitions.try_emplace(keycodes[i]);
        if (added) {
            order.push_back(keycodes[i]);
        }
        found->second.push_back({i, ranks[i]});
    }
    std::set<std::string> taken(keycodes.begin(), keycodes.end());
    for (const std::string& keycode : order) {
        const std::vector<Definition>& all = definitions[keycode];
        size_t first = std::min_element(all.begin(), all.end(), [](const Definition& a, const Definition& b) {
                           return a.rank < b.rank;
                       })->entry;
        unsigned number = 2;
        for (const Definition& definition : all) {
            std::string name = keycode;
            if (definition.entry != first) {
                do {
                    name = keycode + "#" + std::to_string(number++);
                } while (taken.count(name) != 0);
                taken.insert(name);
            }
            catalog.entries[definition.entry].name = std::move(name);
        }
    }
}

}  // namespace

Catalog readKeymap(const std::string& path, std::string_view text) {
    Catalog catalog;
    keymap::KeymapDocument document = keymap::readKeymapDocument(text);
    if (!document.ok()) {
        catalog.error = path + ":" + (document.errorLine != 0 ? std::to_string(document.errorLine) + ":" : "") +
                        " " + document.error;
        return catalog;
    }
    std::vector<std::string> keycodes;
    std::vector<SearchRank> ranks;
    size_t protocols = document.protocols.size();
    for (size_t p = 0; p < protocols; ++p) {
        const ProtocolEntry& protocol = document.protocols[p];
        EntryPlan plan = planOf(protocol);
        size_t searchPlace = p == 0 ? 0 : protocols - p;
        for (size_t r = 0; r < protocol.rawKeys.size(); ++r) {
            const keymap::RawKey& raw = protocol.rawKeys[r];
            CatalogEntry entry;
            entry.line = raw.line;
            entry.form = plan.form + " code";
            if (plan.kind == EntryPlan::Kind::raw) {
                entry.signal.carrier = plan.carrier;
                entry.signal.durations = raw.durations;
                entry.frames = framesOf(raw.durations);
                if (raw.durations.size() % 2 == 0) {
                    entry.refusal = "raw code of " + std::to_string(raw.durations.size()) +
                                    " values, which ends with a space: a LIRC device sends pulse first and last";
                }
            } else {
                entry.refusal = plan.refusal;
            }
            refuseIfUnsendable(entry);
            catalog.entries.push_back(std::move(entry));
            keycodes.push_back(raw.keycode);
            ranks.emplace_back(searchPlace, 0, protocol.rawKeys.size() - r);
        }
        for (size_t s = 0; s < protocol.scancodes.size(); ++s) {
            const keymap::ScancodeKey& key = protocol.scancodes[s];
            CatalogEntry entry;
            entry.line = key.line;
            entry.form = plan.form;
            switch (plan.kind) {
            case EntryPlan::Kind::scancode:
                sendScancode(plan.protocol, key.scancode, entry);
                break;
            case EntryPlan::Kind::bpf: {
                keymap::BpfFrame frame = keymap::encodeBpfFrame(protocol.protocol, protocol.parameters, key.scancode);
                entry.refusal = frame.refusal;
                entry.signal.carrier = plan.carrier;
                entry.signal.durations = std::move(frame.durations);
                entry.frames = 1;
                break;
            }
            case EntryPlan::Kind::raw:
            case EntryPlan::Kind::refused:
                entry.refusal = plan.refusal;
                break;
            }
            refuseIfUnsendable(entry);
            // The keymap's value, where the scancode sent does not show it as
            // it is: of a BPF protocol, refused, or made another value.
            if (!entry.scancode || entry.scancode->value != key.scancode) {
                entry.form += " scancode " + hex(key.scancode);
            }
            catalog.entries.push_back(std::move(entry));
            keycodes.push_back(key.keycode);
            ranks.emplace_back(searchPlace, 1, s);
        }
    }
    nameEntries(catalog, keycodes, ranks);
    return catalog;
}

}  // namespace irsignal
