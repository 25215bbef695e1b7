#include "emulator/src/transmit_log.h"

#include <cstdio>

namespace lirc_emulator {

std::string transmitLogLine(uint32_t carrier, uint32_t dutyCycle, std::optional<uint32_t> mask,
                            std::span<const uint32_t> durations) {
    char head[96];
    if (mask) {
        snprintf(head, sizeof head, "send carrier=%u duty=%u mask=0x%x durations=", carrier, dutyCycle,
                 *mask);
    } else {
        snprintf(head, sizeof head, "send carrier=%u duty=%u mask=none durations=", carrier, dutyCycle);
    }
    std::string line = head;
    for (size_t index = 0; index < durations.size(); ++index) {
        if (index > 0) {
            line += ' ';
        }
        line += std::to_string(durations[index]);
    }
    return line;
}

}  // namespace lirc_emulator
