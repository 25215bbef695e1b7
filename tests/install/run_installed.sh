#!/usr/bin/env bash
# run_installed.sh prefix|deb BUILD SCRATCH [ARCHITECTURE [EMULATOR...]]
#
# Installs the build the way a user would, into SCRATCH, and runs the
# installed programs there against the emulated LIRC device with no
# LD_LIBRARY_PATH, so that they can only find the installed library through
# their own RUNPATH:
#   prefix  cmake --install BUILD --prefix SCRATCH
#   deb     cpack -G DEB in BUILD, then dpkg -x of the package into SCRATCH,
#           whose dependencies must have been computed by dpkg-shlibdeps
# ARCHITECTURE is the package's Debian architecture (default: this machine's);
# a cross build names its target's, and the EMULATOR command (qemu-user)
# that runs the installed programs.
# Exits 77 (skipped) when the deb tools are missing.
set -uo pipefail

mode=$1
build=$2
scratch=$3
architecture=${4:-$(dpkg --print-architecture 2>/dev/null)}
emulator=("${@:5}")

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

rm -rf "$scratch"
mkdir -p "$scratch"

case $mode in
prefix)
    cmake --install "$build" --prefix "$scratch/root" >"$scratch/install.log" 2>&1 ||
        { cat "$scratch/install.log"; echo "FAIL: cmake --install"; exit 1; }
    root=$scratch/root
    ;;
deb)
    for tool in cpack dpkg-deb dpkg-shlibdeps; do
        if ! command -v $tool >/dev/null; then
            echo "skipped: $tool is not installed (Debian: dpkg-dev)"
            exit 77
        fi
    done
    (cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/package") \
        >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; echo "FAIL: cpack"; exit 1; }
    package=$(ls "$scratch"/package/*.deb 2>/dev/null | head -n 1)
    [[ -n $package ]] || { cat "$scratch/cpack.log"; echo "FAIL: no .deb made"; exit 1; }
    echo "package: $(basename "$package")"
    dpkg-deb -f "$package" Package Version Architecture Depends
    depends=$(dpkg-deb -f "$package" Depends)
    # Computed from what the programs and the library link against: the C
    # library, and what irsignal alone needs (the C++ runtime, and the
    # libraries of its readers); irplay, irrecord and the library need only
    # the C library (check_runtime_needs.sh, below).
    [[ $depends == *"libc6 ("* ]] || fail "Depends lacks a versioned libc6: $depends"
    [[ $(dpkg-deb -f "$package" Architecture) == "$architecture" ]] ||
        fail "Architecture is not $architecture"
    [[ $(basename "$package") == *_"$architecture".deb ]] || fail "the package's name is not of $architecture"
    dpkg-deb -I "$package" postinst >/dev/null 2>&1 || fail "the package has no postinst"
    dpkg-deb -I "$package" shlibs >/dev/null 2>&1 || fail "the package declares no shlibs"
    dpkg-deb -x "$package" "$scratch/root" || { echo "FAIL: dpkg -x"; exit 1; }
    root=$scratch/root/usr
    irsignal_needs=$(readelf -d "$root/bin/irsignal" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p')
    for unneeded in libstdc++6:libstdc++.so.6 libgcc-s1:libgcc_s.so.1; do
        [[ $depends != *"${unneeded%%:*}"* || $irsignal_needs == *"${unneeded#*:}"* ]] ||
            fail "Depends names ${unneeded%%:*}, which only irsignal may need: $depends"
    done
    ;;
*)
    echo "usage: $0 prefix|deb BUILD SCRATCH"
    exit 2
    ;;
esac

for file in bin/irplay bin/irrecord bin/irsignal lib/libostrel.so.1 include/transceiver.h \
    share/man/man1/irplay.1.gz share/man/man1/irrecord.1.gz share/man/man1/irsignal.1.gz \
    lib/udev/rules.d/60-irtools-lirc.rules; do
    [[ -e $root/$file ]] || fail "$file is not installed"
done
[[ -L $root/lib/libostrel.so && $(readlink "$root/lib/libostrel.so") == libostrel.so.1* ]] ||
    [[ $mode == deb ]] || fail "lib/libostrel.so is not the link name of libostrel.so.1"
for program in irplay irrecord; do
    readelf -d "$root/bin/$program" | grep -q 'RUNPATH.*\[\$ORIGIN/\.\./lib\]' ||
        fail "$program has no RUNPATH \$ORIGIN/../lib"
    # The installed program binds the installed library, not the build's: the
    # dynamic loader lists what it binds, as ldd has it do (also under qemu-user).
    bound=$(env -u LD_LIBRARY_PATH LD_TRACE_LOADED_OBJECTS=1 "${emulator[@]}" "$root/bin/$program" |
        awk '/libostrel/ { print $3 }')
    [[ $(realpath "$bound") == $(realpath "$root/lib")/* ]] ||
        fail "$program binds $bound, not the installed library"
done

# What they need at run time: the C library alone (not in a sanitized build,
# which links the sanitizers' runtimes into them).
if [[ ${IRTOOLS_CHECK_NEEDS:-1} == 1 ]]; then
    bash "$(dirname "$0")/../runtime/check_runtime_needs.sh" "$root" || fail "run-time needs"
fi

# A key press recorded from the emulated device and played back to it.
emulate=$build/bin/ir-emulate
run() { (cd "$scratch" && env -u LD_LIBRARY_PATH "$emulate" --state state "$@"); }
output=$(run --receive "$(dirname "$0")/../../emulator/samples/nec-key.script" -- \
    "${emulator[@]}" "$root/bin/irrecord" -o key.ir)
[[ $output == "Record successfull !" ]] || fail "irrecord printed: $output"
grep -q '^pulse 9000$' "$scratch/key.ir" 2>/dev/null || fail "key.ir does not hold the key press"
output=$(run --log sent.log -- "${emulator[@]}" "$root/bin/irplay" -i key.ir -b 1)
[[ $output == "Play successfull !" ]] || fail "irplay printed: $output"
grep -q 'mask=0x1 durations=9000 4500 560' "$scratch/sent.log" 2>/dev/null ||
    fail "irplay sent: $(cat "$scratch/sent.log" 2>/dev/null)"

# A code taken out of a remote's file by the installed irsignal, and played.
printf '%s\n' 'Filetype: IR signals file' 'Version: 1' '#' 'name: Power' 'type: parsed' 'protocol: NEC' \
    'address: 07 00 00 00' 'command: 02 00 00 00' '#' 'name: Mute' 'type: parsed' 'protocol: NEC' \
    'address: 07 00 00 00' 'command: 09 00 00 00' >"$scratch/remote.ir"
(cd "$scratch" && env -u LD_LIBRARY_PATH "${emulator[@]}" "$root/bin/irsignal" extract 'remote.ir#Mute' -o mute.ir) ||
    fail "irsignal extract failed"
grep -q '^scancode nec:0x709$' "$scratch/mute.ir" 2>/dev/null || fail "mute.ir: $(cat "$scratch/mute.ir" 2>/dev/null)"
output=$(run --log mute.log -- "${emulator[@]}" "$root/bin/irplay" -i mute.ir -b 1)
[[ $output == "Play successfull !" ]] || fail "irplay of the extracted code printed: $output"
grep -q 'mask=0x1 durations=9008 4504 563' "$scratch/mute.log" 2>/dev/null ||
    fail "irplay of the extracted code sent: $(cat "$scratch/mute.log" 2>/dev/null)"

if ((failures > 0)); then
    exit 1
fi
echo "the programs installed by $mode run and drive the emulated device"
