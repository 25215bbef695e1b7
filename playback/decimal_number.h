#pragma once

#include <cstdint>

// Reads a signed decimal number as the C library's atol does on a platform
// whose long has 32 bits: leading white space, one optional sign, then digits
// up to the first other character; no digits read as 0. The value is built
// modulo 2^32 and read back as a signed 32-bit number, so digit strings beyond
// the 32-bit range wrap around instead of saturating.
int32_t readDecimalNumber(const char* text);
