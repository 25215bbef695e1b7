#!/usr/bin/env bash
# Builds the benchmarks in Release, runs them once and writes BENCHMARKS.md
# with the figures beside their goals and the machine they were measured on.
#
#   scripts/run-benchmarks.sh            # BUILD_DIR=build-release RUNS=30 REPETITIONS=20
#
# Needs libbenchmark-dev and ir-ctl (v4l-utils); the table on the kernel's
# rc-loopback also the kernel suite's VM (tests/kernel/kernel_vm.sh: qemu-system-x86,
# linux-image-amd64, busybox-static, cpio), and says it was skipped without
# it (KERNEL_RUNS=0 skips it too). The figures come from one run:
# on a shared or busy machine they are noisy, so every figure is a median, and
# the load average at the start is written beside them.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build-release}
runs=${RUNS:-30}
repetitions=${REPETITIONS:-20}
kernel_runs=${KERNEL_RUNS:-15}
output=${OUTPUT:-BENCHMARKS.md}

# Cross builds, where the tree has them, are not measured.
nice -n 10 cmake -S . -B "$build" -G Ninja --no-warn-unused-cli \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DIRTOOLS_WINDOWS_BUILDS=OFF
nice -n 10 cmake --build "$build"
if [ ! -x "$build/bin/codec_bench" ]; then
    echo "run-benchmarks: $build/bin/codec_bench was not built; is libbenchmark-dev installed?" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

load=$(cut -d' ' -f1-3 /proc/loadavg)
started=$(date -u '+%Y-%m-%d %H:%M UTC')

"$build/bin/codec_bench" --benchmark_repetitions="$repetitions" \
    --benchmark_report_aggregates_only=true --markdown="$work/codec.md" | tee "$work/codec.txt"
"$build/bin/process_bench" --runs "$runs" --markdown "$work/process.md"
"$build/bin/whole_signal_bench" --runs "$runs" --markdown "$work/whole.md"
"$build/bin/lean_bench" --runs "$runs" --markdown "$work/lean.md"
"$build/bin/irsignal_bench" --runs "$runs" --markdown "$work/irsignal.md"
# The same beside ir-ctl on the kernel's rc-loopback, in the kernel suite's VM.
kernel_table="## 6. irplay beside ir-ctl on the kernel's rc-loopback"
if [ "$kernel_runs" = 0 ]; then
    printf '%s\n\nSkipped (KERNEL_RUNS=0).\n' "$kernel_table" > "$work/lean-kernel.md"
elif ! why=$(tests/kernel/kernel_vm.sh --check 2>&1); then
    printf '%s\n\nSkipped: %s\n' "$kernel_table" "${why#kernel_vm: skipped: }" > "$work/lean-kernel.md"
else
    tests/kernel/kernel_vm.sh --share "$work" --timeout 1800 -- "$(cd "$build" && pwd)/bin/lean_bench" \
        --device /dev/lirc0 --runs "$kernel_runs" --markdown "$work/lean-kernel.md"
fi

cpu=$(grep -m1 '^model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
compiler_version=$("$compiler" --version | head -n1)
irctl_version=$(/usr/bin/ir-ctl --version 2>&1 | head -n1 || true)
benchmark_version=$(dpkg-query -W -f '${Version}' libbenchmark-dev 2>/dev/null || echo unknown)

{
    echo "# Benchmarks"
    echo
    echo "Written by \`scripts/run-benchmarks.sh\` (Release build) on $started. Every figure is"
    echo "from that one run; the machine may be shared, so figures are medians, and ratios are"
    echo "between figures of the same run."
    echo
    echo "| machine | |"
    echo "| --- | --- |"
    echo "| CPU | $cpu |"
    echo "| cores | $(nproc) online, $(grep -c '^processor' /proc/cpuinfo) in /proc/cpuinfo |"
    echo "| kernel | $(uname -srm) |"
    echo "| compiler | $compiler_version |"
    echo "| Google Benchmark | $benchmark_version |"
    echo "| ir-ctl | $irctl_version |"
    echo "| load average at the start | $load |"
    echo
    not_met=$(cat "$work/codec.md" "$work/process.md" "$work/whole.md" "$work/lean.md" "$work/lean-kernel.md" \
        "$work/irsignal.md" |
        grep -c 'not met' || true)
    if [ "$not_met" -eq 0 ]; then
        echo "Every goal below is met."
    else
        echo "**$not_met of the goals below are not met**; their rows say **not met**."
    fi
    echo
    echo "## 1. Signal file codec"
    echo
    echo "The largest signal a LIRC device takes in one write: 1023 durations (three-digit, drawn"
    echo "with a fixed seed, about 460 ms together) and a carrier, in the keyword form with its"
    echo "\`carrier\` line. Reading is \`parseSignalFile\` and cutting it into writes (\`planTransmission\`), as irplay's"
    echo "library does before sending; writing a recording is \`formatSignalFile\`, the look for"
    echo "a scancode it decodes as (\`decodeSignal\`: every decoder fed every duration, since it holds"
    echo "no frame), the \`MessageAssembler\` fed the 1025 samples a receiver reports for it (carrier,"
    echo "durations, timeout), and all together (\`formatRecording\`, as irrecord's library writes"
    echo "it). Google Benchmark, median of $repetitions repetitions."
    echo
    echo "| benchmark | median | goal | verdict | repetitions |"
    echo "| --- | ---: | --- | --- | ---: |"
    cat "$work/codec.md"
    echo
    cat "$work/process.md"
    echo
    cat "$work/whole.md"
    echo
    cat "$work/lean.md"
    echo
    cat "$work/lean-kernel.md"
    echo
    cat "$work/irsignal.md"
    echo
    cat benchmarks/NOTES.md
} > "$output"
echo "run-benchmarks: wrote $output"
