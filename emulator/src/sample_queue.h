// One open file's queue of received mode2 samples: 512 entries, as the kernel's per-file
// kfifo; a sample that finds it full is dropped.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace lirc_emulator {

class SampleQueue {
public:
    static constexpr size_t kCapacity = 512;

    bool push(uint32_t sample);  // false: full, the sample is lost
    size_t pop(uint32_t* into, size_t most);
    bool empty() const { return count_ == 0; }
    bool full() const { return count_ == kCapacity; }
    size_t size() const { return count_; }

private:
    std::array<uint32_t, kCapacity> samples_{};
    size_t first_ = 0;
    size_t count_ = 0;
};

}  // namespace lirc_emulator
