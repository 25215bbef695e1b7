#!/bin/sh
# kernel_result.sh RESULTS NAME [PROGRAM ARGS...]
#
# Reports to CTest what a test of the kernel suite did in the kernel VM, whose boot
# (the test kernel.boot) left the results in RESULTS. For a test program of the suite
# (CMake's CROSSCOMPILING_EMULATOR of the program runs this), PROGRAM and its
# arguments follow: --gtest_list_tests runs PROGRAM here, to list its cases; with
# --gtest_filter=CASE the result of that case is reported. Without PROGRAM, NAME is a
# plain test of the suite. Exit status: 0 passed, 1 failed, 77 skipped.
set -eu
results=$1
name=$2
shift 2

case " $* " in
    *" --gtest_list_tests "*) exec "$@" ;;
esac

if [ -f "$results/skipped" ]; then
    cat "$results/skipped"
    exit 77
fi
if [ ! -f "$results/$name/status" ]; then
    if [ -f "$results/booted" ]; then
        echo "kernel_result: $name did not run in the kernel VM (see the output of kernel.boot)"
    else
        echo "kernel_result: no results of the kernel VM in $results: the test kernel.boot runs it"
    fi
    exit 1
fi

status=$(cat "$results/$name/status")
if [ $# -eq 0 ]; then
    cat "$results/$name/output"
    case $status in 0|77) exit "$status" ;; *) exit 1 ;; esac
fi

test=
for argument in "$@"; do
    case $argument in --gtest_filter=*) test=${argument#--gtest_filter=} ;; esac
done
file=$results/$name/$(printf '%s' "$test" | tr / %)
if [ ! -f "$file" ]; then
    echo "kernel_result: no result for $test: $name ended with status $status in the kernel VM:"
    cat "$results/$name/output"
    [ "$status" = 77 ] && exit 77
    exit 1
fi
tail -n +2 "$file"
case $(head -n 1 "$file") in
    passed) exit 0 ;;
    skipped) exit 77 ;;
    *) exit 1 ;;
esac
