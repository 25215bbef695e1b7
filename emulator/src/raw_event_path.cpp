#include "emulator/src/raw_event_path.h"

#include <algorithm>

#include <linux/lirc.h>

namespace lirc_emulator {

void RawEventPath::store(const RawEvent& event) { fifo_.push_back(event); }

void RawEventPath::setIdle() {
    pending_.timeout = true;
    store(pending_);
    pending_ = {};
    idle_ = true;
}

void RawEventPath::storeWithFilter(const RawEvent& event, uint32_t timeout) {
    if (idle_ && !event.pulse) {
        return;
    }
    idle_ = false;
    if (pending_.duration == 0) {
        pending_ = event;
    } else if (event.pulse == pending_.pulse) {
        pending_.duration += event.duration;
    } else {
        store(pending_);
        pending_ = event;
    }
    if (!event.pulse && timeout != 0 && pending_.duration >= timeout) {
        setIdle();
    }
}

void RawEventPath::overflow() {
    RawEvent event;
    event.overflow = true;
    store(event);
    idle_ = true;
}

std::vector<uint32_t> RawEventPath::samples(int64_t now) {
    std::vector<uint32_t> out;
    for (const RawEvent& event : fifo_) {
        if (event.overflow) {
            out.push_back(LIRC_MODE2_OVERFLOW | LIRC_VALUE_MASK);
        } else if (event.carrierReport) {
            out.push_back(LIRC_MODE2_FREQUENCY | (event.duration & LIRC_VALUE_MASK));
        } else if (event.timeout) {
            gapStart_ = now;
            out.push_back(LIRC_MODE2_TIMEOUT | (event.duration & LIRC_VALUE_MASK));
        } else {
            if (gapStart_) {
                int64_t gap = std::clamp<int64_t>(now - *gapStart_, 0, LIRC_VALUE_MASK);
                out.push_back(LIRC_MODE2_SPACE | static_cast<uint32_t>(gap));
                gapStart_.reset();
            }
            out.push_back((event.pulse ? LIRC_MODE2_PULSE : LIRC_MODE2_SPACE) |
                          (event.duration & LIRC_VALUE_MASK));
        }
    }
    fifo_.clear();
    return out;
}

}  // namespace lirc_emulator
