#include "emulator/src/lirc_file.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <linux/lirc.h>
#include <poll.h>
#include <sys/stat.h>

#include "emulator/src/diagnostics.h"
#include "emulator/src/file_table.h"
#include "emulator/src/loopback.h"
#include "emulator/src/file_io.h"
#include "emulator/src/monotonic_clock.h"
#include "emulator/src/real_libc.h"
#include "emulator/src/receive_log.h"
#include "emulator/src/transmit_log.h"

namespace lirc_emulator {

namespace {

// How long a blocked read sleeps at most before it looks again, so that a receive timeout
// changed by another thread or process is noticed.
constexpr int64_t kRecheckMicroseconds = 20000;

std::vector<Directive> loadScript(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    std::optional<std::string> text = readWholeFile(path);
    if (!text) {
        warn("cannot read receive script %s; nothing will be received", path.c_str());
        return {};
    }
    ReceiveScript script = parseReceiveScript(*text);
    for (const std::string& problem : script.problems) {
        warn("%s %s (skipped)", path.c_str(), problem.c_str());
    }
    return script.directives;
}

}  // namespace

LircFile::LircFile(DeviceConfig config, int accessMode, int64_t openedAt)
    : config_(std::move(config)),
      accessMode_(accessMode),
      settings_(config_.statePath, config_.devicePath, defaultSettings(*config_.profile, config_.emitters)),
      player_(loadScript(config_.receiveScript), openedAt),
      sendMode_(config_.features.send ? LIRC_MODE_PULSE : 0),
      recMode_(config_.features.receive ? LIRC_MODE_MODE2 : 0) {
    player_.keepDeliveries(!config_.receiveLogPath.empty());
}

ReceiveConditions LircFile::conditions(const DeviceSettings& settings) const {
    ReceiveConditions conditions;
    conditions.recTimeout = settings.recTimeout;
    conditions.measureCarrier = config_.features.measure && settings.measureCarrier;
    conditions.canReceive = config_.features.receive;
    conditions.endAsCarrier = config_.quirks.endAsCarrier;
    return conditions;
}

void LircFile::advance() {
    int64_t now = nowMicroseconds();
    struct stat unplugFile {};
    if (!config_.unplugPath.empty() && !player_.unplugged() &&
        realLibc().fstatat(AT_FDCWD, config_.unplugPath.c_str(), &unplugFile, 0) == 0) {
        player_.unplug();
    }
    player_.advance(now, conditions(settings_.load()));
    if (config_.receiveLogPath.empty()) {
        return;
    }
    std::vector<Delivery> delivered = player_.takeDeliveries();
    if (delivered.empty()) {
        return;
    }
    // All the samples of one look in one write, so that logging costs the program
    // one open, write and close per look, not per sample.
    std::string lines;
    for (const Delivery& delivery : delivered) {
        if (!lines.empty()) {
            lines += '\n';
        }
        lines += receiveLogLine(delivery, now);
    }
    if (!appendLine(config_.receiveLogPath, lines)) {
        warn("cannot append to receive log %s", config_.receiveLogPath.c_str());
    }
}

ssize_t LircFile::read(void* buffer, size_t length, bool nonBlocking) {
    if (accessMode_ == O_WRONLY) {
        return -EBADF;
    }
    for (;;) {
        int64_t wakeAt = 0;
        {
            std::lock_guard lock(mutex_);
            player_.readerWaits(nowMicroseconds());
            advance();
            if (!config_.features.receive) {
                return -EINVAL;
            }
            if (player_.unplugged()) {
                return -ENODEV;
            }
            if (length < sizeof(uint32_t) || length % sizeof(uint32_t) != 0) {
                return -EINVAL;
            }
            if (!player_.queue().empty()) {
                size_t taken = player_.queue().pop(static_cast<uint32_t*>(buffer), length / sizeof(uint32_t));
                return static_cast<ssize_t>(taken * sizeof(uint32_t));
            }
            if (nonBlocking) {
                return -EAGAIN;
            }
            wakeAt = player_.nextEventAt(conditions(settings_.load()));
        }
        int64_t recheck = nowMicroseconds() + kRecheckMicroseconds;
        if (!sleepUntil(wakeAt < recheck ? wakeAt : recheck)) {
            return -EINTR;
        }
    }
}

ssize_t LircFile::write(const void* buffer, size_t length) {
    if (accessMode_ == O_RDONLY) {
        return -EBADF;
    }
    int64_t start = 0;
    uint64_t duration = 0;
    std::vector<uint32_t> heard;
    {
        std::lock_guard lock(mutex_);
        advance();
        if (player_.unplugged()) {
            return -ENODEV;
        }
        if (!config_.features.send) {
            return -EINVAL;
        }
        if (length < sizeof(uint32_t) || length % sizeof(uint32_t) != 0) {
            return -EINVAL;
        }
        size_t count = length / sizeof(uint32_t);
        if (count > kMaxTransmitValues || count % 2 == 0) {
            return -EINVAL;
        }
        std::vector<uint32_t> durations(count);
        memcpy(durations.data(), buffer, length);
        for (uint32_t value : durations) {
            if (value == 0 || value > kMaxTransmitDuration - duration) {
                return -EINVAL;
            }
            duration += value;
        }
        DeviceSettings settings = settings_.load();
        if (!driverTakes(*config_.profile, durations, settings.carrier)) {
            return -EINVAL;
        }
        start = nowMicroseconds();
        if (config_.writeError) {
            return -*config_.writeError;
        }
        if (!config_.sendTimesPath.empty() &&
            !appendLine(config_.sendTimesPath, "start=" + std::to_string(start) + " values=" +
                                                   std::to_string(count) +
                                                   " us=" + std::to_string(duration))) {
            warn("cannot append to %s", config_.sendTimesPath.c_str());
        }
        if (!config_.logPath.empty()) {
            std::optional<uint32_t> mask;
            if (config_.emitters > 0) {
                mask = settings.transmitterMask;
            }
            if (!appendLine(config_.logPath,
                            transmitLogLine(settings.carrier, settings.dutyCycle, mask, durations))) {
                warn("cannot append to log %s", config_.logPath.c_str());
            }
        }
        if (config_.loopback) {
            settings.measureCarrier = settings.measureCarrier && config_.features.measure;
            heard = loopBack(config_.devicePath, durations, settings, config_.quirks, start);
        }
    }
    // rc-loopback hands what it heard to every file open on the device, this one too,
    // before the write has waited for the signal to go out.
    if (!heard.empty()) {
        for (const std::shared_ptr<LircFile>& file : FileTable::instance().filesOn(config_.devicePath)) {
            file->hear(heard);
        }
    }
    // The kernel returns only once the signal has gone out, whatever O_NONBLOCK says; a
    // signal cuts the wait short but the write still reports every byte sent.
    if (!config_.noDelay) {
        (void)sleepUntil(start + static_cast<int64_t>(duration));
    }
    return static_cast<ssize_t>(length);
}

void LircFile::hear(const std::vector<uint32_t>& samples) {
    std::lock_guard lock(mutex_);
    advance();
    if (player_.unplugged()) {
        return;
    }
    int64_t now = nowMicroseconds();
    ReceiveConditions heardConditions = conditions(settings_.load());
    for (uint32_t sample : samples) {
        player_.receive(sample, now, heardConditions);
    }
    advance();
}

short LircFile::pollEvents() {
    std::lock_guard lock(mutex_);
    player_.readerWaits(nowMicroseconds());
    advance();
    if (player_.unplugged()) {
        return POLLERR | POLLHUP;
    }
    if (config_.features.receive && !player_.queue().empty()) {
        return POLLIN | POLLRDNORM;
    }
    return 0;
}

int64_t LircFile::nextEventAt() {
    std::lock_guard lock(mutex_);
    return player_.nextEventAt(conditions(settings_.load()));
}

}  // namespace lirc_emulator
