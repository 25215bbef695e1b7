// Why LIRC's reader refused a lircd.conf, from the errors it logged, as a
// line of the file and a reason. liblirc names the line of most errors; for
// the others (a remote without a name, the file ending inside a section) the
// line comes from the file's layout.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "irsignal/lircd/lircd_conf_layout.h"

namespace irsignal::lircd {

struct ReadFailure {
    size_t line = 0;  // 1-based; 0 when no line can be named
    std::string reason;
};

ReadFailure describeReadFailure(const std::vector<std::string>& errors, const LircdConfLayout& layout,
                                std::string_view text);

// True when liblirc's errors say only that the text ended inside a section.
bool endedInsideSection(const std::vector<std::string>& errors);

}  // namespace irsignal::lircd
