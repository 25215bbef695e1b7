#!/bin/sh
# guest_suite.sh RESULTS MANIFEST
#
# Runs in the kernel VM (kernel_vm.sh): every test of the kernel suite that MANIFEST
# lists, one after the other, each with IRTOOLS_KERNEL_RESULTS=RESULTS/NAME (where a
# test program leaves a file per case), its output in RESULTS/NAME/output and its exit
# status in RESULTS/NAME/status. A line of MANIFEST is NAME, NEEDS and the command and
# its arguments, separated by tabs; NEEDS is "-" or "wine32". The wine32 tests run
# last, with wine32 in the Wine prefix RESULTS/wine-prefix that kernel_boot.sh makes
# meanwhile; where wine32 or wine64 is missing they are reported skipped.
set -u
results=$1
manifest=$2
tab=$(printf '\t')

wine32=/usr/lib/wine/wine
export WINEPREFIX="$results/wine-prefix" WINEDEBUG=-all
# No Mono, Gecko or desktop menus: console programs need none of them.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

date > "$results/booted"

seconds() { awk -v from="$1" -v to="$(date +%s.%N)" 'BEGIN { printf "%.1f", to - from }'; }

# run NAME COMMAND...: one test of the suite.
run() {
    name=$1
    shift
    mkdir -p "$results/$name"
    if [ $# -eq 0 ]; then
        echo "guest_suite: $name has no command" | tee "$results/$name/output"
        echo 1 > "$results/$name/status"
        return
    fi
    start=$(date +%s.%N)
    IRTOOLS_KERNEL_RESULTS=$results/$name "$@" < /dev/null > "$results/$name/output" 2>&1
    status=$?
    echo "$status" > "$results/$name/status"
    echo "guest_suite: $name: status $status in $(seconds "$start") s"
}

# runLine NAME COMMAND: the command's words, separated by tabs, as arguments.
runLine() {
    IFS="$tab"
    set -f
    # shellcheck disable=SC2086
    run "$1" $2
    set +f
    unset IFS
}

# skipTest NAME REASON: a test that cannot run here, reported skipped.
skipTest() {
    mkdir -p "$results/$1"
    echo "skipped: $2" > "$results/$1/output"
    echo 77 > "$results/$1/status"
}

# Wine's first run in a prefix starts its services, which takes a while under TCG: done
# in the background, once kernel_boot.sh has made the prefix, while the others run.
# Its status in RESULTS/wine-prefix.warm: wineboot's, or the warm-up's.
warmup=
if grep -q "${tab}wine32${tab}" "$manifest" && [ ! -f "$results/wine-prefix.none" ]; then
    (
        for second in $(seq 300); do
            [ -f "$results/wine-prefix.made" ] && break
            sleep 1
        done
        status=$(cat "$results/wine-prefix.made" 2>/dev/null || echo "none made")
        if [ "$status" = 0 ]; then
            start=$(date +%s.%N)
            # A server that stays up, so that each program does not start one.
            /usr/lib/wine/wineserver -p
            nice -n 10 "$wine32" cmd /c exit > "$results/wine-warmup.log" 2>&1
            status=$?
            echo "guest_suite: wine32 started in the prefix in $(seconds "$start") s (status $status)"
        fi
        echo "$status" > "$results/wine-prefix.warm"
    ) < /dev/null &
    warmup=$!
fi

while IFS="$tab" read -r name needs command; do
    [ "$needs" = - ] || continue
    runLine "$name" "$command"
done < "$manifest"

prefix=
[ -n "$warmup" ] && wait "$warmup" && prefix=$(cat "$results/wine-prefix.warm")
while IFS="$tab" read -r name needs command; do
    [ "$needs" = wine32 ] || continue
    if [ -f "$results/wine-prefix.none" ]; then
        skipTest "$name" "$(cat "$results/wine-prefix.none")"
        continue
    fi
    if [ "$prefix" != 0 ]; then
        mkdir -p "$results/$name"
        echo "no Wine prefix to run in ($prefix): $(cat "$results/wineboot.log" "$results/wine-warmup.log" 2>/dev/null)" \
            > "$results/$name/output"
        echo 1 > "$results/$name/status"
        continue
    fi
    runLine "$name" "$command"
done < "$manifest"
[ "$prefix" = 0 ] && /usr/lib/wine/wineserver -k
exit 0
