#!/usr/bin/env bash
# Builds every documented configuration and fails on any warning:
#   - Debug, Release, RelWithDebInfo and MinSizeRel, each with the Windows
#     trees (where MinGW-w64 is installed) and without them: the programs, the
#     library, the emulator and the benchmarks;
#   - Release once more with the tests, which the README's test command builds
#     in RelWithDebInfo;
#   - the README's Windows command.
# Each configuration is built with WARNINGS_AS_ERRORS, and its log (the
# Windows trees' logs too) is searched for warnings of the compiler, the
# linker and CMake. The configurations of one build type share a folder, so
# that each builds only what the one before it did not.
#
#   MATRIX_DIR  the folder of the build folders (default build-matrix)
set -euo pipefail
cd "$(dirname "$0")/.."

root=${MATRIX_DIR:-build-matrix}
mkdir -p "$root"
failed=()

# build LABEL FOLDER CMAKE_ARGUMENT...: configures and builds FOLDER.
build() {
    local label=$1 folder=$root/$2
    shift 2
    local log=$folder.log start=$SECONDS
    local ok=1
    { cmake -S . -B "$folder" -G Ninja --no-warn-unused-cli "$@" && cmake --build "$folder"; } >"$log" 2>&1 || ok=0
    # The Windows trees log on their own (ExternalProject).
    local logs=("$log")
    mapfile -t -O 1 logs < <(find "$folder" -path '*-stamp/*.log' 2>/dev/null)
    if grep -qE 'warning:|CMake Warning' "${logs[@]}"; then
        grep -hE -A8 'warning:|CMake Warning' "${logs[@]}" | head -40
        ok=0
    fi
    if ((ok)); then
        echo "=== $label: built without warnings ($((SECONDS - start)) s)"
    else
        tail -n 30 "$log"
        echo "=== $label: FAILED (log: $log)"
        failed+=("$label")
    fi
}

windows=0
if command -v i686-w64-mingw32-g++ >/dev/null || command -v i686-w64-mingw32-g++-win32 >/dev/null; then
    windows=1
else
    echo "=== no MinGW-w64: the Windows trees and the README's Windows command are left out"
fi

for type in Debug Release RelWithDebInfo MinSizeRel; do
    build "$type, with the Windows trees" "$type" -DCMAKE_BUILD_TYPE=$type -DBUILD_TESTING=OFF \
        -DWARNINGS_AS_ERRORS=ON -DIRTOOLS_WINDOWS_BUILDS=ON
    build "$type, without the Windows trees" "$type" -DIRTOOLS_WINDOWS_BUILDS=OFF
done
build "Release, with the tests" Release -DBUILD_TESTING=ON -DIRTOOLS_WINDOWS_BUILDS=ON
if ((windows)); then
    # As the README gives it, without WARNINGS_AS_ERRORS: the log tells.
    build "the README's Windows command" windows --toolchain cmake/toolchain-i686-w64-mingw32.cmake \
        -DBUILD_TESTING=OFF
fi

if ((${#failed[@]} > 0)); then
    echo "build matrix: failed: ${failed[*]}" >&2
    exit 1
fi
echo "build matrix: every configuration built without warnings"
