// The scancodes the tests send through irplay, ir-ctl and the kernel.
#pragma once

#include <string>

namespace scancode_cases {

// Per protocol the lowest, the highest and a typical scancode (xbox-dvd
// last).
inline constexpr const char* threeOfEachProtocol[] = {
    "rc5:0x0", "rc5:0x1f7f", "rc5:0x1e01", "rc5x_20:0x0", "rc5x_20:0x1f7f3f", "rc5x_20:0x10203",
    "rc5_sz:0x0", "rc5_sz:0x2fff", "rc5_sz:0x2a3c", "jvc:0x0", "jvc:0xffff", "jvc:0x1234",
    "sony12:0x0", "sony12:0x1f007f", "sony12:0x10015", "sony15:0x0", "sony15:0xff007f",
    "sony15:0x970045", "sony20:0x0", "sony20:0x1fff7f", "sony20:0x1a2b3c", "nec:0x0", "nec:0xffff",
    "nec:0x408", "necx:0x0", "necx:0xffffff", "necx:0x123456", "nec32:0x0", "nec32:0xffffffff",
    "nec32:0x12345678", "sanyo:0x0", "sanyo:0x1fffff", "sanyo:0x12345", "rc6_0:0x0", "rc6_0:0xffff",
    "rc6_0:0x800c", "rc6_6a_20:0x0", "rc6_6a_20:0xfffff", "rc6_6a_20:0x12345", "rc6_6a_24:0x0",
    "rc6_6a_24:0xffffff", "rc6_6a_24:0x123456", "rc6_6a_32:0x0", "rc6_6a_32:0xffffffff",
    "rc6_6a_32:0x12345678", "rc6_mce:0x800f0000", "rc6_mce:0x800f7fff", "rc6_mce:0x800f040c",
    "sharp:0x0", "sharp:0x1fff", "sharp:0xa5c", "xbox-dvd:0x0", "xbox-dvd:0xfff", "xbox-dvd:0xa5a"};

// The typical one of each protocol.
inline constexpr const char* oneOfEachProtocol[] = {
    "rc5:0x1e01", "rc5x_20:0x10203", "rc5_sz:0x2a3c", "jvc:0x1234", "sony12:0x10015",
    "sony15:0x970045", "sony20:0x1a2b3c", "nec:0x408", "necx:0x123456", "nec32:0x12345678",
    "sanyo:0x12345", "rc6_0:0x800c", "rc6_6a_20:0x12345", "rc6_6a_24:0x123456",
    "rc6_6a_32:0x12345678", "rc6_mce:0x800f040c", "sharp:0xa5c", "xbox-dvd:0xa5a"};

// "rc6_mce_0x800f040c" of "rc6_mce:0x800f040c", a name gtest takes.
inline std::string testName(std::string scancode) {
    for (char& c : scancode) {
        bool alphanumeric = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        c = alphanumeric ? c : '_';
    }
    return scancode;
}

}  // namespace scancode_cases
