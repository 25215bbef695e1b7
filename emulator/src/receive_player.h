// Plays a receive script into one open file's sample queue. The script's clock starts when
// the file is opened; the player is brought up to date whenever the program touches the
// file, and hands over, in order, every sample that has become ready by then.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "emulator/src/receive_script.h"
#include "emulator/src/sample_queue.h"

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
    bool endAsCarrier = false;     // rc-loopback's quirk: `end` as a carrier of the timeout
};

class ReceivePlayer {
public:
    ReceivePlayer(std::vector<Directive> script, int64_t openedAt);

    void advance(int64_t now, const ReceiveConditions& conditions);

    // When the next sample (or the unplug) becomes ready; kNever when nothing more will
    // come without the program reading first.
    int64_t nextEventAt(const ReceiveConditions& conditions) const;

    bool unplugged() const { return unplugged_; }
    void unplug() { unplugged_ = true; }
    // The program waits for samples (a read or a poll) at time `now`.
    void readerWaits(int64_t now);

    // A sample from elsewhere than the script (rc-loopback's loop back), queued as the
    // script's are.
    void receive(uint32_t sample, int64_t at, const ReceiveConditions& conditions);

    // When on, every sample queued is also kept as a Delivery until taken.
    void keepDeliveries(bool on) { keepDeliveries_ = on; }
    std::vector<Delivery> takeDeliveries();
    SampleQueue& queue() { return queue_; }

private:
    // A script's sample; the first pulse or space after a timeout sample comes after a
    // space of the time since it, as lirc_raw_event sends it.
    void deliver(uint32_t sample, int64_t readyAt, const ReceiveConditions& conditions);
    void queueSample(uint32_t sample, int64_t readyAt, const ReceiveConditions& conditions);

    std::vector<Directive> script_;
    size_t next_ = 0;
    int64_t cursor_;  // when the previous sample became ready
    bool unplugged_ = false;
    bool flooding_ = false;
    bool floodPulseNext_ = true;
    std::optional<int64_t> gapStart_;
    std::optional<int64_t> readerWaitedAt_;
    SampleQueue queue_;
    bool keepDeliveries_ = false;
    std::vector<Delivery> deliveries_;
};

}  // namespace lirc_emulator
