#include "tests/kernel/usb/usbip_device.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace {

// USB/IP's PDUs: a 48-byte header of big-endian words.
constexpr uint32_t cmdSubmit = 1;
constexpr uint32_t cmdUnlink = 2;
constexpr uint32_t retSubmit = 3;
constexpr uint32_t retUnlink = 4;
constexpr size_t headerBytes = 48;

uint32_t wordAt(const uint8_t* bytes, size_t offset) {
    uint32_t word;
    memcpy(&word, bytes + offset, 4);
    return ntohl(word);
}

void putWord(uint8_t* bytes, size_t offset, uint32_t value) {
    uint32_t word = htonl(value);
    memcpy(bytes + offset, &word, 4);
}

int64_t nowMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

Bytes stringDescriptor(const std::string& text) {
    Bytes descriptor = {static_cast<uint8_t>(2 + 2 * text.size()), 3};
    for (char c : text) {
        descriptor.push_back(static_cast<uint8_t>(c));
        descriptor.push_back(0);
    }
    return descriptor;
}

}  // namespace

UsbipDevice::UsbipDevice(std::unique_ptr<UsbModel> model) : model_(std::move(model)) {}

UsbipDevice::~UsbipDevice() {
    unplug();
    if (server_.joinable()) {
        server_.join();
    }
    if (socket_ >= 0) {
        close(socket_);
    }
}

std::vector<std::string> lircDevicesOnVhci() {
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/lirc", error)) {
        std::string real = std::filesystem::canonical(entry.path(), error).string();
        if (real.find("vhci_hcd") != std::string::npos) {
            found.push_back("/dev/" + entry.path().filename().string());
        }
    }
    return found;
}

bool UsbipDevice::plug(int port, std::string& why) {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        why = std::string("socketpair: ") + strerror(errno);
        return false;
    }
    socket_ = pair[0];
    {
        // port, the kernel's end, a device id (bus 1, device 2) and the speed.
        std::ofstream attach(vhciAttach);
        attach << port << " " << pair[1] << " " << 65538 << " " << model_->speed() << std::flush;
        bool attached = attach.good();
        close(pair[1]);
        if (!attached) {
            why = std::string("cannot attach to ") + vhciAttach;
            return false;
        }
    }
    server_ = std::thread([this] { serve(); });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        std::vector<std::string> nodes = lircDevicesOnVhci();
        if (nodes.size() == 1 && access(nodes[0].c_str(), F_OK) == 0 && model_->started(outTransfers()) &&
            (!model_->startsReading() || reading()) && inSubmitted()) {
            lircPath_ = nodes[0];
            return true;
        }
        usleep(20000);
    }
    why = "the driver made no LIRC device of it within 20 s";
    return false;
}

void UsbipDevice::unplug() {
    if (socket_ >= 0) {
        shutdown(socket_, SHUT_RDWR);
    }
}

void UsbipDevice::sendAfter(const Bytes& trigger, std::vector<Bytes> chunks) {
    std::lock_guard<std::mutex> lock(mutex_);
    trigger_ = trigger;
    afterTrigger_ = std::move(chunks);
}

void UsbipDevice::send(std::vector<Bytes> chunks) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (Bytes& chunk : chunks) {
            inQueue_.push_back(std::move(chunk));
        }
    }
    completePending();
}

bool UsbipDevice::waitSent(int milliseconds) const {
    for (int waited = 0;; waited += 2) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (inQueue_.empty()) {
                return true;
            }
        }
        if (waited >= milliseconds) {
            return false;
        }
        usleep(2000);
    }
}

bool UsbipDevice::reading() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !pending_.empty();
}

bool UsbipDevice::inSubmitted() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return inSubmitted_;
}

void UsbipDevice::setOutFault(OutFault fault) {
    std::lock_guard<std::mutex> lock(mutex_);
    outFault_ = fault;
}

void UsbipDevice::holdControlRequest(int request) {
    std::lock_guard<std::mutex> lock(mutex_);
    heldRequest_ = request;
}

std::vector<UsbTransfer> UsbipDevice::outTransfers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return outs_;
}

bool UsbipDevice::readAll(void* buffer, size_t bytes) {
    auto* at = static_cast<uint8_t*>(buffer);
    while (bytes > 0) {
        ssize_t got = read(socket_, at, bytes);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        at += got;
        bytes -= static_cast<size_t>(got);
    }
    return true;
}

