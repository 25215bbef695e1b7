#include "emulator/src/errno_names.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <utility>

namespace lirc_emulator {

namespace {

// The errors a transmitting driver or the kernel around it can give to write(2).
constexpr std::array<std::pair<std::string_view, int>, 22> kNames{{
    {"EIO", EIO},         {"EINTR", EINTR},       {"ENODEV", ENODEV},   {"ENXIO", ENXIO},
    {"EBUSY", EBUSY},     {"EAGAIN", EAGAIN},     {"ENOMEM", ENOMEM},   {"EINVAL", EINVAL},
    {"ETIMEDOUT", ETIMEDOUT}, {"EPIPE", EPIPE},   {"ENOSPC", ENOSPC},   {"EFAULT", EFAULT},
    {"EPERM", EPERM},     {"EACCES", EACCES},     {"ENOTTY", ENOTTY},   {"EPROTO", EPROTO},
    {"ESHUTDOWN", ESHUTDOWN}, {"ENOENT", ENOENT}, {"EBADF", EBADF},     {"ECOMM", ECOMM},
    {"EOVERFLOW", EOVERFLOW}, {"ENOBUFS", ENOBUFS},
}};

}  // namespace

std::optional<int> errnoFromName(std::string_view name) {
    for (const auto& [known, value] : kNames) {
        if (known == name) {
            return value;
        }
    }
    // A plain number is taken as the errno value itself.
    int value = 0;
    auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), value);
    if (error == std::errc{} && end == name.data() + name.size() && value > 0) {
        return value;
    }
    return std::nullopt;
}

}  // namespace lirc_emulator
