// The tables of signal files read and refused, shared by the tests of each
// form: a file and the signal it reads to, or the line and reason it is
// refused with (signal_file_reader_test.cpp runs them).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {

struct GoodFile {
    const char* name;
    std::string text;
    std::vector<uint32_t> durations;
    std::optional<uint32_t> carrier = std::nullopt;
    std::optional<uint32_t> dutyCycle = std::nullopt;
};

class ReadsGoodFile : public ::testing::TestWithParam<GoodFile> {};

struct BadFile {
    const char* name;
    std::string text;
    size_t line;
    std::string reason;
};

class RefusesBadFile : public ::testing::TestWithParam<BadFile> {};

}  // namespace ostrel
