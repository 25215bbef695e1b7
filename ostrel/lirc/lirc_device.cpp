#include "ostrel/lirc/lirc_device.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/lirc.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

LircDevice::~LircDevice() { close(); }

void LircDevice::close() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
}

std::string LircDevice::failure(const char* what) const {
    std::string text = path_ + ": ";
    if (what && *what) {
        text += what;
        text += ": ";
    }
    return text + strerror(errno);
}

bool LircDevice::open(const std::string& path, bool nonBlocking, std::string& why) {
    close();
    path_ = path;
    int flags = O_RDWR | O_CLOEXEC | (nonBlocking ? O_NONBLOCK : 0);
    do {
        descriptor_ = ::open(path.c_str(), flags);
    } while (descriptor_ < 0 && errno == EINTR);
    if (descriptor_ < 0) {
        why = failure(nullptr);
        return false;
    }
    struct stat status {};
    if (fstat(descriptor_, &status) != 0) {
        why = failure("cannot stat");
        close();
        return false;
    }
    if (!S_ISCHR(status.st_mode) || ioctl(descriptor_, LIRC_GET_FEATURES, &features_) != 0) {
        why = path + ": not a LIRC device";
        close();
        return false;
    }
    return true;
}

int LircDevice::request(unsigned long code, uint32_t value, const char* what, std::string& why) {
    int returned = ioctl(descriptor_, code, &value);
    if (returned < 0) {
        int saved = errno;  // for the caller, who may look at it
        why = failure(what);
        errno = saved;
        return -1;
    }
    return returned;
}

bool LircDevice::set(unsigned long code, uint32_t value, const char* what, std::string& why) {
    int returned = request(code, value, what, why);
    if (returned > 0) {
        why = path_ + ": " + what + ": unexpected result " + std::to_string(returned);
    }
    return returned == 0;
}

bool LircDevice::query(unsigned long code, uint32_t& value, const char* what, std::string& why) {
    if (ioctl(descriptor_, code, &value) != 0) {
        why = failure(what);
        return false;
    }
    return true;
}

bool LircDevice::send(const uint32_t* durations, size_t count, std::string& why) {
    size_t bytes = count * sizeof(uint32_t);
    ssize_t written = write(descriptor_, durations, bytes);
    if (written < 0) {
        int saved = errno;  // for the caller, who may look at it
        why = failure("cannot send");
        errno = saved;
        return false;
    }
    if (static_cast<size_t>(written) != bytes) {
        why = path_ + ": sent only " + std::to_string(written / 4) + " of " +
              std::to_string(count) + " values";
        errno = 0;  // no error of the driver's
        return false;
    }
    return true;
}

}  // namespace ostrel
