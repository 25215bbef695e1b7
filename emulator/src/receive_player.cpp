#include "emulator/src/receive_player.h"

#include <algorithm>

#include <linux/lirc.h>

#include "emulator/src/monotonic_clock.h"

namespace lirc_emulator {

namespace {

constexpr uint32_t kFloodDuration = 500;

}  // namespace

ReceivePlayer::ReceivePlayer(std::vector<Directive> script, int64_t openedAt)
    : script_(std::move(script)), cursor_(openedAt) {}

void ReceivePlayer::queueSample(uint32_t sample, int64_t readyAt, const ReceiveConditions& conditions) {
    if (!conditions.canReceive) {
        return;
    }
    if ((sample & LIRC_MODE2_MASK) == LIRC_MODE2_FREQUENCY && !conditions.measureCarrier) {
        return;
    }
    // A full queue drops the sample, as the kernel does; a dropped one was never delivered.
    if (queue_.push(sample) && keepDeliveries_) {
        deliveries_.push_back({readyAt, sample});
    }
}

void ReceivePlayer::deliver(uint32_t sample, int64_t readyAt, const ReceiveConditions& conditions) {
    if (!conditions.canReceive) {
        return;
    }
    uint32_t type = sample & LIRC_MODE2_MASK;
    if (type == LIRC_MODE2_TIMEOUT) {
        gapStart_ = readyAt;
    } else if ((type == LIRC_MODE2_PULSE || type == LIRC_MODE2_SPACE) && gapStart_) {
        int64_t gap = std::clamp<int64_t>(readyAt - *gapStart_, 0, LIRC_VALUE_MASK);
        gapStart_.reset();
        queueSample(LIRC_MODE2_SPACE | static_cast<uint32_t>(gap), readyAt, conditions);
    }
    queueSample(sample, readyAt, conditions);
}

void ReceivePlayer::receive(uint32_t sample, int64_t at, const ReceiveConditions& conditions) {
    queueSample(sample, at, conditions);
}

std::vector<Delivery> ReceivePlayer::takeDeliveries() {
    std::vector<Delivery> taken;
    taken.swap(deliveries_);
    return taken;
}

void ReceivePlayer::readerWaits(int64_t now) {
    if (!readerWaitedAt_) {
        readerWaitedAt_ = now;
    }
}

void ReceivePlayer::advance(int64_t now, const ReceiveConditions& conditions) {
    while (!unplugged_) {
        if (flooding_) {
            // The flood never pauses: whatever room the reader made is filled at once,
            // and everything beyond the queue is lost.
            while (conditions.canReceive && !queue_.full()) {
                deliver((floodPulseNext_ ? LIRC_MODE2_PULSE : LIRC_MODE2_SPACE) | kFloodDuration, now,
                        conditions);
                floodPulseNext_ = !floodPulseNext_;
            }
            return;
        }
        if (next_ >= script_.size()) {
            return;
        }
        const Directive& directive = script_[next_];
        switch (directive.kind) {
        case DirectiveKind::Wait:
            cursor_ += directive.waitMicroseconds;
            break;
        case DirectiveKind::AwaitReader:
            if (!readerWaitedAt_) {
                return;
            }
            cursor_ = std::max(cursor_, *readerWaitedAt_);
            break;
        case DirectiveKind::End: {
            int64_t readyAt = cursor_ + conditions.recTimeout;
            if (readyAt > now) {
                return;
            }
            uint32_t type = conditions.endAsCarrier && conditions.measureCarrier ? LIRC_MODE2_FREQUENCY
                                                                                 : LIRC_MODE2_TIMEOUT;
            deliver(type | (conditions.recTimeout & LIRC_VALUE_MASK), readyAt, conditions);
            cursor_ = readyAt;
            break;
        }
        case DirectiveKind::Sample:
        case DirectiveKind::Unplug:
        case DirectiveKind::Flood:
            if (cursor_ > now) {
                return;
            }
            if (directive.kind == DirectiveKind::Sample) {
                deliver(directive.sample, cursor_, conditions);
            } else if (directive.kind == DirectiveKind::Unplug) {
                unplugged_ = true;
            } else {
                flooding_ = true;
            }
            break;
        }
        ++next_;
    }
}

int64_t ReceivePlayer::nextEventAt(const ReceiveConditions& conditions) const {
    if (unplugged_) {
        return kNever;
    }
    if (flooding_) {
        return queue_.full() ? kNever : cursor_;
    }
    int64_t at = cursor_;
    for (size_t index = next_; index < script_.size(); ++index) {
        const Directive& directive = script_[index];
        if (directive.kind == DirectiveKind::Wait) {
            at += directive.waitMicroseconds;
        } else if (directive.kind == DirectiveKind::AwaitReader && !readerWaitedAt_) {
            return kNever;
        } else if (directive.kind == DirectiveKind::AwaitReader) {
            at = std::max(at, *readerWaitedAt_);
        } else if (directive.kind == DirectiveKind::End) {
            return at + conditions.recTimeout;
        } else {
            return at;
        }
    }
    return kNever;
}

}  // namespace lirc_emulator
