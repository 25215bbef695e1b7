#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in a build folder of their own and
# runs each for a bounded time on a scratch copy of its seed corpus, so that
# the repository is never written. Exits nonzero when a fuzzer finds a crash,
# a leak, undefined behaviour, a hang or a broken check; the input that did it
# is kept in the build folder and named in the output.
#
#   FUZZ_BUILD_DIR  build folder (default build-fuzz)
#   FUZZ_SECONDS    time each fuzzer runs (default 60)
#   FUZZ_CXX        the clang++ to build with (default clang++-14, else clang++)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${FUZZ_BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
cxx=${FUZZ_CXX:-$(command -v clang++-14 || command -v clang++ || true)}
# Exit 77, the usual "skipped", when clang or its libFuzzer runtime
# (libclang-rt-N-dev on Debian) is missing.
if [ -z "$cxx" ]; then
    echo "run-fuzzers: no clang++ found, skipped"
    exit 77
fi
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
    > "$probe/probe.cpp"
if ! "$cxx" -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" 2> /dev/null; then
    echo "run-fuzzers: $cxx cannot link libFuzzer (install libclang-rt-14-dev), skipped"
    exit 77
fi

targets=(fuzz_signal_file fuzz_message_assembler fuzz_keymap fuzz_lircd_conf)

cmake --no-warn-unused-cli -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DIRTOOLS_FUZZERS=ON -DBUILD_TESTING=OFF -DIRTOOLS_WINDOWS_BUILDS=OFF
cmake --build "$build" --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
for target in "${targets[@]}"; do
    corpus_name=${target#fuzz_}
    work="$build/fuzz-runs/$corpus_name"
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/findings"
    cp fuzz/corpus/"$corpus_name"/* "$work/corpus/"
    options=(-max_total_time="$seconds" -timeout=5 -rss_limit_mb=1024 -print_final_stats=1
             -artifact_prefix="$work/findings/")
    if [ -f fuzz/"$corpus_name".dict ]; then
        options+=(-dict=fuzz/"$corpus_name".dict)
    fi
    echo "== $target for ${seconds} s"
    if "$build/bin/$target" "${options[@]}" "$work/corpus" > "$work/log" 2>&1; then
        grep -E '^stat::(number_of_executed_units|peak_rss_mb)|^Done ' "$work/log" || true
        echo "== $target: nothing found"
    else
        status=1
        tail -n 60 "$work/log"
        echo "== $target FOUND A FAULT; inputs kept in $work/findings:" >&2
        ls -l "$work/findings" >&2
    fi
done
exit $status
