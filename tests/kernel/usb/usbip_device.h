// A USB device that is a program: a model of a device (usb_model.h) served over USB/IP
// into the kernel's vhci-hcd, so that the kernel's own driver binds to it. The kernel's
// end of a socket pair is handed to vhci-hcd's attach file; this end answers every URB
// the kernel submits: control transfers on endpoint 0 from the model's descriptors, OUT
// transfers recorded and handed to the model, IN transfers kept pending until the model
// has bytes for them. Shutting the socket unplugs the device.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/kernel/usb/usb_model.h"

// vhci-hcd's attach file; without it (no vhci-hcd module) nothing can be attached.
constexpr const char* vhciAttach = "/sys/devices/platform/vhci_hcd.0/attach";

class UsbipDevice {
public:
    explicit UsbipDevice(std::unique_ptr<UsbModel> model);
    ~UsbipDevice();
    UsbipDevice(const UsbipDevice&) = delete;
    UsbipDevice& operator=(const UsbipDevice&) = delete;

    // Plugs the device in on the vhci port and waits until its driver has made a LIRC
    // device of it and finished its start-up commands; false with why if not within
    // the time.
    bool plug(int port, std::string& why);
    // Whether the driver has submitted an IN transfer on an endpoint other than 0.
    // Every driver here does so in its probe; streamzap's probe does it last, after
    // registering the LIRC device and then setting its receive timeout, so plug()
    // waits for it.
    bool inSubmitted() const;
    // Shuts the socket: the kernel sees the device go away.
    void unplug();

    // The LIRC device the driver made, "/dev/lircN".
    const std::string& lircPath() const { return lircPath_; }

    // Once an OUT transfer that begins with `trigger` has come and been answered, the
    // chunks go to the host, an IN transfer each.
    void sendAfter(const Bytes& trigger, std::vector<Bytes> chunks);
    // The chunks go to the host now, an IN transfer each (a device the driver sends
    // nothing to).
    void send(std::vector<Bytes> chunks);
    // Waits until every chunk queued so far has gone to the host; false if not
    // within the time.
    bool waitSent(int milliseconds) const;

    // A fault of the device's, from now on, for the OUT transfers of endpoints other
    // than 0: none; each kept unanswered (the driver's timeout unlinks it); each
    // answered with a stall (-EPIPE). A faulty OUT transfer is recorded but not
    // handed to the model.
    enum class OutFault { none, hold, stall };
    void setOutFault(OutFault fault);
    // A vendor control request of this number is taken and never answered, as a
    // device that hangs; -1: none.
    void holdControlRequest(int request);

    // The OUT transfers of endpoints other than 0 so far, in order.
    std::vector<UsbTransfer> outTransfers() const;
    UsbModel& model() { return *model_; }

private:
    struct Pending {
        uint32_t seqnum;
        uint32_t endpoint;
        uint32_t length;
        uint32_t packets;  // of an isochronous transfer; 0: another kind
    };

    // Whether an IN transfer is pending.
    bool reading() const;
    void serve();
    bool handle(const uint8_t* header);
    void answerControl(uint32_t seqnum, const uint8_t* setup, const std::vector<uint8_t>& data);
    void reply(uint32_t seqnum, int32_t status, const std::vector<uint8_t>& data, bool in);
    void replyIsochronous(const Pending& transfer, const std::vector<uint8_t>& data);
    void completePending();
    bool readAll(void* buffer, size_t bytes);
    void writeAll(const void* buffer, size_t bytes);

    std::unique_ptr<UsbModel> model_;
    int socket_ = -1;
    std::thread server_;
    mutable std::mutex mutex_;
    // One message at a time on the socket, and queued chunks completed in order,
    // from the server's thread and from send().
    std::mutex writing_;
    std::mutex completing_;
    std::vector<UsbTransfer> outs_;
    std::deque<Pending> pending_;
    std::deque<uint32_t> heldOuts_;  // seqnums of transfers never to be answered, but unlinked
    bool inSubmitted_ = false;
    OutFault outFault_ = OutFault::none;
    int heldRequest_ = -1;
    std::deque<std::vector<uint8_t>> inQueue_;
    Bytes trigger_;
    std::vector<Bytes> afterTrigger_;
    std::string lircPath_;
};

// The /dev/lircN nodes whose device hangs below vhci-hcd.
std::vector<std::string> lircDevicesOnVhci();
