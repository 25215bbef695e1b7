#include "irsignal/lircd/lirc_read_failure.h"

#include <charconv>

namespace irsignal::lircd {
namespace {

// The number at the start of text ("12:" gives 12), 0 when there is none.
size_t leadingNumber(std::string_view text) {
    size_t number = 0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

// LIRC's reason as it words it, but for its one misspelling.
std::string inOurWords(std::string_view reason) {
    std::string words(reason);
    if (size_t at = words.find("definiton"); at != std::string::npos) {
        words.replace(at, 9, "definition");
    }
    return words;
}

// LIRC finds a raw code of an even number of values at the line after them:
// the line is that of the code's "name".
ReadFailure evenRawCode(const LircdConfLayout& layout, size_t line) {
    ReadFailure failure{line, "a raw code of an even number of values: it must end with a pulse"};
    for (const RemotePlace& remote : layout.remotes) {
        for (const ButtonPlace& button : remote.buttons) {
            if (button.line < line) {
                failure = {button.line, "raw code " + button.name +
                                            " has an even number of values: it must end with a pulse"};
            }
        }
    }
    return failure;
}

ReadFailure remoteWithout(const LircdConfLayout& layout, bool name) {
    for (const RemotePlace& remote : layout.remotes) {
        if (remote.endLine == 0) {
            break;  // LIRC checks a remote at its end
        }
        if (name && remote.name.empty()) {
            return {remote.beginLine, "remote without a name"};
        }
        if (!name && !remote.hasCodes) {
            return {remote.beginLine, "remote " + remote.name + " has no codes"};
        }
    }
    return {0, name ? "a remote without a name" : "a remote without codes"};
}

ReadFailure endedInside(const LircdConfLayout& layout) {
    if (layout.openSectionLine == 0) {
        return {0, "unexpected end of file"};
    }
    std::string closing = "end" + layout.openSection.substr(5);
    return {layout.openSectionLine, "\"" + layout.openSection + "\" without its \"" + closing + "\""};
}

}  // namespace

ReadFailure describeReadFailure(const std::vector<std::string>& errors, const LircdConfLayout& layout,
                                std::string_view text) {
    for (size_t index = 0; index < errors.size(); ++index) {
        std::string_view message(errors[index]);
        for (std::string_view lead : {"error in configfile line ", "fatal error in configfile line "}) {
            if (!message.starts_with(lead)) {
                continue;
            }
            size_t line = leadingNumber(message.substr(lead.size()));
            if (message.ends_with(":") && index + 1 < errors.size()) {
                if (errors[index + 1] == "bad signal length") {
                    return evenRawCode(layout, line);
                }
                return {line, inOurWords(errors[index + 1])};
            }
            // A line of one word where a keyword and its value belong.
            std::vector<std::string_view> words = wordsOfLine(text, line);
            std::string word = words.empty() ? std::string() : std::string(words.front());
            return {line, "\"" + word + "\" alone: a keyword and its value belong on a line"};
        }
        if (constexpr std::string_view lead = "no name for signal defined at line "; message.starts_with(lead)) {
            return {leadingNumber(message.substr(lead.size())), "values of a raw code before its \"name\" line"};
        }
        if (constexpr std::string_view lead = "line "; message.starts_with(lead) && message.ends_with(" too long in config file")) {
            return {leadingNumber(message.substr(lead.size())), "line too long for LIRC"};
        }
        if (message.ends_with(": Missing remote name")) {
            return remoteWithout(layout, true);
        }
        if (message.ends_with(": No codes")) {
            return remoteWithout(layout, false);
        }
        if (message == "unexpected end of file") {
            return endedInside(layout);
        }
        if (message.starts_with("reading of file ")) {
            continue;  // the summary after the error itself
        }
        return {0, inOurWords(message)};
    }
    return {0, "LIRC cannot read it as a lircd.conf"};
}

bool endedInsideSection(const std::vector<std::string>& errors) {
    for (const std::string& error : errors) {
        if (error != "unexpected end of file" && !error.starts_with("reading of file ")) {
            return false;
        }
    }
    return true;
}

}  // namespace irsignal::lircd
