// What the kernel VM's cases on fake USB devices share: whether a model's cases can
// run here, plugging a model in alone, and the NEC signals they send.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/kernel/usb/usbip_device.h"

// Why a case of the model cannot run here (outside the kernel VM, without vhci-hcd
// or the driver's module); empty: it can.
std::string cannotRun(const std::string& model);

// The model plugged in on vhci port 0 once every device plugged before has gone;
// nullptr with why when its driver did not take it.
std::unique_ptr<UsbipDevice> plugAlone(std::unique_ptr<UsbModel> model, std::string& why);

// Whether the process has the file open (a reader that has opened the device
// gets what the device reports from then on).
bool hasOpen(pid_t pid, const std::string& path);

// A whole NEC frame of the 32 bits, least significant first.
std::vector<uint32_t> necFrameOf(uint32_t bits);

// The frames as a file of pulse and space lines, the gap between each two.
std::string fileOf(const std::vector<std::vector<uint32_t>>& frames, uint32_t gap);
