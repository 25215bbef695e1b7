// Runs the black-box table against one target, named on the command line:
//   --programs=DIR   the folder of irplay and irrecord
//   --doubles=DIR    the folder that holds the test double's variants
#include <cstring>
#include <iostream>
#include <string>

#include <gtest/gtest.h>

#include "program_target.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string programs;
    std::string doubles;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        auto value = [&](const char* option) -> bool {
            size_t length = strlen(option);
            return argument.compare(0, length, option) == 0;
        };
        if (value("--programs=")) {
            programs = argument.substr(11);
        } else if (value("--doubles=")) {
            doubles = argument.substr(10);
        } else {
            std::cerr << "unknown argument " << argument << "\n";
            return 2;
        }
    }
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    if (programs.empty() || doubles.empty()) {
        std::cerr << "usage: " << argv[0] << " --programs=DIR --doubles=DIR\n";
        return 2;
    }
    chooseTarget(nativeTarget(programs, doubles));
    return RUN_ALL_TESTS();
}
