#!/bin/sh
# irplay and irrecord under valgrind's memcheck, with the real library on the
# emulated LIRC device and with the test double: any memory error, and any
# definite or indirect leak, fails the test. Exits 77 (skipped) without
# valgrind.
#
#   memcheck.sh PROGRAMS_FOLDER DOUBLE_FOLDER
#
# ir-emulate sets LD_PRELOAD before valgrind starts; valgrind hands it on to
# the program with its own preloads put first, so the emulator interposes on
# the program's calls as it does without valgrind. The programs' RUNPATH finds
# the real library; LD_LIBRARY_PATH, which comes before RUNPATH, the double.
set -eu

bin=$1
double=$2
valgrind=$(command -v valgrind || true)
if [ -z "$valgrind" ]; then
    echo "memcheck: valgrind not found, skipped"
    exit 77
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
printf 'carrier 38000\npulse 9000\nspace 4500\npulse 560\n' > key.ir
device="$scratch/lirc0"
export OSTREL_DEVICE="$device"

failures=0
fail() {
    echo "memcheck: $*" >&2
    failures=$((failures + 1))
}

# memcheck NAME EXPECTED_OUTPUT COMMAND...: runs the program at the end of the command under
# valgrind (the command may start with ir-emulate ... --) and checks what the
# program printed.
memcheck() {
    name=$1
    expected=$2
    shift 2
    echo "== $name"
    if ! "$@" > "$name.out" 2> "$name.err"; then
        cat "$name.err" >&2
        fail "$name: valgrind found errors or leaks"
    elif ! grep -qF "$expected" "$name.out"; then
        cat "$name.out" "$name.err" >&2
        fail "$name: expected '$expected'"
    fi
}

vg="$valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect"
emulate="$bin/ir-emulate --device $device --no-delay"

memcheck play-device "Play successfull !" \
    $emulate --log sent.log -- $vg "$bin/irplay" -i key.ir -b 1
grep -q '^send carrier=38000 .*durations=9000 4500 560$' sent.log 2> /dev/null ||
    fail "play-device: the device sent nothing, or not the key"

# The carrier is reported only once the library has turned measuring on,
# which under valgrind takes a good deal longer than the 20 ms it takes without.
printf 'wait 1000\ncarrier 38000\npulse 9000\nspace 4500\npulse 560\nend\n' > key.script
memcheck record-device "Record successfull !" \
    $emulate --receive key.script -- $vg "$bin/irrecord" -o recorded.ir
cmp -s key.ir recorded.ir || fail "record-device: recorded.ir is not the key"

export OSTREL_DOUBLE_LOG="$scratch/double.log"
memcheck play-double "Play successfull !" \
    env LD_LIBRARY_PATH="$double" $vg "$bin/irplay" -i key.ir
memcheck record-double "Record successfull !" \
    env LD_LIBRARY_PATH="$double" $vg "$bin/irrecord" -o double.ir
grep -q PlayFromFile double.log 2> /dev/null && grep -q RecordToFile double.log ||
    fail "the double was not the library the programs bound"

[ "$failures" -eq 0 ] || exit 1
echo "memcheck: no error and no leak"
