// Which file descriptors are open files of the emulated device. Each is a real fd (a
// memfd, so its inode is unique) and is remembered with that inode: an fd closed behind
// the emulator's back (fclose, close_range, dup2 over it) and reused by the program for
// something else no longer matches and is handed to the C library untouched.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <sys/types.h>

#include "emulator/src/lirc_file.h"

namespace lirc_emulator {

class FileTable {
public:
    static FileTable& instance();

    void add(int fd, std::shared_ptr<LircFile> file);
    std::shared_ptr<LircFile> find(int fd);
    void remove(int fd);
    // Every open file of the device at that path, once each (dup'ed fds share one).
    std::vector<std::shared_ptr<LircFile>> filesOn(const std::string& devicePath);
    bool empty() const { return count_.load(std::memory_order_relaxed) == 0; }

private:
    struct Entry {
        std::shared_ptr<LircFile> file;
        dev_t device;
        ino_t inode;
    };

    std::mutex mutex_;
    std::unordered_map<int, Entry> entries_;
    std::atomic<size_t> count_{0};
};

}  // namespace lirc_emulator
