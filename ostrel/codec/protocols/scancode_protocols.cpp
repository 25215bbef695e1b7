#include "ostrel/codec/protocols/scancode_protocols.h"

#include <array>

namespace ostrel::protocols {

namespace {

using enum Protocol;

// The masks are the scancode_bits of drivers/media/rc/rc-main.c (for
// xbox-dvd, which has no kernel encoder, ir-ctl's); the carriers those of
// the kernel's ir_raw_handler for the protocol (xbox-dvd: ir-ctl's).
// Sony receivers may act only on a code they have seen repeated; Sony
// remotes send every code at least three times, 45 ms from start to start.
constexpr std::array<ProtocolInfo, 18> table = {{
    {rc5, "rc5", 0x1f7f, 36000, 1, 0, true},
    {rc5x_20, "rc5x_20", 0x1f7f3f, 36000, 1, 0, true},
    {rc5_sz, "rc5_sz", 0x2fff, 36000, 1, 0, true},
    {sony12, "sony12", 0x1f007f, 40000, 3, 45000, false},
    {sony15, "sony15", 0xff007f, 40000, 3, 45000, false},
    {sony20, "sony20", 0x1fff7f, 40000, 3, 45000, false},
    {jvc, "jvc", 0xffff, 38000, 1, 0, false},
    {nec, "nec", 0xffff, 38000, 1, 0, false},
    {necx, "necx", 0xffffff, 38000, 1, 0, false},
    {nec32, "nec32", 0xffffffff, 38000, 1, 0, false},
    {sanyo, "sanyo", 0x1fffff, 38000, 1, 0, false},
    {rc6_0, "rc6_0", 0xffff, 36000, 1, 0, true},
    {rc6_6a_20, "rc6_6a_20", 0xfffff, 36000, 1, 0, false},
    {rc6_6a_24, "rc6_6a_24", 0xffffff, 36000, 1, 0, false},
    {rc6_6a_32, "rc6_6a_32", 0xffffffff, 36000, 1, 0, false},
    {rc6_mce, "rc6_mce", 0xffff7fff, 36000, 1, 0, true},
    {sharp, "sharp", 0x1fff, 38000, 1, 0, false},
    {xbox_dvd, "xbox-dvd", 0xfff, 38000, 1, 0, false},
}};

// The rest of ir-ctl's protocol names: it knows them, but has no encoder.
constexpr std::array<std::string_view, 10> namesWithoutEncoder = {
    "unknown", "other", "mcir2-kbd", "mcir2-mse", "xmp", "cec",
    "imon", "rc-mm-12", "rc-mm-24", "rc-mm-32"};

constexpr bool skipped(char c) { return c == ' ' || c == '-' || c == '_'; }

constexpr char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// ir-ctl's str_like: equal once blanks, "-" and "_" are skipped and case is
// ignored; a byte beyond ASCII matches nothing. As there, separators are
// skipped only while both names go on, so "nec_" is not "nec".
bool alike(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        while (i < a.size() && skipped(a[i])) {
            ++i;
        }
        while (j < b.size() && skipped(b[j])) {
            ++j;
        }
        char x = i < a.size() ? a[i] : '\0';
        char y = j < b.size() ? b[j] : '\0';
        if (static_cast<unsigned char>(x) >= 0x7f || static_cast<unsigned char>(y) >= 0x7f ||
            lower(x) != lower(y)) {
            return false;
        }
        ++i;
        ++j;
    }
    return i >= a.size() && j >= b.size();
}

}  // namespace

std::span<const ProtocolInfo> allProtocols() { return table; }

const ProtocolInfo& infoOf(Protocol protocol) { return table[static_cast<size_t>(protocol)]; }

NameLookup findProtocol(std::string_view name) {
    for (const ProtocolInfo& info : table) {
        if (alike(info.name, name)) {
            return {info.protocol, {}};
        }
    }
    for (std::string_view known : namesWithoutEncoder) {
        if (alike(known, name)) {
            return {std::nullopt, known};
        }
    }
    return {};
}

}  // namespace ostrel::protocols
