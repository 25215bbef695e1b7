#include "emulator/src/device_path.h"

#include <cstring>
#include <ctime>
#include <functional>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "emulator/src/device_config.h"

namespace lirc_emulator {

namespace {

constexpr unsigned kLircMajor = 239;

std::string_view lastComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string lexicallyNormal(std::string_view path) {
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        size_t slash = path.find('/');
        std::string_view part = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
            continue;
        }
        parts.push_back(part);
    }
    std::string normal;
    for (std::string_view part : parts) {
        normal += '/';
        normal += part;
    }
    return normal.empty() ? "/" : normal;
}

std::string directoryOf(int directoryFd) {
    char buffer[4096];
    if (directoryFd == AT_FDCWD) {
        return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
    }
    std::string link = "/proc/self/fd/" + std::to_string(directoryFd);
    ssize_t length = readlink(link.c_str(), buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<size_t>(length)) : std::string();
}

std::string absolute(int directoryFd, std::string_view path) {
    if (!path.empty() && path.front() == '/') {
        return lexicallyNormal(path);
    }
    return lexicallyNormal(directoryOf(directoryFd) + "/" + std::string(path));
}

}  // namespace

bool isEmulatedPath(int directoryFd, const char* path) {
    if (path == nullptr || *path == '\0') {
        return false;
    }
    std::string device = configuredDevicePath();
    // Cheap test first: most paths a program opens do not even end in the same name.
    if (lastComponent(path) != lastComponent(device)) {
        return false;
    }
    return absolute(directoryFd, path) == absolute(AT_FDCWD, device);
}

namespace {

template <typename Status>
void fillCharacterDevice(Status& status, const std::string& devicePath) {
    std::string_view name = lastComponent(devicePath);
    size_t digits = name.size();
    while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') {
        --digits;
    }
    unsigned minor = 0;
    for (char digit : name.substr(digits)) {
        minor = minor * 10 + static_cast<unsigned>(digit - '0');
    }

    memset(&status, 0, sizeof status);
    status.st_dev = makedev(0, 5);  // devtmpfs
    status.st_ino = std::hash<std::string>{}(devicePath) | 1;
    status.st_mode = S_IFCHR | 0660;
    status.st_nlink = 1;
    status.st_uid = 0;
    status.st_gid = 0;
    status.st_rdev = makedev(kLircMajor, minor % 256);
    status.st_blksize = 4096;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    status.st_atim = now;
    status.st_mtim = now;
    status.st_ctim = now;
}

}  // namespace

void fillDeviceStat(struct stat& status, const std::string& devicePath) {
    fillCharacterDevice(status, devicePath);
}

void fillDeviceStat(struct stat64& status, const std::string& devicePath) {
    fillCharacterDevice(status, devicePath);
}

}  // namespace lirc_emulator
