#include "irsignal/lircd/lircd_conf_layout.h"

#include <strings.h>

namespace irsignal::lircd {
namespace {

// LIRC's reader takes a line with fgets into a buffer of 4096 bytes: at most
// 4095 bytes, the '\n' included, make one line; it reads a longer line as
// several.
constexpr size_t longestLine = 4095;

struct Line {
    std::string_view content;  // without its '\n', nor the '\r' before it
    std::string_view whole;    // with its '\n', if any
};

// Calls visit(number, line) for each line of the text, as LIRC's reader cuts
// it: at each '\n', the last line without one counting too. The '\r' of a
// "\r\n" goes, as LIRC drops it; a last line without '\n' keeps its '\r', as
// LIRC keeps it.
template <typename Visit>
void forEachLine(std::string_view text, Visit visit) {
    size_t number = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        bool ended = end != std::string_view::npos;
        size_t stop = ended ? end : text.size();
        Line line{text.substr(start, stop - start), text.substr(start, (ended ? stop + 1 : stop) - start)};
        if (ended && !line.content.empty() && line.content.back() == '\r') {
            line.content.remove_suffix(1);
        }
        if (!visit(++number, line)) {
            return;
        }
        start = line.whole.size() + start;
    }
}

std::vector<std::string_view> wordsOf(std::string_view content) {
    std::vector<std::string_view> words;
    if (!content.empty() && content.front() == '#') {
        return words;
    }
    size_t at = 0;
    while (at < content.size()) {
        at = content.find_first_not_of(" \t", at);
        if (at == std::string_view::npos) {
            break;
        }
        size_t end = content.find_first_of(" \t", at);
        if (end == std::string_view::npos) {
            end = content.size();
        }
        words.push_back(content.substr(at, end - at));
        at = end;
    }
    return words;
}

bool is(std::string_view word, const char* keyword) {
    std::string_view expected(keyword);
    return word.size() == expected.size() && strncasecmp(word.data(), keyword, word.size()) == 0;
}

enum class Section { none, remote, codes, rawCodes };

class LayoutBuilder {
public:
    explicit LayoutBuilder(LircdConfLayout& layout) : layout_(layout) {}

    void take(size_t number, const Line& line, size_t offset) {
        if (line.content.find('\0') != std::string_view::npos) {
            note(number, number, "a NUL byte: not a text file");
        } else if (line.whole.size() > longestLine) {
            note(number, number,
                 "a line of " + std::to_string(line.whole.size()) + " bytes, longer than the " +
                     std::to_string(longestLine) + " LIRC reads as one line");
        }
        std::vector<std::string_view> words = wordsOf(line.content);
        if (words.size() < 2) {
            return;  // a value of a raw code, or an error LIRC reports
        }
        std::string_view key = words[0];
        std::string_view value = words[1];
        if (is(key, "include")) {
            note(number, number, "\"include\" of another file, which irsignal does not follow: name that file");
            return;
        }
        if ((is(key, "begin") && begin(number, value)) || (is(key, "end") && end(number, value))) {
            return;
        }
        if (section_ == Section::remote && is(key, "name")) {
            current().name = value;
        } else if (section_ == Section::remote && is(key, "driver")) {
            layout_.driverLineOffsets.push_back(offset);
        } else if (section_ == Section::codes) {
            current().buttons.push_back({std::string(key), number});
        } else if (section_ == Section::rawCodes && is(key, "name")) {
            current().buttons.push_back({std::string(value), number});
        }
    }

    void finish() {
        if (section_ != Section::none) {
            layout_.openSectionLine = sectionLine_;
            layout_.openSection = section_ == Section::remote ? "begin remote"
                                  : section_ == Section::codes ? "begin codes"
                                                               : "begin raw_codes";
        }
    }

private:
    // A "begin" line that opens a section; false for a button named "begin".
    bool begin(size_t number, std::string_view value) {
        if (is(value, "remote")) {
            if (section_ == Section::none) {
                layout_.remotes.push_back({});
                layout_.remotes.back().beginLine = number;
                enter(Section::remote, number);
            }
        } else if (is(value, "codes") || is(value, "raw_codes")) {
            if (section_ == Section::remote) {
                current().hasCodes = true;
                enter(is(value, "codes") ? Section::codes : Section::rawCodes, number);
            }
        } else {
            return false;
        }
        return true;
    }

    // An "end" line that closes a section; false for a button named "end".
    bool end(size_t number, std::string_view value) {
        if (is(value, "remote")) {
            if (section_ == Section::remote) {
                RemotePlace& remote = current();
                remote.endLine = number;
                if (!remote.hasCodes) {
                    // liblirc takes a raw-codes remote without codes and then
                    // crashes on it: LIRC must not read past its last line.
                    note(remote.beginLine, number,
                         "remote " + (remote.name.empty() ? std::string("without a name") : remote.name) +
                             " has no codes");
                }
                enter(Section::none, 0);
            }
        } else if (is(value, "codes") || is(value, "raw_codes")) {
            if (section_ == Section::codes || section_ == Section::rawCodes) {
                enter(Section::remote, current().beginLine);
            }
        } else {
            return false;
        }
        return true;
    }

    void enter(Section section, size_t line) {
        section_ = section;
        sectionLine_ = line;
    }

    RemotePlace& current() { return layout_.remotes.back(); }

    void note(size_t line, size_t cutLine, std::string reason) {
        if (layout_.obstacle.line == 0) {
            layout_.obstacle = {line, cutLine, std::move(reason)};
        }
    }

    LircdConfLayout& layout_;
    Section section_ = Section::none;
    size_t sectionLine_ = 0;
};

}  // namespace

LircdConfLayout layoutOf(std::string_view text) {
    LircdConfLayout layout;
    LayoutBuilder builder(layout);
    forEachLine(text, [&](size_t number, const Line& line) {
        builder.take(number, line, static_cast<size_t>(line.whole.data() - text.data()));
        return true;
    });
    builder.finish();
    return layout;
}

std::vector<std::string_view> wordsOfLine(std::string_view text, size_t line) {
    std::vector<std::string_view> words;
    forEachLine(text, [&](size_t number, const Line& each) {
        if (number == line) {
            words = wordsOf(each.content);
        }
        return number < line;
    });
    return words;
}

std::string_view linesOf(std::string_view text, size_t first, size_t last) {
    size_t begin = text.size();
    size_t end = text.size();
    forEachLine(text, [&](size_t number, const Line& line) {
        size_t offset = static_cast<size_t>(line.whole.data() - text.data());
        if (number == first) {
            begin = offset;
        }
        if (number == last + 1) {
            end = offset;
            return false;
        }
        return true;
    });
    return text.substr(begin, end - begin);
}

}  // namespace irsignal::lircd
