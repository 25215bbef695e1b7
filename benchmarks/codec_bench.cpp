// The signal file codec on the largest signal a LIRC device takes: reading and
// checking a file of that size as irplay's library does before it sends, and
// writing a recording of that size as irrecord's library does, from the
// samples to the file's bytes, with the look for a scancode it decodes as
// (formatRecording), which is also measured by itself.
//
//   codec_bench [--markdown=FILE] [Google Benchmark flags]
//
// Before it measures, it checks that each benchmark does the work it is named
// for (the file reads back as the signal, within the kernel's limits, the
// samples assemble to the same message), and exits 1 if not, so that a fast
// figure is never one of an early failure. With --markdown, the median of
// each benchmark's repetitions is written to FILE as a table row beside the
// goal.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "benchmarks/bench_signals.h"
#include "ostrel/codec/kernel_limits.h"
#include "ostrel/codec/message_assembler.h"
#include "ostrel/codec/protocols/scancode_decoding.h"
#include "ostrel/codec/signal_file.h"
#include "ostrel/codec/transmission_plan.h"

namespace {

// Each operation must take less than this, median of the repetitions.
constexpr double goalNanoseconds = 20000;

void BM_ReadLargestSignalFile(benchmark::State& state) {
    const std::string text = ostrel::formatSignalFile(bench::largestSignal());
    for (auto _ : state) {
        ostrel::SignalFileReading reading = ostrel::parseSignalFile(text, "largest.ir");
        ostrel::TransmissionPlan plan = ostrel::planTransmission(reading.signal);
        benchmark::DoNotOptimize(reading.signal.durations.data());
        benchmark::DoNotOptimize(plan.writes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReadLargestSignalFile);

void BM_FormatLargestRecording(benchmark::State& state) {
    const ostrel::Signal signal = bench::largestSignal();
    size_t bytes = 0;
    for (auto _ : state) {
        std::string text = ostrel::formatSignalFile(signal);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_FormatLargestRecording);

// The look for a scancode the recording decodes as: every decoder fed every
// duration, since the largest signal holds no frame of any protocol.
void BM_DecodeLargestRecording(benchmark::State& state) {
    const ostrel::Signal signal = bench::largestSignal();
    for (auto _ : state) {
        auto decoded = ostrel::protocols::decodeSignal(signal.durations);
        benchmark::DoNotOptimize(decoded);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * signal.durations.size()));
}
BENCHMARK(BM_DecodeLargestRecording);

void BM_AssembleLargestRecording(benchmark::State& state) {
    const std::vector<uint32_t> samples = bench::receivedSamples(bench::largestSignal(), 20000);
    for (auto _ : state) {
        ostrel::MessageAssembler assembler;
        for (uint32_t sample : samples) {
            assembler.feed(sample);
        }
        assembler.quiet();  // the clock ends the message
        benchmark::DoNotOptimize(assembler.message().durations.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * samples.size()));
}
BENCHMARK(BM_AssembleLargestRecording);

void BM_AssembleAndFormatLargestRecording(benchmark::State& state) {
    const std::vector<uint32_t> samples = bench::receivedSamples(bench::largestSignal(), 20000);
    for (auto _ : state) {
        ostrel::MessageAssembler assembler;
        for (uint32_t sample : samples) {
            assembler.feed(sample);
        }
        assembler.quiet();  // the clock ends the message
        std::string text = ostrel::formatRecording(assembler.message());
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * samples.size()));
}
BENCHMARK(BM_AssembleAndFormatLargestRecording);

// Empty when every benchmark's input leads to the work it is named for.
std::string inputProblem() {
    const ostrel::Signal signal = bench::largestSignal();
    if (signal.durations.size() != ostrel::mostValuesPerTransmission - 1) {
        return "the largest signal has " + std::to_string(signal.durations.size()) + " values";
    }
    if (std::string limit = ostrel::kernelLimitViolation(signal); !limit.empty()) {
        return "the largest signal is refused: " + limit;
    }
    const std::string text = ostrel::formatSignalFile(signal);
    ostrel::SignalFileReading reading = ostrel::parseSignalFile(text, "largest.ir");
    if (!reading.ok()) {
        return "the largest signal file does not read: " + reading.error;
    }
    if (reading.signal != signal) {
        return "the largest signal file reads as another signal";
    }
    ostrel::MessageAssembler assembler;
    for (uint32_t sample : bench::receivedSamples(signal, 20000)) {
        assembler.feed(sample);
    }
    assembler.quiet();
    if (assembler.state() != ostrel::MessageAssembler::State::complete) {
        return "the samples do not make a complete message: " + assembler.failure();
    }
    if (assembler.message() != signal) {
        return "the samples assemble to another signal";
    }
    if (ostrel::protocols::decodeSignal(signal.durations)) {
        return "the largest signal decodes as a scancode, so not every decoder sees all of it";
    }
    return {};
}

// The console report as usual, and the median of each benchmark kept.
class MedianKeeper : public benchmark::ConsoleReporter {
public:
    struct Median {
        std::string name;
        double nanoseconds;
        int64_t repetitions;
    };

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) {
                failed = true;
            }
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                double toNanoseconds = 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
                medians.push_back({run.run_name.function_name,
                                   run.GetAdjustedRealTime() * toNanoseconds, run.repetitions});
            }
        }
    }

    std::vector<Median> medians;
    bool failed = false;
};

bool writeMarkdown(const std::string& path, const std::vector<MedianKeeper::Median>& medians) {
    std::ofstream out(path);
    for (const MedianKeeper::Median& median : medians) {
        bool met = median.nanoseconds < goalNanoseconds;
        char row[256];
        std::snprintf(row, sizeof row, "| `%s` | %.2f µs | < %.0f µs | %s | %lld |\n",
                      median.name.c_str(), median.nanoseconds / 1000, goalNanoseconds / 1000,
                      met ? "met" : "**not met**", static_cast<long long>(median.repetitions));
        out << row;
    }
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    std::string markdown;
    std::vector<char*> passed;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strncmp(argv[i], "--markdown=", 11) == 0) {
            markdown = argv[i] + 11;
        } else {
            passed.push_back(argv[i]);
        }
    }
    int count = static_cast<int>(passed.size());
    benchmark::Initialize(&count, passed.data());
    if (benchmark::ReportUnrecognizedArguments(count, passed.data())) {
        return 2;
    }
    if (std::string problem = inputProblem(); !problem.empty()) {
        std::fprintf(stderr, "codec_bench: %s\n", problem.c_str());
        return 1;
    }
    MedianKeeper reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (reporter.failed) {
        return 1;
    }
    if (!markdown.empty() && !writeMarkdown(markdown, reporter.medians)) {
        std::fprintf(stderr, "codec_bench: cannot write %s\n", markdown.c_str());
        return 1;
    }
    return 0;
}
