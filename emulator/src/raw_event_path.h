// rc-core's path for raw IR events, from a driver's ir_raw_event_store* calls to the
// mode2 samples lirc_raw_event hands every open file (rc-ir-raw.c and lirc_dev.c of
// Linux 6.1): merging of like events, idle handling with its timeout event, overflow,
// and the gap space before the first sample after a timeout. (Its event FIFO of 512
// entries loses what one transmission stores beyond it, which no reader could tell
// from the loss in its own queue of 512 samples; it is left out.)
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace lirc_emulator {

// struct ir_raw_event; `duration` is also the carrier of a carrier report (a union there).
struct RawEvent {
    uint32_t duration = 0;
    bool pulse = false;
    bool overflow = false;
    bool timeout = false;
    bool carrierReport = false;
};

class RawEventPath {
public:
    // ir_raw_event_store
    void store(const RawEvent& event);
    // ir_raw_event_store_with_filter: spaces are dropped while idle; like events are
    // added together; a space reaching the timeout goes out as the timeout event and
    // makes the receiver idle.
    void storeWithFilter(const RawEvent& event, uint32_t timeout);
    // ir_raw_event_overflow
    void overflow();

    // The raw thread: the stored events as lirc_raw_event makes them samples, at
    // CLOCK_MONOTONIC time `now` (us), which the gap space measures.
    std::vector<uint32_t> samples(int64_t now);

private:
    void setIdle();

    std::vector<RawEvent> fifo_;
    RawEvent pending_;  // this_ev
    bool idle_ = false;
    std::optional<int64_t> gapStart_;
};

}  // namespace lirc_emulator
