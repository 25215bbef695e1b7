// An open LIRC character device (/dev/lircN) and the few requests the library
// makes of it. Every failure is described in words fit for the user, naming
// the device.
#pragma once

#include <cstdint>
#include <string>
#include <cstddef>

namespace ostrel {

class LircDevice {
public:
    LircDevice() = default;
    ~LircDevice();
    LircDevice(const LircDevice&) = delete;
    LircDevice& operator=(const LircDevice&) = delete;

    // Opens the path and checks that it is a LIRC device; reads its features.
    // nonBlocking: reads return EAGAIN rather than wait.
    bool open(const std::string& path, bool nonBlocking, std::string& why);
    void close();

    int descriptor() const { return descriptor_; }
    const std::string& path() const { return path_; }
    uint32_t features() const { return features_; }
    bool can(uint32_t feature) const { return (features_ & feature) == feature; }

    // An ioctl that takes a u32. Returns what the ioctl returned (0, or a
    // count for SET_TRANSMITTER_MASK), or -1 with the reason in why.
    int request(unsigned long code, uint32_t value, const char* what, std::string& why);
    // An ioctl that sets a u32 and must return 0.
    bool set(unsigned long code, uint32_t value, const char* what, std::string& why);
    // An ioctl that reads a u32.
    bool query(unsigned long code, uint32_t& value, const char* what, std::string& why);

    // Sends count pulse/space durations in one write, which returns once the
    // IR is out (the kernel's may return a few milliseconds late). On failure
    // errno holds the write's error (0 when the write sent only part).
    bool send(const uint32_t* durations, size_t count, std::string& why);

    // Describes the last system error for the device.
    std::string failure(const char* what) const;

private:
    int descriptor_ = -1;
    uint32_t features_ = 0;
    std::string path_;
};

}  // namespace ostrel
