// What the device tests share whatever their device.
#include <filesystem>

#include "tests/device/test_device.h"

std::string programPath(const std::string& name) { return std::string(PROGRAMS_FOLDER "/") + name; }

std::set<std::string> filesBelow(const std::string& folder,
                                 const std::set<std::string>& byNameOnly) {
    namespace fs = std::filesystem;
    std::set<std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        std::string name = fs::relative(entry.path(), folder).string();
        if (!entry.is_regular_file() || byNameOnly.count(name) != 0) {
            files.insert(name);
        } else if (entry.file_size() <= (1u << 20)) {
            files.insert(name + " = " + readFile(entry.path().string()));
        } else {
            files.insert(name + " of " + std::to_string(entry.file_size()) + " bytes");
        }
    }
    return files;
}

const char initialDeviceState[] =
    "carrier=40000\n"
    "duty_cycle=33\n"
    "transmitter_mask=0x1\n"
    "rec_timeout=100000\n"
    "measure_carrier=0\n"
    "wideband=0\n";

std::string expand(std::string text, const std::string& device) {
    for (size_t at; (at = text.find("{device}")) != std::string::npos;) {
        text.replace(at, 8, device);
    }
    return text;
}
