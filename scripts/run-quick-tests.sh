#!/usr/bin/env bash
# The contributor's quick loop: builds (Release: without debug information
# it compiles fastest) the programs, the library, the
# emulated device and their tests, without the Windows trees, and runs the
# unit, black-box and emulated-device tests. No VM (the kernel suite), no Wine,
# no benchmarks, no memcheck, no build matrix, cross builds, fuzzers or sanitized suite:
# scripts/run-tests.sh runs all of those, and is what CI runs.
#
#   BUILD_DIR=folder   build there instead of build-quick/
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build-quick}
cmake -S . -B "$build" -G Ninja -DIRTOOLS_WINDOWS_BUILDS=OFF -DIRTOOLS_KERNEL_TESTS=OFF -DIRTOOLS_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=Release
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" -LE 'kernel|bench' -E '^(wine\.|memcheck$)'
