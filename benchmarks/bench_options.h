// The command line of the process benchmarks: --runs N and --markdown FILE,
// and at most one option of a benchmark's own that takes a value.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace bench {

struct Options {
    int runs;              // holds the default until read
    std::string markdown;  // empty: the tables go to standard output
    std::string own;       // the value of the benchmark's own option; holds its default
};

// Reads the command line into options. ownOption ("--device") and ownValue
// ("PATH") name the benchmark's own option, or are null. On an option it does
// not know, or --runs under 1, prints why and returns false.
inline bool readOptions(int argc, char** argv, const char* program, const char* ownOption,
                        const char* ownValue, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--runs" && i + 1 < argc) {
            options.runs = std::atoi(argv[++i]);
        } else if (option == "--markdown" && i + 1 < argc) {
            options.markdown = argv[++i];
        } else if (ownOption != nullptr && option == ownOption && i + 1 < argc) {
            options.own = argv[++i];
        } else {
            std::string own = ownOption != nullptr ? std::string(" [") + ownOption + " " + ownValue + "]" : "";
            std::fprintf(stderr, "usage: %s [--runs N] [--markdown FILE]%s\n", program, own.c_str());
            return false;
        }
    }
    if (options.runs < 1) {
        std::fprintf(stderr, "%s: --runs needs a number of at least 1\n", program);
        return false;
    }
    return true;
}

}  // namespace bench
