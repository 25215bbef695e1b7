// Where the remotes and buttons of a lircd.conf are, line by line, and the
// lines LIRC's reader must not be given. The lines are split into words as
// LIRC's reader splits them (liblirc's config_file.c: lines end at '\n', a
// '#' in the first column makes a comment, words are separated by spaces and
// tabs, keywords are matched without regard to case). No value is read here:
// LIRC reads the file, and this only gives the catalog the lines LIRC does
// not keep.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace irsignal::lircd {

struct ButtonPlace {
    std::string name;
    size_t line = 0;  // 1-based
};

struct RemotePlace {
    size_t beginLine = 0;   // its "begin remote"
    size_t endLine = 0;     // its "end remote"; 0 when the file ends first
    std::string name;       // the word of its last "name" line; empty without one
    bool hasCodes = false;  // it has a "begin codes" or "begin raw_codes"
    std::vector<ButtonPlace> buttons;  // in the file's order
};

// A line LIRC's reader is not given, because of what liblirc 0.10 does with
// it: reads another file (include), crashes (a raw-codes remote without
// codes) or reads it differently from the file (a NUL byte ends its line
// early, a line of more than 4095 bytes is read as several lines).
struct Obstacle {
    size_t line = 0;     // where it is, 1-based; 0 when there is none
    size_t cutLine = 0;  // the first line LIRC must not read because of it
    std::string reason;
};

struct LircdConfLayout {
    std::vector<RemotePlace> remotes;  // in the file's order
    Obstacle obstacle;                 // the first one in the file
    // Where each "driver" line of a remote begins in the text (the byte of its
    // first character). LIRC's reader keeps the driver's name, which its
    // sender does not use, and frees it nowhere.
    std::vector<size_t> driverLineOffsets;
    // The "begin" line of the section the file ends in (0 when it ends outside
    // any), and that section's keyword: "begin remote", "begin codes", ...
    size_t openSectionLine = 0;
    std::string openSection;
};

LircdConfLayout layoutOf(std::string_view text);

// The words of a line (1-based) as LIRC's reader splits them; none past the end.
std::vector<std::string_view> wordsOfLine(std::string_view text, size_t line);

// The text of lines [first, last] (1-based), each with its '\n'.
std::string_view linesOf(std::string_view text, size_t first, size_t last);

}  // namespace irsignal::lircd
