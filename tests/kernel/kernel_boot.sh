#!/bin/sh
# kernel_boot.sh RESULTS MANIFEST
#
# The test kernel.boot: one boot of the kernel VM (kernel_vm.sh) that runs the whole
# kernel suite (guest_suite.sh over MANIFEST) and leaves its results in RESULTS, from
# which each test of the suite then reports to CTest (kernel_result.sh). When the VM
# cannot boot here (no qemu, no kernel image), RESULTS/skipped says why and every test
# of the suite is reported skipped.
#
# For the wine32 tests, wine64 makes a Wine prefix in RESULTS/wine-prefix here,
# meanwhile: wineboot takes seconds here and minutes in the VM, and a 64-bit prefix
# runs 32-bit programs where the kernel runs them (RESULTS/wine-prefix.made holds
# wineboot's status once it is done; RESULTS/wine-prefix.none says why there is none).
# It is removed afterwards.
set -u
here=$(cd "$(dirname "$0")" && pwd)
results=$1
manifest=$2
tab=$(printf '\t')

rm -rf "$results"
mkdir -p "$results"
if ! "$here/kernel_vm.sh" --check > "$results/boot.log" 2>&1; then
    cat "$results/boot.log"
    grep 'skipped' "$results/boot.log" > "$results/skipped"
    exit 77
fi

prefixMaker=
if ! grep -q "${tab}wine32${tab}" "$manifest"; then
    :
elif [ ! -x /usr/lib/wine/wine ]; then
    echo "no wine32 (/usr/lib/wine/wine; Debian: dpkg --add-architecture i386, wine32:i386)" \
        > "$results/wine-prefix.none"
elif [ ! -x /usr/lib/wine/wine64 ]; then
    echo "no wine64 (/usr/lib/wine/wine64), which makes the Wine prefix" > "$results/wine-prefix.none"
else
    (
        export WINEPREFIX="$results/wine-prefix" WINEDEBUG=-all
        # No Mono, Gecko or desktop menus: console programs need none of them.
        export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
        start=$(date +%s.%N)
        /usr/lib/wine/wine64 wineboot --init > "$results/wineboot.log" 2>&1
        status=$?
        # The prefix is the VM's once this machine's wineserver has saved it and gone.
        /usr/lib/wine/wineserver -w
        echo "wineboot --init here: status $status in $(awk -v from="$start" -v to="$(date +%s.%N)" \
            'BEGIN { printf "%.1f", to - from }') s" >> "$results/wineboot.log"
        echo "$status" > "$results/wine-prefix.made"
    ) < /dev/null &
    prefixMaker=$!
fi

"$here/kernel_vm.sh" --share "$results" --timeout "${KERNEL_SUITE_TIMEOUT:-900}" -- \
    "$here/guest_suite.sh" "$results" "$manifest" > "$results/boot.log" 2>&1
status=$?
if [ -n "$prefixMaker" ]; then
    wait "$prefixMaker"
    tail -n 1 "$results/wineboot.log"
    rm -rf "$results/wine-prefix"
fi
cat "$results/boot.log"
if [ "$status" = 77 ]; then
    grep 'skipped' "$results/boot.log" > "$results/skipped"
fi
exit "$status"
