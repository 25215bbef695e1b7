#include "emulator/src/sample_queue.h"

namespace lirc_emulator {

bool SampleQueue::push(uint32_t sample) {
    if (full()) {
        return false;
    }
    samples_[(first_ + count_) % kCapacity] = sample;
    ++count_;
    return true;
}

size_t SampleQueue::pop(uint32_t* into, size_t most) {
    size_t taken = 0;
    while (taken < most && count_ > 0) {
        into[taken++] = samples_[first_];
        first_ = (first_ + 1) % kCapacity;
        --count_;
    }
    return taken;
}

}  // namespace lirc_emulator