void UsbipDevice::writeAll(const void* buffer, size_t bytes) {
    std::lock_guard<std::mutex> lock(writing_);
    const auto* at = static_cast<const uint8_t*>(buffer);
    while (bytes > 0) {
        // Unplugged meanwhile (the socket shut): EPIPE, not SIGPIPE.
        ssize_t put = ::send(socket_, at, bytes, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return;
        }
        at += put;
        bytes -= static_cast<size_t>(put);
    }
}

void UsbipDevice::serve() {
    uint8_t header[headerBytes];
    while (readAll(header, sizeof header)) {
        if (!handle(header)) {
            break;
        }
    }
}

// RET_SUBMIT: the data of an IN transfer follows; of an OUT one only its length is told.
void UsbipDevice::reply(uint32_t seqnum, int32_t status, const std::vector<uint8_t>& data, bool in) {
    uint8_t header[headerBytes] = {};
    putWord(header, 0, retSubmit);
    putWord(header, 4, seqnum);
    putWord(header, 20, static_cast<uint32_t>(status));
    putWord(header, 24, static_cast<uint32_t>(data.size()));
    Bytes message(header, header + headerBytes);
    if (in) {
        message.insert(message.end(), data.begin(), data.end());
    }
    writeAll(message.data(), message.size());
}

bool UsbipDevice::handle(const uint8_t* header) {
    uint32_t command = wordAt(header, 0);
    uint32_t seqnum = wordAt(header, 4);
    uint32_t direction = wordAt(header, 12);
    uint32_t endpoint = wordAt(header, 16);
    if (command == cmdUnlink) {
        uint32_t victim = wordAt(header, 20);
        int32_t status = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (auto it = pending_.begin(); it != pending_.end(); ++it) {
                if (it->seqnum == victim) {
                    pending_.erase(it);
                    status = -ENOENT;  // what a host controller gives usb_kill_urb
                    break;
                }
            }
            if (auto held = std::find(heldOuts_.begin(), heldOuts_.end(), victim); held != heldOuts_.end()) {
                heldOuts_.erase(held);
                status = -ENOENT;
            }
        }
        uint8_t answer[headerBytes] = {};
        putWord(answer, 0, retUnlink);
        putWord(answer, 4, seqnum);
        putWord(answer, 20, static_cast<uint32_t>(status));
        writeAll(answer, sizeof answer);
        return true;
    }
    if (command != cmdSubmit) {
        return false;
    }
    uint32_t length = wordAt(header, 24);
    Bytes data;
    if (direction == 0 && length > 0) {
        data.resize(length);
        if (!readAll(data.data(), length)) {
            return false;
        }
    }
    // An isochronous transfer's packet descriptors follow: offset, length,
    // actual length and status, a word each.
    uint32_t packets = wordAt(header, 32);
    if (packets != 0 && packets != 0xffffffff) {
        Bytes descriptors(16 * static_cast<size_t>(packets));
        if (packets > 1024 || !readAll(descriptors.data(), descriptors.size())) {
            return false;
        }
    } else {
        packets = 0;
    }
    if (endpoint == 0) {
        const uint8_t* setup = header + 40;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if ((setup[0] & 0x60) == 0x40 && setup[1] == heldRequest_) {
                heldOuts_.push_back(seqnum);  // answered only when unlinked
                return true;
            }
        }
        answerControl(seqnum, setup, data);
        return true;
    }
    if (direction == 1) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            pending_.push_back({seqnum, endpoint, length, packets});
            inSubmitted_ = true;
        }
        completePending();
        return true;
    }
    OutFault fault;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        outs_.push_back({nowMicroseconds(), endpoint, data});
        fault = outFault_;
        if (fault == OutFault::hold) {
            heldOuts_.push_back(seqnum);
        }
    }
    if (fault == OutFault::hold) {
        return true;
    }
    if (fault == OutFault::stall) {
        reply(seqnum, -EPIPE, {}, false);
        return true;
    }
    // The device's answer to an OUT transfer comes after that transfer completed: a
    // driver may resubmit the same URB once it sees the answer.
    reply(seqnum, 0, data, false);
    std::vector<Bytes> answers = model_->answer(data);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (Bytes& chunk : answers) {
            inQueue_.push_back(std::move(chunk));
        }
        if (!afterTrigger_.empty() && data.size() >= trigger_.size() &&
            std::equal(trigger_.begin(), trigger_.end(), data.begin())) {
            for (Bytes& chunk : afterTrigger_) {
                inQueue_.push_back(std::move(chunk));
            }
            afterTrigger_.clear();
        }
    }
    completePending();
    return true;
}

