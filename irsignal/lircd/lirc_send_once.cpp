#include "irsignal/lircd/lirc_send_once.h"

#include <string_view>

// liblirc's headers use FILE without including <stdio.h>.
#include <cstdio>
#include <lirc/ir_remote.h>
#include <lirc/transmit.h>

#include "ostrel/codec/ir_signal.h"
#include "ostrel/codec/signal_file.h"
#include "ostrel/codec/transmission_plan.h"

namespace irsignal::lircd {
namespace {

// One send holds at most WBUF_SIZE durations, and a frame has at least a
// pulse and the gap after it.
constexpr size_t mostFramesPerSend = WBUF_SIZE;
// The most durations a signal file can hold, at two characters each.
constexpr size_t mostDurations = ostrel::largestSignalFile / 2;

// Where the code's transmit state stands in the sequence of its codes: 0 at
// its first code (no state), k at the k-th code after it.
size_t positionOf(const ir_ncode& code) {
    size_t position = 0;
    for (const ir_code_node* node = code.next; node != nullptr; node = node->next) {
        ++position;
        if (node == code.transmit_state) {
            return position;
        }
    }
    return 0;
}

size_t lengthOf(const ir_ncode& code) {
    size_t length = 1;
    for (const ir_code_node* node = code.next; node != nullptr; node = node->next) {
        ++length;
    }
    return length;
}

// The frames that one send_buffer_put sent, from the state it changed. It
// sends a frame and moves the code's transmit state on to its next code;
// then, while repeats are due or the button has further codes and the gap is
// under 10 ms, it joins the next frame to the buffer, counting a repeat down
// for each frame of a button of one code, or at the end of each sequence of a
// button of several (an XMP button's sequence starts again at its second
// code, and is never counted down).
size_t framesOfSend(size_t length, bool xmp, size_t positionBefore, int countdownBefore, size_t positionAfter,
                    int countdownAfter) {
    size_t position = positionBefore;
    int countdown = countdownBefore;
    for (size_t frames = 1; frames <= mostFramesPerSend; ++frames) {
        if (length > 1) {
            position = (position + 1) % length;
            if (position == 0 && xmp) {
                position = 1;
            }
        }
        if (position == positionAfter && countdown == countdownAfter) {
            return frames;
        }
        if (length == 1 || position == 0) {
            --countdown;
        }
    }
    return 1;
}

// What liblirc's sender logged when it refused a send, in our words.
std::string sendFailure(const std::vector<std::string>& errors) {
    for (const std::string& error : errors) {
        std::string_view message(error);
        if (message.starts_with("buffer too small")) {
            return "joined to its repeats it has more pulses and spaces than the " + std::to_string(WBUF_SIZE) +
                   " of LIRC's send buffer";
        }
        if (message.starts_with("too short gap: ")) {
            return "its CONST_LENGTH gap of " + std::string(message.substr(15)) + " µs is shorter than the code";
        }
        if (message.starts_with("invalid bit number")) {
            return "its pre_data_bits, bits or post_data_bits are no whole number of symbols (2 bits in RC-MM, "
                   "4 in XMP)";
        }
        if (message.starts_with("invalid send buffer")) {
            return "it has a pulse or space of 0 µs, or nothing to send";
        }
    }
    return errors.empty() ? std::string("nothing to send") : errors.front();
}

// liblirc's repeat_remote, the remote whose code the daemon is repeating:
// none outside a send.
class RepeatingRemote {
public:
    RepeatingRemote() { repeat_remote = nullptr; }
    ~RepeatingRemote() { repeat_remote = nullptr; }
    RepeatingRemote(const RepeatingRemote&) = delete;
    RepeatingRemote& operator=(const RepeatingRemote&) = delete;
    void set(ir_remote& remote) { repeat_remote = &remote; }
};

class Sending {
public:
    Sending(LircSession& session, ir_remote& remote, ir_ncode& code) : session_(session), remote_(remote), code_(code) {}

