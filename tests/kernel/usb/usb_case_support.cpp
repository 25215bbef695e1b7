#include "tests/kernel/usb/usb_case_support.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>

std::string cannotRun(const std::string& model) {
    if (getenv("IRTOOLS_KERNEL_VM") == nullptr) {
        return "runs in the kernel VM";
    }
    if (access(vhciAttach, W_OK) != 0) {
        return std::string("no vhci-hcd: ") + vhciAttach + " is missing";
    }
    for (size_t m = 0; m < usbModelCount; ++m) {
        if (model == usbModels[m].name &&
            access((std::string("/sys/module/") + usbModels[m].module).c_str(), F_OK) != 0) {
            return std::string("no ") + usbModels[m].module + " module loaded";
        }
    }
    return "";
}

std::unique_ptr<UsbipDevice> plugAlone(std::unique_ptr<UsbModel> model, std::string& why) {
    for (int wait = 0; wait < 100 && !lircDevicesOnVhci().empty(); ++wait) {
        usleep(20000);
    }
    auto device = std::make_unique<UsbipDevice>(std::move(model));
    if (!device->plug(0, why)) {
        return nullptr;
    }
    return device;
}

bool hasOpen(pid_t pid, const std::string& path) {
    std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    DIR* fds = opendir(folder.c_str());
    if (fds == nullptr) {
        return false;
    }
    bool found = false;
    while (dirent* entry = readdir(fds)) {
        char target[256];
        ssize_t length = readlink((folder + "/" + entry->d_name).c_str(), target, sizeof target - 1);
        found = found || (length > 0 && std::string(target, static_cast<size_t>(length)) == path);
    }
    closedir(fds);
    return found;
}

std::vector<uint32_t> necFrameOf(uint32_t bits) {
    std::vector<uint32_t> frame = {9000, 4500};
    for (int bit = 0; bit < 32; ++bit) {
        frame.push_back(560);
        frame.push_back((bits >> bit & 1) != 0 ? 1690 : 560);
    }
    frame.push_back(560);
    return frame;
}

std::string fileOf(const std::vector<std::vector<uint32_t>>& frames, uint32_t gap) {
    std::string text;
    for (size_t f = 0; f < frames.size(); ++f) {
        if (f != 0) {
            text += "space " + std::to_string(gap) + "\n";
        }
        for (size_t i = 0; i < frames[f].size(); ++i) {
            text += i % 2 == 0 ? "pulse " : "space ";
            text += std::to_string(frames[f][i]);
            text += '\n';
        }
    }
    return text;
}
