#!/usr/bin/env bash
# Builds everything and runs every test. Tests whose tools are missing on this
# machine are reported by CTest as skipped, not as passed. Then every
# documented build configuration, checked for warnings
# (scripts/check-build-matrix.sh), and, each when its tools are there, the
# whole suite cross-built for arm64 and armhf under qemu-user
# (scripts/run-cross-tests.sh), the fuzzers for a bounded time
# (scripts/run-fuzzers.sh, clang with libFuzzer) and the whole suite built
# with the sanitizers (scripts/run-sanitized-tests.sh); each is said to be
# skipped otherwise.
#
#   IRTOOLS_SKIP_MATRIX=1, IRTOOLS_SKIP_CROSS=1, IRTOOLS_SKIP_FUZZERS=1,
#   IRTOOLS_SKIP_SANITIZED=1                           leave that stage out
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"

failed=()
# stage NAME SKIP_VARIABLE SCRIPT: runs the script; 77 from it is a skip.
stage() {
    local name=$1 skip=$2 script=$3
    if [ "${!skip:-0}" = 1 ]; then
        echo "=== $name: SKIPPED ($skip=1)"
        return
    fi
    echo "=== $name"
    local status=0
    "$script" || status=$?
    case $status in
        0) echo "=== $name: passed" ;;
        77) echo "=== $name: SKIPPED (tools missing, see above)" ;;
        *) echo "=== $name: FAILED ($status)"; failed+=("$name") ;;
    esac
}
stage "build matrix" IRTOOLS_SKIP_MATRIX scripts/check-build-matrix.sh
stage "cross tests (arm64, armhf)" IRTOOLS_SKIP_CROSS scripts/run-cross-tests.sh
stage fuzzers IRTOOLS_SKIP_FUZZERS scripts/run-fuzzers.sh
stage "sanitized tests" IRTOOLS_SKIP_SANITIZED scripts/run-sanitized-tests.sh

if [ ${#failed[@]} -gt 0 ]; then
    echo "failed: ${failed[*]}" >&2
    exit 1
fi
