// Plays a receive script into one open file's sample queue. The script's clock starts when
// the file is opened; the player is brought up to date whenever the program touches the
// file, and hands over, in order, every sample that has become ready by then.
#pragma once

#include <cstdint>
#include <vector>

#include "receive_script.h"
#include "sample_queue.h"

namespace lirc_emulator {

// What the device's settings say about reception at the moment of playing.
// A sample the player put into the queue, and when the script made it ready: a real
// receiver would have handed it to the kernel then, whenever the program comes to look.
struct Delivery {
    int64_t readyAt = 0;
    uint32_t sample = 0;

    bool operator==(const Delivery&) const = default;
};

struct ReceiveConditions {
    uint32_t recTimeout = 125000;  // for `end`
    bool measureCarrier = false;   // carrier samples only reach a receiver that measures
    bool canReceive = true;        // a transmit-only device receives nothing
};

class ReceivePlayer {
public:
    ReceivePlayer(std::vector<Directive> script, int64_t openedAt);

    void advance(int64_t now, const ReceiveConditions& conditions);

    // When the next sample (or the unplug) becomes ready; kNever when nothing more will
    // come without the program reading first.
    int64_t nextEventAt(const ReceiveConditions& conditions) const;

    bool unplugged() const { return unplugged_; }

    // When on, every sample queued is also kept as a Delivery until taken.
    void keepDeliveries(bool on) { keepDeliveries_ = on; }
    std::vector<Delivery> takeDeliveries();
    SampleQueue& queue() { return queue_; }

private:
    void deliver(uint32_t sample, int64_t readyAt, const ReceiveConditions& conditions);

    std::vector<Directive> script_;
    size_t next_ = 0;
    int64_t cursor_;  // when the previous sample became ready
    bool unplugged_ = false;
    bool flooding_ = false;
    bool floodPulseNext_ = true;
    SampleQueue queue_;
    bool keepDeliveries_ = false;
    std::vector<Delivery> deliveries_;
};

}  // namespace lirc_emulator
