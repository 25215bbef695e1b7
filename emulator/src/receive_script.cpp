#include "emulator/src/receive_script.h"

#include <charconv>
#include <optional>

#include <linux/lirc.h>

namespace lirc_emulator {

namespace {

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> found;
    size_t at = 0;
    while (at < line.size()) {
        size_t start = line.find_first_not_of(" \t\r", at);
        if (start == std::string_view::npos) {
            break;
        }
        size_t stop = line.find_first_of(" \t\r", start);
        found.push_back(line.substr(start, stop == std::string_view::npos ? stop : stop - start));
        at = stop == std::string_view::npos ? line.size() : stop;
    }
    return found;
}

std::optional<uint64_t> number(std::string_view text) {
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

Directive sample(uint32_t type, uint64_t value) {
    Directive directive;
    directive.sample = type | static_cast<uint32_t>(value > LIRC_VALUE_MASK ? LIRC_VALUE_MASK : value);
    return directive;
}

// The directive on one line, or a reason it is not one.
std::optional<Directive> directiveFor(const std::vector<std::string_view>& line, std::string& problem) {
    std::string_view keyword = line[0];
    struct Plain {
        std::string_view keyword;
        DirectiveKind kind;
    };
    static constexpr Plain kPlain[] = {
        {"end", DirectiveKind::End},
        {"unplug", DirectiveKind::Unplug},
        {"flood", DirectiveKind::Flood},
        {"await-reader", DirectiveKind::AwaitReader}};
    for (const Plain& plain : kPlain) {
        if (keyword == plain.keyword) {
            Directive directive;
            directive.kind = plain.kind;
            return directive;
        }
    }
    if (keyword == "overflow") {
        // lirc_dev sends LIRC_OVERFLOW(LIRC_VALUE_MASK).
        return sample(LIRC_MODE2_OVERFLOW, LIRC_VALUE_MASK);
    }

    struct Valued {
        std::string_view keyword;
        uint32_t type;
    };
    static constexpr Valued kValued[] = {{"pulse", LIRC_MODE2_PULSE},
                                         {"space", LIRC_MODE2_SPACE},
                                         {"timeout", LIRC_MODE2_TIMEOUT},
                                         {"carrier", LIRC_MODE2_FREQUENCY}};
    bool isWait = keyword == "wait";
    const Valued* valued = nullptr;
    for (const Valued& candidate : kValued) {
        if (keyword == candidate.keyword) {
            valued = &candidate;
        }
    }
    if (!isWait && valued == nullptr) {
        problem = std::string("unknown directive '").append(keyword).append("'");
        return std::nullopt;
    }
    std::optional<uint64_t> value = line.size() == 2 ? number(line[1]) : std::nullopt;
    if (!value) {
        problem = std::string("'").append(keyword).append("' needs one number");
        return std::nullopt;
    }
    if (isWait) {
        Directive directive;
        directive.kind = DirectiveKind::Wait;
        directive.waitMicroseconds = static_cast<int64_t>(*value) * 1000;
        return directive;
    }
    return sample(valued->type, *value);
}

}  // namespace

ReceiveScript parseReceiveScript(std::string_view text) {
    ReceiveScript script;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        line = line.substr(0, line.find('#'));
        std::vector<std::string_view> parts = words(line);
        if (parts.empty()) {
            continue;
        }
        std::string problem;
        if (std::optional<Directive> directive = directiveFor(parts, problem)) {
            script.directives.push_back(*directive);
        } else {
            script.problems.push_back("line " + std::to_string(lineNumber) + ": " + problem);
        }
    }
    return script;
}

}  // namespace lirc_emulator
