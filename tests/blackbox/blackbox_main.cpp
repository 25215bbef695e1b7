// Runs the black-box table against one target, named on the command line:
//   --programs=DIR   the folder of irplay and irrecord
//   --doubles=DIR    the folder that holds the test double's variants
// and, for the Windows programs under Wine instead of the native ones:
//   --wine=PATH                      wine64
//   --wine-prefix=DIR                the Wine prefix made for this test run
//   --wine-unprivileged-prefix=DIR   the prefix of the user the tests drop to
//   --share-holder=PATH              hold_unshared.exe
//   --run-seconds=N                  the most one run of a program may take (60)
// With --wine, a missing Wine loader or an empty --programs (no Windows build)
// makes the run exit with 77, which CTest reports as skipped.
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "tests/blackbox/program_target.h"

namespace {

constexpr int skippedStatus = 77;

bool installed(const std::string& path) {
    return !path.empty() && path.find("NOTFOUND") == std::string::npos &&
           std::filesystem::exists(path);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string programs;
    std::string doubles;
    std::optional<std::string> wine;
    WineSetup setup;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        auto take = [&](const std::string& option, std::string& value) {
            if (argument.compare(0, option.size(), option) != 0) {
                return false;
            }
            value = argument.substr(option.size());
            return true;
        };
        std::string wineValue;
        std::string secondsValue;
        if (take("--programs=", programs) || take("--doubles=", doubles) ||
            take("--wine-prefix=", setup.prefix) ||
            take("--wine-unprivileged-prefix=", setup.unprivilegedPrefix) ||
            take("--share-holder=", setup.shareHolder)) {
            continue;
        }
        if (take("--wine=", wineValue)) {
            wine = wineValue;
        } else if (take("--run-seconds=", secondsValue)) {
            setup.runSeconds = std::stoi(secondsValue);
        } else {
            std::cerr << "unknown argument " << argument << "\n";
            return 2;
        }
    }
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    if (wine) {
        if (!installed(*wine)) {
            std::cout << "skipped: " << *wine << " is not installed\n";
            return skippedStatus;
        }
        if (programs.empty()) {
            std::cout << "skipped: no Windows build (no MinGW-w64, or IRTOOLS_WINDOWS_BUILDS is off)\n";
            return skippedStatus;
        }
    }
    if (programs.empty() || doubles.empty() || (wine && setup.prefix.empty())) {
        std::cerr << "usage: " << argv[0]
                  << " --programs=DIR --doubles=DIR [--wine=PATH --wine-prefix=DIR"
                     " [--wine-unprivileged-prefix=DIR] [--share-holder=PATH]]\n";
        return 2;
    }
    if (wine) {
        setup.wine = *wine;
        setup.programs = programs;
        setup.doubles = doubles;
        chooseTarget(wineTarget(setup));
    } else {
        chooseTarget(nativeTarget(programs, doubles));
    }
    return RUN_ALL_TESTS();
}
