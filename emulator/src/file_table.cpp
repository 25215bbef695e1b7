#include "emulator/src/file_table.h"

#include <algorithm>

#include <sys/stat.h>

#include "emulator/src/real_libc.h"

namespace lirc_emulator {

FileTable& FileTable::instance() {
    // Never destroyed: programs close files from atexit handlers and other threads.
    static auto* table = new FileTable();
    return *table;
}

void FileTable::add(int fd, std::shared_ptr<LircFile> file) {
    struct stat identity {};
    realLibc().fstat(fd, &identity);
    std::lock_guard lock(mutex_);
    entries_[fd] = Entry{std::move(file), identity.st_dev, identity.st_ino};
    count_.store(entries_.size(), std::memory_order_relaxed);
}

std::shared_ptr<LircFile> FileTable::find(int fd) {
    if (empty() || fd < 0) {
        return nullptr;
    }
    Entry entry;
    {
        std::lock_guard lock(mutex_);
        auto found = entries_.find(fd);
        if (found == entries_.end()) {
            return nullptr;
        }
        entry = found->second;
    }
    struct stat identity {};
    if (realLibc().fstat(fd, &identity) != 0 || identity.st_dev != entry.device ||
        identity.st_ino != entry.inode) {
        remove(fd);
        return nullptr;
    }
    return entry.file;
}

std::vector<std::shared_ptr<LircFile>> FileTable::filesOn(const std::string& devicePath) {
    std::vector<std::shared_ptr<LircFile>> files;
    std::lock_guard lock(mutex_);
    for (const auto& [fd, entry] : entries_) {
        if (entry.file->config().devicePath == devicePath &&
            std::find(files.begin(), files.end(), entry.file) == files.end()) {
            files.push_back(entry.file);
        }
    }
    return files;
}

void FileTable::remove(int fd) {
    std::lock_guard lock(mutex_);
    entries_.erase(fd);
    count_.store(entries_.size(), std::memory_order_relaxed);
}

}  // namespace lirc_emulator
