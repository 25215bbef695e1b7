#!/usr/bin/env bash
# wine_prefix.sh setup|cleanup WINE64 WINESERVER PREFIX UNPRIVILEGED_PREFIX
#
# setup: makes a fresh Wine prefix for this test run in PREFIX and starts a
# wineserver for it that stays up until cleanup, so that the tests do not pay
# for starting one each. When run as root it also makes UNPRIVILEGED_PREFIX,
# owned by the user nobody (65534), for the cases that drop root: Wine runs
# only in a prefix its user owns. cleanup stops the wineservers and removes
# both prefixes. Exits 77 (skipped) when Wine is not installed.
set -euo pipefail

action=$1
wine=$2
wineserver=$3
prefix=$4
unprivilegedPrefix=$5
unprivileged=65534

if [[ -z $wine || $wine == *NOTFOUND || ! -x $wine || -z $wineserver || $wineserver == *NOTFOUND ]]; then
    echo "skipped: wine64 is not installed"
    exit 77
fi

export WINEDEBUG=-all
# No Mono, Gecko or desktop menus: console programs need none of them.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

asUnprivileged() {
    setpriv --reuid=$unprivileged --regid=$unprivileged --clear-groups \
        env HOME="$unprivilegedPrefix" WINEPREFIX="$unprivilegedPrefix" "$@"
}

canDropRoot() {
    [[ $(id -u) == 0 ]] && command -v setpriv >/dev/null
}

stopServers() {
    WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
    if canDropRoot && [[ -d $unprivilegedPrefix ]]; then
        asUnprivileged "$wineserver" -k 2>/dev/null || true
    fi
}

case $action in
setup)
    stopServers
    rm -rf "$prefix" "$unprivilegedPrefix"
    mkdir -p "$prefix"
    start=$(date +%s.%N)
    # The server is started apart, its output to /dev/null, so that it holds
    # no pipe of CTest's open while it stays up.
    WINEPREFIX=$prefix "$wineserver" -p </dev/null >/dev/null 2>&1
    WINEPREFIX=$prefix "$wine" wineboot --init </dev/null >"$prefix.log" 2>&1 &
    root=$!
    unprivilegedBoot=
    if canDropRoot && mkdir -p "$unprivilegedPrefix" && chown $unprivileged:$unprivileged "$unprivilegedPrefix" &&
        asUnprivileged test -w "$unprivilegedPrefix"; then
        asUnprivileged "$wineserver" -p </dev/null >/dev/null 2>&1
        asUnprivileged "$wine" wineboot --init </dev/null >"$unprivilegedPrefix.log" 2>&1 &
        unprivilegedBoot=$!
    else
        rm -rf "$unprivilegedPrefix"
        echo "no prefix for an unprivileged user: the cases that drop root will be skipped"
    fi
    wait $root || { cat "$prefix.log"; exit 1; }
    if [[ -n $unprivilegedBoot ]] && ! wait "$unprivilegedBoot"; then
        cat "$unprivilegedPrefix.log"
        exit 1
    fi
    seconds=$(awk -v from="$start" -v to="$(date +%s.%N)" 'BEGIN { printf "%.1f", to - from }')
    echo "Wine prefixes made in $seconds s: $prefix${unprivilegedBoot:+ and $unprivilegedPrefix}"
    ;;
cleanup)
    stopServers
    rm -rf "$prefix" "$unprivilegedPrefix" "$prefix.log" "$unprivilegedPrefix.log"
    ;;
*)
    echo "usage: $0 setup|cleanup WINE64 WINESERVER PREFIX UNPRIVILEGED_PREFIX" >&2
    exit 2
    ;;
esac