void UsbipDevice::completePending() {
    std::lock_guard<std::mutex> completing(completing_);
    for (;;) {
        Pending transfer{};
        Bytes chunk;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (pending_.empty() || inQueue_.empty()) {
                return;
            }
            transfer = pending_.front();
            pending_.pop_front();
            chunk = std::move(inQueue_.front());
            inQueue_.pop_front();
            if (chunk.size() > transfer.length) {
                inQueue_.emplace_front(chunk.begin() + transfer.length, chunk.end());
                chunk.resize(transfer.length);
            }
        }
        if (transfer.packets != 0) {
            replyIsochronous(transfer, chunk);
        } else {
            reply(transfer.seqnum, 0, chunk, true);
        }
    }
}

// An isochronous IN transfer's RET_SUBMIT: the data fills its packets in order, of
// an equal share of its length each; their descriptors follow the data.
void UsbipDevice::replyIsochronous(const Pending& transfer, const std::vector<uint8_t>& data) {
    uint8_t header[headerBytes] = {};
    putWord(header, 0, retSubmit);
    putWord(header, 4, transfer.seqnum);
    putWord(header, 24, static_cast<uint32_t>(data.size()));
    putWord(header, 32, transfer.packets);
    Bytes message(header, header + headerBytes);
    message.insert(message.end(), data.begin(), data.end());
    uint32_t share = transfer.length / transfer.packets;
    uint32_t left = static_cast<uint32_t>(data.size());
    for (uint32_t packet = 0; packet < transfer.packets; ++packet) {
        uint8_t descriptor[16] = {};
        uint32_t actual = std::min(share, left);
        putWord(descriptor, 0, packet * share);
        putWord(descriptor, 4, share);
        putWord(descriptor, 8, actual);
        left -= actual;
        message.insert(message.end(), descriptor, descriptor + sizeof descriptor);
    }
    writeAll(message.data(), message.size());
}

void UsbipDevice::answerControl(uint32_t seqnum, const uint8_t* setup, const std::vector<uint8_t>& data) {
    uint8_t requestType = setup[0];
    uint8_t request = setup[1];
    uint16_t value = static_cast<uint16_t>(setup[2] | setup[3] << 8);
    uint16_t wanted = static_cast<uint16_t>(setup[6] | setup[7] << 8);
    constexpr uint8_t getDescriptor = 6;
    if (requestType == 0x80 && request == getDescriptor) {
        Bytes descriptor;
        uint8_t type = static_cast<uint8_t>(value >> 8);
        uint8_t index = static_cast<uint8_t>(value & 0xff);
        std::vector<std::string> strings = model_->strings();
        if (type == 1) {
            descriptor = model_->deviceDescriptor();
        } else if (type == 2) {
            descriptor = model_->configDescriptor();
        } else if (type == 3 && index == 0) {
            descriptor = {4, 3, 0x09, 0x04};  // English (US)
        } else if (type == 3 && index <= strings.size()) {
            descriptor = stringDescriptor(strings[index - 1]);
        } else {
            reply(seqnum, -EPIPE, {}, true);  // a device qualifier or anything else: stall
            return;
        }
        if (descriptor.size() > wanted) {
            descriptor.resize(wanted);
        }
        reply(seqnum, 0, descriptor, true);
        return;
    }
    // SET_CONFIGURATION, SET_INTERFACE, CLEAR_FEATURE: taken.
    constexpr uint8_t clearFeature = 1;
    constexpr uint8_t setConfiguration = 9;
    constexpr uint8_t setInterface = 11;
    if ((requestType & 0x80) == 0 &&
        (request == setConfiguration || request == setInterface || request == clearFeature)) {
        reply(seqnum, 0, {}, false);
        return;
    }
    constexpr uint8_t vendorRequest = 0x40;
    if ((requestType & 0x60) == vendorRequest) {
        Bytes answer;
        if (model_->control(setup, data, answer)) {
            reply(seqnum, 0, (requestType & 0x80) != 0 ? answer : data, (requestType & 0x80) != 0);
            return;
        }
    }
    reply(seqnum, -EPIPE, {}, (requestType & 0x80) != 0);
}
