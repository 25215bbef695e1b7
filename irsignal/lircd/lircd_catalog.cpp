#include "irsignal/lircd/lircd_catalog.h"

#include <unordered_set>
#include <utility>

// liblirc's headers use FILE without including <stdio.h>.
#include <cstdio>
#include <lirc/ir_remote.h>

#include "irsignal/catalog/sendable_entry.h"
#include "irsignal/lircd/lirc_encoding.h"
#include "irsignal/lircd/lirc_library.h"
#include "irsignal/lircd/lirc_read_failure.h"
#include "irsignal/lircd/lirc_send_once.h"
#include "irsignal/lircd/lircd_conf_layout.h"

namespace irsignal {
namespace {

using lircd::LircdConfLayout;
using lircd::LircSession;
using lircd::RemoteList;
using lircd::RemotePlace;

Catalog failed(const std::string& path, size_t line, const std::string& reason) {
    Catalog catalog;
    catalog.error = path;
    if (line != 0) {
        catalog.error.append(":").append(std::to_string(line));
    }
    catalog.error.append(": ").append(reason);
    return catalog;
}

size_t countOf(const ir_remote* remotes) {
    size_t count = 0;
    for (; remotes != nullptr; remotes = remotes->next) {
        ++count;
    }
    return count;
}

// A remote as LIRC read it, and where it is in the file.
struct PlacedRemote {
    RemoteList remote;
    const RemotePlace* place = nullptr;
};

// Each remote of the file as LIRC reads it, in the file's order. LIRC's
// reader sorts the remotes of a file by their length of code, and keeps no
// line: a file of several remotes is read a remote at a time, each from its
// own lines, which LIRC reads as it reads them in the whole file.
std::vector<PlacedRemote> placeRemotes(LircSession& session, RemoteList all, const LircdConfLayout& layout,
                                       std::string_view text, const std::string& path) {
    std::vector<PlacedRemote> placed;
    if (layout.remotes.size() == 1) {
        placed.push_back({std::move(all), &layout.remotes.front()});
        return placed;
    }
    all.reset();
    for (const RemotePlace& place : layout.remotes) {
        RemoteList one = lircd::readRemotes(session, lircd::linesOf(text, place.beginLine, place.endLine), path);
        if (countOf(one.get()) != 1) {
            return {};
        }
        placed.push_back({std::move(one), &place});
    }
    return placed;
}

void assignSignal(CatalogEntry& entry, const ir_remote& remote, lircd::SentCode sent) {
    if (!sent.refusal.empty()) {
        entry.refusal = entry.form + ": " + sent.refusal;
        return;
    }
    entry.signal.carrier = remote.freq;  // 0 is LIRC's and our unmodulated
    if (remote.duty_cycle != 0) {
        entry.signal.dutyCycle = remote.duty_cycle;
    }
    entry.signal.durations = std::move(sent.durations);
    entry.frames = sent.frames;
    if (!ostrel::isWellFormed(entry.signal)) {
        entry.signal = {};
        entry.frames = 0;
        entry.refusal = entry.form + ": LIRC's sender makes no well-formed signal of it";
    }
}

void addButtons(LircSession& session, ir_remote& remote, const RemotePlace& place,
                std::vector<CatalogEntry>& entries) {
    std::string form = lircd::formOf(remote);
    std::string refusal = lircd::remoteRefusal(remote);
    uint64_t toggleStateAsRead = remote.toggle_bit_mask_state;
    for (size_t index = 0; remote.codes != nullptr && remote.codes[index].name != nullptr; ++index) {
        ir_ncode& code = remote.codes[index];
        CatalogEntry entry;
        entry.name = std::string(remote.name) + ":" + code.name;
        bool placed = index < place.buttons.size() && place.buttons[index].name == code.name;
        entry.line = placed ? place.buttons[index].line : place.beginLine;
        entry.form = form;
        if (!refusal.empty()) {
            entry.refusal = form + ": " + refusal;
        } else {
            assignSignal(entry, remote, lircd::sendOnce(session, remote, code, toggleStateAsRead));
        }
        entries.push_back(std::move(entry));
    }
}

// Names met again get "#2", "#3", ...; with one remote, each button is also
// named by itself, where that names no other entry.
void makeNamesUnique(std::vector<CatalogEntry>& entries, const std::string* onlyRemote) {
    std::unordered_set<std::string> taken;
    for (CatalogEntry& entry : entries) {
        std::string name = entry.name;
        for (size_t count = 2; !taken.insert(name).second; ++count) {
            name = entry.name + "#" + std::to_string(count);
        }
        entry.name = std::move(name);
    }
    if (onlyRemote == nullptr) {
        return;
    }
    for (CatalogEntry& entry : entries) {
        std::string alias = entry.name.substr(onlyRemote->size() + 1);
        if (taken.insert(alias).second) {
            entry.aliases.push_back(std::move(alias));
        }
    }
}

// The text with its remotes' "driver" lines made comments, so that LIRC's
// reader, which leaks the driver's name when it refuses a file, never reads
// one: its sender does not use it.
std::string withoutDrivers(std::string_view text, const LircdConfLayout& layout) {
    std::string copy(text);
    for (size_t offset : layout.driverLineOffsets) {
        copy[offset] = '#';
    }
    return copy;
}

}  // namespace

Catalog readLircdConf(const std::string& path, std::string_view original) {
    LircdConfLayout layout = lircd::layoutOf(original);
    std::string copy;
    std::string_view text = original;
    if (!layout.driverLineOffsets.empty()) {
        copy = withoutDrivers(original, layout);
        text = copy;
    }
    LircSession session;
    if (layout.obstacle.line != 0) {
        // What LIRC finds wrong before the obstacle comes first.
        lircd::readRemotes(session, lircd::linesOf(text, 1, layout.obstacle.cutLine - 1), path);
        std::vector<std::string> errors = session.takeErrors();
        if (!lircd::endedInsideSection(errors)) {
            lircd::ReadFailure failure = lircd::describeReadFailure(errors, layout, text);
            return failed(path, failure.line, failure.reason);
        }
        return failed(path, layout.obstacle.line, layout.obstacle.reason);
    }
    RemoteList all = lircd::readRemotes(session, text, path);
    std::vector<std::string> errors = session.takeErrors();
    if (!all) {
        if (errors.empty()) {
            return failed(path, 0, "no remote in it (\"begin remote\" ... \"end remote\"): not a lircd.conf");
        }
        lircd::ReadFailure failure = lircd::describeReadFailure(errors, layout, text);
        return failed(path, failure.line, failure.reason);
    }
    size_t count = countOf(all.get());
    if (count != layout.remotes.size()) {
        return failed(path, 0,
                      "LIRC reads " + std::to_string(count) + " remotes where its lines have " +
                          std::to_string(layout.remotes.size()));
    }
    std::vector<PlacedRemote> remotes = placeRemotes(session, std::move(all), layout, text, path);
    if (remotes.size() != count) {
        return failed(path, 0, "LIRC reads its remotes only together");
    }
    Catalog catalog;
    for (PlacedRemote& remote : remotes) {
        addButtons(session, *remote.remote, *remote.place, catalog.entries);
    }
    std::string onlyRemote = count == 1 ? std::string(remotes.front().remote->name) : std::string();
    makeNamesUnique(catalog.entries, count == 1 ? &onlyRemote : nullptr);
    refuseUnsendable(catalog.entries);
    return catalog;
}

}  // namespace irsignal
