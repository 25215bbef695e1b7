// A model of a USB IR transceiver as its kernel driver meets it: its descriptors, its
// answers to the driver's commands, and what the bytes the driver sends it mean. One
// model per driver (iguanair_model.cpp, mceusb_model.cpp), each written from the
// driver's source, table-driven, served by usbip_device.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A transfer the device took, and when (CLOCK_MONOTONIC, microseconds).
struct UsbTransfer {
    int64_t microseconds = 0;
    uint32_t endpoint = 0;
    Bytes bytes;
};

// A signal as the device would emit it.
struct DeviceTransmission {
    uint32_t carrier = 0;   // Hz, as the device makes it from what the driver set
    uint32_t emitters = 0;  // bit n - 1: emitter n
    std::vector<uint32_t> durations;  // pulse, space, ..., pulse in microseconds
    int64_t microseconds = 0;  // when its first transfer reached the device
};

class UsbModel {
public:
    virtual ~UsbModel() = default;

    virtual Bytes deviceDescriptor() const = 0;
    // The configuration descriptor with its interface and endpoint descriptors.
    virtual Bytes configDescriptor() const = 0;
    // Strings 1, 2, ... of the descriptors.
    virtual std::vector<std::string> strings() const = 0;
    virtual int speed() const = 0;  // USB/IP's: 1 low, 2 full, 3 high

    // What the device sends back on its IN endpoint for an OUT transfer, a chunk an
    // IN transfer.
    virtual std::vector<Bytes> answer(const Bytes& out) = 0;
    // Whether the driver has sent all of its start-up commands.
    virtual bool started(const std::vector<UsbTransfer>& outs) const = 0;
    // Whether the driver is only done starting once it reads the IN endpoint: its
    // last step is to submit its first IN transfer.
    virtual bool startsReading() const { return false; }
    // The signals that the OUT transfers sent.
    virtual std::vector<DeviceTransmission> transmissions(const std::vector<UsbTransfer>& outs) const = 0;

    // How far a duration the device emits may be from the one written, us, and its
    // carrier from the one set, as a fraction.
    virtual uint32_t durationTolerance() const = 0;
    virtual double carrierTolerance() const = 0;
    virtual uint32_t emitterCount() const = 0;
    // Whether the driver lets the emitters be chosen (LIRC_SET_TRANSMITTER_MASK).
    virtual bool choosesEmitters() const { return true; }

    // A vendor control request on endpoint 0 (setup: its 8 bytes, data: what an OUT
    // one carries): false to stall it, else the data of an IN one in reply.
    virtual bool control(const uint8_t* setup, const Bytes& data, Bytes& reply) {
        (void)setup;
        (void)data;
        (void)reply;
        return false;
    }
    // How many times the driver has started the learning receiver's capture, for a
    // device that only reports a carrier once it has.
    virtual unsigned learningCaptures() const { return 0; }

    // The IN transfers in which the device reports hearing the durations (pulse
    // first), at the carrier where it measures one; none where it cannot receive.
    virtual std::vector<Bytes> received(const std::vector<uint32_t>& durations, uint32_t carrier) const {
        (void)durations;
        (void)carrier;
        return {};
    }
    // The OUT transfer with which the driver starts the recording of a message;
    // empty: the driver sends nothing, and the device reports once the reader has
    // the device open.
    virtual Bytes recordingStart() const { return {}; }
    // The OUT transfer that puts the device back as it was once the recording
    // ends; empty: none is needed.
    virtual Bytes recordingEnd() const { return {}; }
    // Whether the OUT transfer sets the device's receive timeout.
    virtual bool setsReceiveTimeout(const Bytes& out) const {
        (void)out;
        return false;
    }
};

std::unique_ptr<UsbModel> makeUsbModel(const std::string& name);
// The models makeUsbModel knows, with the kernel module each needs.
struct UsbModelName {
    const char* name;
    const char* module;
};
extern const UsbModelName usbModels[];
extern const size_t usbModelCount;
