#!/usr/bin/env bash
# Builds the whole project with AddressSanitizer and UndefinedBehaviorSanitizer
# (IRTOOLS_SANITIZE) in a build folder of its own and runs every test in it:
# the programs, the library, the emulated device and ir-ctl on it. Any memory
# error, leak or undefined behaviour fails the test that met it.
#
#   SANITIZE_BUILD_DIR  build folder (default build-asan)
#   SANITIZE_CXX        the compiler (default g++)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${SANITIZE_BUILD_DIR:-build-asan}
cxx=${SANITIZE_CXX:-g++}

# Exit 77, the usual "skipped", when the compiler cannot link the sanitizers.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'int main() { return 0; }' > "$probe/probe.cpp"
if ! "$cxx" -fsanitize=address,undefined "$probe/probe.cpp" -o "$probe/probe" 2> /dev/null; then
    echo "run-sanitized-tests: $cxx cannot link ASan and UBSan, skipped"
    exit 77
fi

cmake --no-warn-unused-cli -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DIRTOOLS_SANITIZE=ON -DIRTOOLS_WINDOWS_BUILDS=OFF
cmake --build "$build"

# The one relaxed check: the emulator is preloaded, so it comes before the
# sanitizer's runtime in the list of libraries, and the runtime refuses to
# start unless it comes first ("ASan runtime does not come first"). The
# emulator, itself sanitized, only interposes on the device calls and hands
# the rest on to the runtime's interceptors; malloc and free stay the
# runtime's, so heap errors and leaks are still found. ir-ctl, not built here,
# gets the runtime only through the emulator and is checked only where the
# emulator's code runs.
export ASAN_OPTIONS=${ASAN_OPTIONS:-verify_asan_link_order=0:detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
