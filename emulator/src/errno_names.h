// Translates an errno name such as "EIO" into its value, for LIRC_EMULATOR_WRITE_ERROR.
#pragma once

#include <optional>
#include <string_view>

namespace lirc_emulator {

std::optional<int> errnoFromName(std::string_view name);

}  // namespace lirc_emulator
