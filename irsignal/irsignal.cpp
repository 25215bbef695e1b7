// irsignal: lists, extracts, shows and compares the signals of files of
// codes (Flipper IR files, lircd.conf remotes, kernel keymaps, and every
// one-signal form irplay reads).
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "irsignal/commands/commands.h"

namespace {

constexpr char usage[] =
    "usage: irsignal list FILE...\n"
    "       irsignal extract SIGNAL [-o OUT]\n"
    "       irsignal show SIGNAL [--svg OUT.svg]\n"
    "       irsignal compare SIGNAL SIGNAL\n"
    "SIGNAL is FILE, a file of one signal, or FILE#NAME, NAME as list prints it.\n"
    "FILE is a Flipper IR file, a lircd.conf file, a kernel keymap (TOML) or a\n"
    "file irplay plays. See irsignal(1).\n";

int usageError(const std::string& why) {
    std::fprintf(stderr, "irsignal: %s\n%s", why.c_str(), usage);
    return irsignal::exitUsage;
}

struct CommandLine {
    std::vector<std::string> operands;
    std::optional<std::string> output;  // -o OUT
    std::optional<std::string> svg;     // --svg OUT.svg
    std::string error;                  // what is wrong with it
};

// The words after the command: operands, and the option the command takes
// (optionName, "-o" or "--svg"; none when null), anywhere among them; "--"
// makes every word after it an operand.
CommandLine readArguments(int argc, char** argv, const char* optionName) {
    CommandLine line;
    bool options = true;
    for (int i = 2; i < argc; ++i) {
        std::string word = argv[i];
        if (options && word == "--") {
            options = false;
        } else if (options && optionName && word == optionName) {
            if (i + 1 == argc) {
                line.error = word + " needs a file name";
                return line;
            }
            std::optional<std::string>& value = std::string_view(optionName) == "-o" ? line.output : line.svg;
            if (value) {
                line.error = word + " given twice";
                return line;
            }
            value = argv[++i];
        } else if (options && optionName && std::string_view(optionName) == "--svg" &&
                   word.starts_with("--svg=")) {
            if (line.svg) {
                line.error = "--svg given twice";
                return line;
            }
            line.svg = word.substr(6);
        } else if (options && word.size() > 1 && word.front() == '-') {
            line.error = "unknown option " + word;
            return line;
        } else {
            line.operands.push_back(std::move(word));
        }
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return usageError("which command: list, extract, show or compare?");
    }
    std::string command = argv[1];
    if (command == "-h" || command == "--help" || command == "help") {
        return irsignal::writeStandardOutput(usage) ? irsignal::exitDone : irsignal::exitFailed;
    }
    if (command == "--version") {
        return irsignal::writeStandardOutput("irsignal " IRSIGNAL_VERSION "\n") ? irsignal::exitDone
                                                                               : irsignal::exitFailed;
    }
    const char* option = command == "extract" ? "-o" : command == "show" ? "--svg" : nullptr;
    CommandLine line = readArguments(argc, argv, option);
    if (command != "list" && command != "extract" && command != "show" && command != "compare") {
        return usageError("unknown command " + command);
    }
    if (!line.error.empty()) {
        return usageError(line.error);
    }
    const std::vector<std::string>& operands = line.operands;
    if (command == "list") {
        if (operands.empty()) {
            return usageError("list needs a FILE");
        }
        return irsignal::listCommand(operands);
    }
    if (command == "compare") {
        if (operands.size() != 2) {
            return usageError("compare takes two SIGNALs");
        }
        return irsignal::compareCommand(operands[0], operands[1]);
    }
    if (operands.size() != 1) {
        return usageError(command + " takes one SIGNAL");
    }
    if (command == "extract") {
        return irsignal::extractCommand(operands[0], line.output);
    }
    return irsignal::showCommand(operands[0], line.svg);
}
