// A signal longer than one write on each fake USB transceiver that sends: every frame
// reaches the device, in order, and each write began no sooner than the one before
// it, its signal and the gap after it allow. When each write began is traced in the
// guest (write_trace.cpp preloaded into irplay); how late after that point it began,
// and how far the gaps the device saw are from the file's, are printed as figures:
// under TCG they depend on the host's load, so they are measured, not asserted.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/blackbox/child_process.h"
#include "tests/blackbox/scratch_folder.h"
#include "tests/kernel/usb/usb_case_support.h"

namespace {

// A frame and its repeats 40 ms apart, 1.26 s in all: several writes of at most
// 500 ms, or a frame a write where the driver takes no more.
constexpr size_t frameCount = 12;
constexpr uint32_t gap = 40000;
const std::vector<uint32_t> frame = necFrameOf(0xbf40ff00);

struct TracedWrite {
    int64_t beginNanoseconds = 0;
    int64_t endNanoseconds = 0;
    size_t values = 0;
    bool sent = false;
};

std::vector<TracedWrite> readTrace(const std::filesystem::path& path) {
    std::vector<TracedWrite> writes;
    std::ifstream trace(path);
    long long begin = 0;
    long long end = 0;
    size_t values = 0;
    long long result = 0;
    while (trace >> begin >> end >> values >> result) {
        writes.push_back({begin, end, values, result > 0});
    }
    return writes;
}

int64_t median(std::vector<int64_t> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The frames of the transmissions, each cut at its spaces of 19 ms or more.
std::vector<std::vector<uint32_t>> framesIn(const std::vector<DeviceTransmission>& sent) {
    std::vector<std::vector<uint32_t>> frames;
    for (const DeviceTransmission& transmission : sent) {
        frames.emplace_back();
        for (size_t i = 0; i < transmission.durations.size(); ++i) {
            if (i % 2 == 1 && transmission.durations[i] >= 19000) {
                frames.emplace_back();
            } else {
                frames.back().push_back(transmission.durations[i]);
            }
        }
    }
    return frames;
}

std::vector<std::string> sendingModels() {
    std::vector<std::string> names;
    for (size_t m = 0; m < usbModelCount; ++m) {
        if (makeUsbModel(usbModels[m].name)->emitterCount() != 0) {
            names.push_back(usbModels[m].name);
        }
    }
    return names;
}

class LongSignalOnUsbDevice : public ::testing::TestWithParam<std::string> {};

TEST_P(LongSignalOnUsbDevice, EveryFrameInOrderAndNoWriteEarly) {
    const std::string& model = GetParam();
    if (std::string skip = cannotRun(model); !skip.empty()) {
        GTEST_SKIP() << skip;
    }
    std::string why;
    std::unique_ptr<UsbipDevice> device = plugAlone(makeUsbModel(model), why);
    ASSERT_NE(device, nullptr) << why;
    std::unique_ptr<UsbModel> decoder = makeUsbModel(model);

    ScratchFolder scratch;
    std::vector<std::vector<uint32_t>> frames(frameCount, frame);
    writeFile(scratch / "key.ir", fileOf(frames, gap));
    std::vector<uint32_t> durations;
    for (size_t f = 0; f < frameCount; ++f) {
        durations.insert(durations.end(), frame.begin(), frame.end());
        if (f + 1 < frameCount) {
            durations.push_back(gap);
        }
    }
    ChildLaunch launch;
    launch.command = {std::string(PROGRAMS_FOLDER) + "/irplay", "-i", "key.ir"};
    // Symbols bound at start: the first write then waits for no lookup of write().
    launch.setEnvironment = {"OSTREL_DEVICE=" + device->lircPath(), "LD_PRELOAD=" WRITE_TRACE_LIBRARY, "LD_BIND_NOW=1",
                             "IRTOOLS_WRITE_TRACE=" + (scratch / "trace")};
    launch.workingFolder = scratch.path();
    launch.timeoutSeconds = 20;
    ChildResult run = runChild(launch);
    ASSERT_TRUE(run.exited) << run.standardError;
    ASSERT_EQ(run.standardOutput, "Play successfull !\n") << run.standardError;

    // Every value written once, in order; a write refused whole (a driver that takes a
    // frame a write) sent nothing, and the frames after it go at once.
    std::vector<TracedWrite> writes = readTrace(scratch / "trace");
    ASSERT_FALSE(writes.empty()) << "no write traced";
    struct SentWrite {
        int64_t beginNanoseconds;
        int64_t span;  // its durations and the gap after it, us
        bool afterRefusal;
    };
    std::vector<SentWrite> sentWrites;
    std::vector<int64_t> lateness;
    std::vector<int64_t> returnedAfterSignal;  // how long after its signal's end each write returned, us
    size_t offset = 0;
    bool refused = false;
    for (const TracedWrite& write : writes) {
        if (!write.sent) {
            refused = true;
            continue;
        }
        ASSERT_LE(offset + write.values, durations.size());
        int64_t span = 0;
        for (size_t i = offset; i < offset + write.values; ++i) {
            span += durations[i];
        }
        offset += write.values;
        returnedAfterSignal.push_back((write.endNanoseconds - write.beginNanoseconds) / 1000 - span);
        if (offset < durations.size()) {
            span += durations[offset++];  // the space waited out before the next write
        }
        if (!sentWrites.empty() && !refused) {
            const SentWrite& previous = sentWrites.back();
            int64_t apart = (write.beginNanoseconds - previous.beginNanoseconds) / 1000;
            // Less 1 ms: the trace stamps a write a little after irplay's own clock
            // reading that times the next one.
            EXPECT_GE(apart, previous.span - 1000) << "write " << sentWrites.size() + 1 << " began early";
            lateness.push_back(apart - previous.span);
        }
        sentWrites.push_back({write.beginNanoseconds, span, refused});
        refused = false;
    }
    EXPECT_EQ(offset, durations.size()) << "not every value was written";

    std::vector<DeviceTransmission> sent = decoder->transmissions(device->outTransfers());
    std::vector<std::vector<uint32_t>> heard = framesIn(sent);
    ASSERT_EQ(heard.size(), frameCount);
    for (size_t f = 0; f < heard.size(); ++f) {
        ASSERT_EQ(heard[f].size(), frame.size()) << "frame " << f + 1;
        for (size_t d = 0; d < frame.size(); ++d) {
            EXPECT_NEAR(heard[f][d], frame[d], decoder->durationTolerance()) << "frame " << f + 1 << ", duration " << d + 1;
        }
    }
    ASSERT_EQ(sent.size(), sentWrites.size()) << "a transmission for each write sent";
    std::vector<int64_t> gapError;
    for (size_t i = 1; i < sent.size(); ++i) {
        if (!sentWrites[i].afterRefusal) {
            gapError.push_back(sent[i].microseconds - sent[i - 1].microseconds - sentWrites[i - 1].span);
        }
    }
    auto largest = [](const std::vector<int64_t>& values) {
        return values.empty() ? 0LL : static_cast<long long>(*std::max_element(values.begin(), values.end()));
    };
    std::printf("%s: %zu writes sent (%zu traced); a write began after the one before and its gap allow by "
                "median %lld us, at most %lld us; the device saw them later than that by median %lld us, "
                "at most %lld us; a write returned after its signal's end by median %lld us\n",
                model.c_str(), sentWrites.size(), writes.size(), static_cast<long long>(median(lateness)),
                largest(lateness), static_cast<long long>(median(gapError)), largest(gapError),
                static_cast<long long>(median(returnedAfterSignal)));
    device->unplug();
}

INSTANTIATE_TEST_SUITE_P(Usb, LongSignalOnUsbDevice, ::testing::ValuesIn(sendingModels()),
                         [](const ::testing::TestParamInfo<std::string>& each) { return each.param; });

}  // namespace
