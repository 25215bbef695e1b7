#include "irsignal/catalog/file_text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace irsignal {

namespace {

FileText failure(const std::string& shownName, const std::string& reason) {
    FileText file;
    file.error = shownName + ": " + reason;
    return file;
}

std::string tooLarge() { return "larger than 16 MiB, too large for a file of codes"; }

}  // namespace

FileText readFileText(const std::string& path, const std::string& shownName) {
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return failure(shownName, std::strerror(errno));
    }
    struct stat status {};
    if (fstat(fd, &status) != 0) {
        int error = errno;
        close(fd);
        return failure(shownName, std::strerror(error));
    }
    if (!S_ISREG(status.st_mode)) {
        close(fd);
        return failure(shownName, "not a regular file");
    }
    if (status.st_size > static_cast<off_t>(largestCatalogFile)) {
        close(fd);
        return failure(shownName, tooLarge());
    }
    FileText file;
    // One byte more than the limit: a file that grew while read is still
    // measured by what was read.
    file.text.resize(static_cast<size_t>(status.st_size) + 1);
    size_t length = 0;
    while (true) {
        if (length == file.text.size()) {
            if (length > largestCatalogFile) {
                close(fd);
                return failure(shownName, tooLarge());
            }
            file.text.resize(std::min(length * 2 + 4096, largestCatalogFile + 1));
        }
        ssize_t got = read(fd, file.text.data() + length, file.text.size() - length);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            int error = errno;
            close(fd);
            return failure(shownName, std::strerror(error));
        }
        if (got == 0) {
            break;
        }
        length += static_cast<size_t>(got);
    }
    close(fd);
    if (length > largestCatalogFile) {
        return failure(shownName, tooLarge());
    }
    file.text.resize(length);
    return file;
}

}  // namespace irsignal
