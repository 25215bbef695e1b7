#include "emulator/src/receive_log.h"

#include <cinttypes>
#include <cstdio>

#include <linux/lirc.h>

namespace lirc_emulator {

std::string receiveLogLine(const Delivery& delivery, int64_t queuedAt) {
    uint32_t value = delivery.sample & LIRC_VALUE_MASK;
    const char* kind = nullptr;
    switch (delivery.sample & LIRC_MODE2_MASK) {
    case LIRC_MODE2_PULSE:
        kind = "pulse";
        break;
    case LIRC_MODE2_SPACE:
        kind = "space";
        break;
    case LIRC_MODE2_TIMEOUT:
        kind = "timeout";
        break;
    case LIRC_MODE2_FREQUENCY:
        kind = "carrier";
        break;
    case LIRC_MODE2_OVERFLOW:
        kind = "overflow";
        break;
    default:
        kind = "sample";  // no script makes one; written whole below
        value = delivery.sample;
        break;
    }
    char line[96];
    if ((delivery.sample & LIRC_MODE2_MASK) == LIRC_MODE2_OVERFLOW) {
        snprintf(line, sizeof line, "ready=%" PRId64 " queued=%" PRId64 " %s", delivery.readyAt, queuedAt,
                 kind);
    } else {
        snprintf(line, sizeof line, "ready=%" PRId64 " queued=%" PRId64 " %s %" PRIu32, delivery.readyAt,
                 queuedAt, kind, value);
    }
    return line;
}

}  // namespace lirc_emulator