    // One send by the daemon's driver, its durations added after the gap the
    // send before left; false, with the refusal set, when LIRC cannot send it.
    bool send(bool first) {
        size_t positionBefore = positionOf(code_);
        int countdownBefore = first ? remote_.min_repeat : remote_.repeat_countdown;
        session_.takeErrors();
        resetSendBuffer();
        int sent = send_buffer_put(&remote_, &code_);
        std::vector<std::string> errors = session_.takeErrors();
        if (sent == 0 || !errors.empty()) {
            return refuse("LIRC cannot send it: " + sendFailure(errors));
        }
        if (!first && !add(gap_)) {
            return false;
        }
        const lirc_t* data = send_buffer_data();
        for (int index = 0; index < send_buffer_length(); ++index) {
            if (!add(data[index])) {
                return false;
            }
        }
        gap_ = remote_.min_remaining_gap;
        result_.frames += framesOfSend(lengthOf(code_), is_xmp(&remote_), positionBefore, countdownBefore,
                                       positionOf(code_), remote_.repeat_countdown);
        return true;
    }

    SentCode take() { return std::move(result_); }

private:
    bool add(lirc_t duration) {
        if (duration <= 0 || static_cast<uint32_t>(duration) > ostrel::longestDuration) {
            return refuse("LIRC sends a pulse or space of " + std::to_string(duration) + " µs, outside the 1 to " +
                          std::to_string(ostrel::longestDuration) + " µs a LIRC device sends");
        }
        result_.durations.push_back(static_cast<uint32_t>(duration));
        total_ += static_cast<uint32_t>(duration);
        if (total_ > ostrel::longestPlayedMicroseconds || result_.durations.size() > mostDurations) {
            return refuse("with its repeats (min_repeat " + std::to_string(remote_.min_repeat) +
                          ") it lasts longer than the " +
                          std::to_string(ostrel::longestPlayedMicroseconds / 1000000) + " s irplay plays");
        }
        return true;
    }

    bool refuse(std::string reason) {
        result_ = {};
        result_.refusal = std::move(reason);
        return false;
    }

    LircSession& session_;
    ir_remote& remote_;
    ir_ncode& code_;
    SentCode result_;
    lirc_t gap_ = 0;
    uint64_t total_ = 0;
};

}  // namespace

SentCode sendOnce(LircSession& session, ir_remote& remote, ir_ncode& code, uint64_t toggleStateAsRead) {
    // As the daemon's send_core for SEND_ONCE, the first since it started.
    RepeatingRemote repeating;
    remote.toggle_bit_mask_state = toggleStateAsRead;
    if (has_toggle_mask(&remote)) {
        remote.toggle_mask_state = 0;
    }
    if (has_toggle_bit_mask(&remote)) {
        remote.toggle_bit_mask_state ^= remote.toggle_bit_mask;
    }
    code.transmit_state = nullptr;
    bool repeats = remote.min_repeat > 0 || code.next != nullptr;
    if (repeats && !is_const(&remote) && min_gap(&remote) == 0) {
        // The sender would join the frames with no space between them, and
        // the pulses on either side of it would run together.
        return {{}, 0, "gap 0: LIRC sends its repeats with no space between them"};
    }
    Sending sending(session, remote, code);
    if (!sending.send(true)) {
        return sending.take();
    }
    // The repeat timer (dosigalrm): the repeats still due and the button's
    // further codes, each one send after the gap the one before left.
    if (remote.repeat_countdown > 0 || code.next != nullptr) {
        repeating.set(remote);
        do {
            if (code.next == nullptr || (code.transmit_state != nullptr && code.transmit_state->next == nullptr)) {
                --remote.repeat_countdown;
            }
            if (!sending.send(false)) {
                return sending.take();
            }
        } while (remote.repeat_countdown > 0);
    }
    return sending.take();
}

}  // namespace irsignal::lircd
