#include "irsignal/output/atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace irsignal {

namespace {

std::string failed(const std::string& shownName, const std::string& reason) {
    return shownName + ": " + reason;
}

std::string systemError(const std::string& shownName, int error) {
    return failed(shownName, std::strerror(error));
}

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t written = write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = EIO;
            }
            return false;
        }
        text.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

mode_t currentUmask() {
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

}  // namespace

std::string writeFileWhole(const std::string& path, const std::string& shownName,
                           std::string_view text, const std::string& keepPath) {
    std::string target = path;
    struct stat status {};
    bool there = stat(path.c_str(), &status) == 0;
    if (there) {
        if (!S_ISREG(status.st_mode)) {
            return failed(shownName, "not a regular file");
        }
        struct stat kept {};
        if (stat(keepPath.c_str(), &kept) == 0 && kept.st_dev == status.st_dev &&
            kept.st_ino == status.st_ino) {
            return failed(shownName, "is the file the signal comes from; name another");
        }
        struct stat link {};
        if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            char resolved[PATH_MAX];
            if (!realpath(path.c_str(), resolved)) {
                return systemError(shownName, errno);
            }
            target = resolved;
        }
    } else if (errno != ENOENT) {
        return systemError(shownName, errno);
    }
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary = (slash == std::string::npos ? std::string() : folder) + "." + base + ".XXXXXX";
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return systemError(shownName, errno);
    }
    mode_t mode = there ? (status.st_mode & 07777) : (0666 & ~currentUmask());
    if (fchmod(fd, mode) != 0 || !writeAll(fd, text) || fsync(fd) != 0) {
        int error = errno;
        close(fd);
        unlink(temporary.c_str());
        return systemError(shownName, error);
    }
    if (close(fd) != 0 || rename(temporary.c_str(), target.c_str()) != 0) {
        int error = errno;
        unlink(temporary.c_str());
        return systemError(shownName, error);
    }
    return "";
}

}  // namespace irsignal
