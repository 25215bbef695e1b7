// A shared library, linked with immediate binding as the transceiver library is, that uses
// the device the way such a library does: the emulator must see its calls too.
#pragma once

#include <cstdint>

extern "C" {

struct ClientOutcome {
    bool characterDevice;
    uint32_t features;
    int pollReady;
    uint32_t firstSample;
    long written;
};

__attribute__((visibility("default"))) ClientOutcome useDevice(const char* path);

}
