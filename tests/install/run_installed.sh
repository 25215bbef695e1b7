#!/usr/bin/env bash
# run_installed.sh prefix|deb BUILD SCRATCH [ARCHITECTURE [EMULATOR...]]
#
# Installs the build the way a user would, into SCRATCH, and runs the
# installed programs there against the emulated LIRC device with no
# LD_LIBRARY_PATH, so that they can only find the installed library through
# their own RUNPATH:
#   prefix  cmake --install BUILD --prefix SCRATCH
#   deb     cpack -G DEB in BUILD, whose dependencies must have been computed
#           by dpkg-shlibdeps; then, into a scratch root with its own dpkg
#           database (dpkg --root), Debian's lirc and v4l-utils packages of
#           the same architecture and ours beside them: dpkg must take all
#           their files together, with none overwriting another's
# The programs run from where the package puts them, lib/irtools/bin (of
# the prefix, or of /usr).
# ARCHITECTURE is the package's Debian architecture (default: this machine's);
# a cross build names its target's, and the EMULATOR command (qemu-user)
# that runs the installed programs.
# Exits 77 (skipped) when the deb tools are missing, and when lirc's package
# cannot be had (from /var/cache/apt/archives or `apt-get download`), after
# every other check has passed.
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
programs=lib/irtools/bin
lirc_missing=

# debian_package NAME: the path of Debian's package NAME of $architecture,
# from apt's cache or downloaded into the scratch folder; nothing when it
# cannot be had.
debian_package() {
    local found
    found=$(ls /var/cache/apt/archives/"$1"_*_"$architecture".deb 2>/dev/null | tail -n 1)
    if [[ -z $found ]] && command -v apt-get >/dev/null; then
        mkdir -p "$scratch/archives"
        chmod 0777 "$scratch/archives"  # apt-get downloads as the user _apt
        (cd "$scratch/archives" && timeout 300 apt-get download -q "$1:$architecture") \
            >>"$scratch/download.log" 2>&1
        found=$(ls "$scratch"/archives/"$1"_*_"$architecture".deb 2>/dev/null | tail -n 1)
    fi
    [[ -n $found ]] && echo "$found"
}

# install_beside_lirc PACKAGE ROOT: a dpkg database in ROOT, lirc's and
# v4l-utils' packages unpacked into it, then PACKAGE. Their maintainer
# scripts are left out (a scratch root has no shell to run them in, and
# what is tested is dpkg's check of the files), and so are their
# dependencies (--force-depends, which does not let one package's file
# overwrite another's).
install_beside_lirc() {
    local package=$1 root=$2 others=() name found output
    mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
    touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
    dpkg_root() { dpkg --root="$root" --log=/dev/null "$@"; }
    if [[ $architecture != "$(dpkg --print-architecture)" ]]; then
        dpkg_root --add-architecture "$architecture" || { echo "FAIL: dpkg --add-architecture"; return 1; }
    fi
    for name in lirc v4l-utils; do
        found=$(debian_package $name)
        if [[ -z $found ]]; then
            [[ $name == lirc ]] && lirc_missing=1
            echo "$name: no package of $architecture to be had"
            continue
        fi
        echo "beside: $(basename "$found")"
        rm -rf "$scratch/repack"
        dpkg-deb -R "$found" "$scratch/repack" &&
            rm -f "$scratch"/repack/DEBIAN/{preinst,postinst,prerm,postrm,config,triggers} &&
            dpkg-deb -Znone -b "$scratch/repack" "$scratch/$name.deb" >/dev/null ||
            { echo "FAIL: repacking $found"; return 1; }
        others+=("$scratch/$name.deb")
    done
    if ((${#others[@]} > 0)); then
        output=$(dpkg_root --force-depends --unpack "${others[@]}" 2>&1) ||
            { echo "$output"; echo "FAIL: dpkg --unpack of lirc and v4l-utils"; return 1; }
    fi
    # Our package has no preinst: --unpack runs no script of ours either.
    output=$(dpkg_root --force-depends --unpack "$package" 2>&1)
    if [[ $? -ne 0 || $output == *"trying to overwrite"* ]]; then
        echo "$output"
        echo "FAIL: dpkg --unpack of $(basename "$package") beside ${others[*]##*/}"
        return 1
    fi
    # Who owns what (a package of a foreign architecture is named with it).
    owner() { dpkg_root -S "$1" 2>/dev/null | sed "s/^\([^:]*\)\(:$architecture\)\?: .*/\1/"; }
    if [[ -z $lirc_missing ]]; then
        [[ $(owner /usr/bin/irrecord) == lirc ]] ||
            fail "/usr/bin/irrecord is not lirc's: $(dpkg_root -S /usr/bin/irrecord 2>&1)"
    fi
    [[ $(owner "/usr/$programs/irrecord") == irtools ]] ||
        fail "/usr/$programs/irrecord is not ours: $(dpkg_root -S "/usr/$programs/irrecord" 2>&1)"
    dpkg_root -L "irtools:$architecture" >"$scratch/irtools.files"
    echo "dpkg took irtools beside: ${others[*]##*/}"
}

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
    install_beside_lirc "$package" "$scratch/root" || exit 1
    root=$scratch/root/usr
    irsignal_needs=$(readelf -d "$root/$programs/irsignal" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p')
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

for file in $programs/irplay $programs/irrecord $programs/irsignal lib/libostrel.so.1 \
    include/transceiver.h share/man/man1/irplay.1irtools.gz share/man/man1/irrecord.1irtools.gz \
    share/man/man1/irsignal.1irtools.gz lib/udev/rules.d/60-irtools-lirc.rules; do
    [[ -e $root/$file ]] || fail "$file is not installed"
done
# Nothing in bin/ or under a man page name of LIRC's (which lirc's package,
# installed beside ours, has).
for file in bin/irplay bin/irrecord bin/irsignal share/man/man1/irrecord.1.gz; do
    [[ ! -e $root/$file || ($mode == deb && -z $lirc_missing && $file == *irrecord*) ]] ||
        fail "$file is installed"
done
# man-db finds the page in its section, and LIRC's irrecord(1) beside it.
if command -v man >/dev/null; then
    for page in irplay irrecord irsignal; do
        found=$(man -M "$root/share/man" -w 1irtools $page 2>&1)
        [[ $found == "$root/share/man/man1/$page.1irtools.gz" ]] ||
            fail "man 1irtools $page finds: $found"
    done
    if [[ $mode == deb && -z $lirc_missing ]]; then
        found=$(man -M "$root/share/man" -aw irrecord 2>&1 | sort | tr '\n' ' ')
        [[ $found == "$root/share/man/man1/irrecord.1.gz $root/share/man/man1/irrecord.1irtools.gz " ]] ||
            fail "man -a irrecord finds: $found"
    fi
fi
[[ -L $root/lib/libostrel.so && $(readlink "$root/lib/libostrel.so") == libostrel.so.1* ]] ||
    [[ $mode == deb ]] || fail "lib/libostrel.so is not the link name of libostrel.so.1"
for program in irplay irrecord; do
    readelf -d "$root/$programs/$program" | grep -q 'RUNPATH.*\[\$ORIGIN/\.\./\.\.\]' ||
        fail "$program has no RUNPATH \$ORIGIN/../..: $(readelf -d "$root/$programs/$program" | grep RUNPATH)"
    # The installed program binds the installed library, not the build's: the
    # dynamic loader lists what it binds, as ldd has it do (also under qemu-user).
    bound=$(env -u LD_LIBRARY_PATH LD_TRACE_LOADED_OBJECTS=1 "${emulator[@]}" "$root/$programs/$program" |
        awk '/libostrel/ { print $3 }')
    [[ $(realpath "$bound") == $(realpath "$root/lib")/* ]] ||
        fail "$program binds $bound, not the installed library"
done

# What they need at run time: the C library alone (not in a sanitized build,
# which links the sanitizers' runtimes into them).
if [[ ${IRTOOLS_CHECK_NEEDS:-1} == 1 ]]; then
    bash "$(dirname "$0")/../runtime/check_runtime_needs.sh" "$root" "$programs" || fail "run-time needs"
fi

# Without arguments, each prints its usage.
for program in irplay irrecord; do
    output=$(cd "$scratch" && env -u LD_LIBRARY_PATH "${emulator[@]}" "$root/$programs/$program" 2>&1)
    [[ $output == Usage* ]] || fail "$program without arguments printed: $output"
done

# A key press recorded from the emulated device and played back to it.
emulate=$build/bin/ir-emulate
run() { (cd "$scratch" && env -u LD_LIBRARY_PATH "$emulate" --state state "$@"); }
output=$(run --receive "$(dirname "$0")/../../emulator/samples/nec-key.script" -- \
    "${emulator[@]}" "$root/$programs/irrecord" -o key.ir)
[[ $output == "Record successfull !" ]] || fail "irrecord printed: $output"
grep -q '^pulse 9000$' "$scratch/key.ir" 2>/dev/null || fail "key.ir does not hold the key press"
output=$(run --log sent.log -- "${emulator[@]}" "$root/$programs/irplay" -i key.ir -b 1)
[[ $output == "Play successfull !" ]] || fail "irplay printed: $output"
grep -q 'mask=0x1 durations=9000 4500 560' "$scratch/sent.log" 2>/dev/null ||
    fail "irplay sent: $(cat "$scratch/sent.log" 2>/dev/null)"

# A code taken out of a remote's file by the installed irsignal, and played.
printf '%s\n' 'Filetype: IR signals file' 'Version: 1' '#' 'name: Power' 'type: parsed' 'protocol: NEC' \
    'address: 07 00 00 00' 'command: 02 00 00 00' '#' 'name: Mute' 'type: parsed' 'protocol: NEC' \
    'address: 07 00 00 00' 'command: 09 00 00 00' >"$scratch/remote.ir"
(cd "$scratch" && env -u LD_LIBRARY_PATH "${emulator[@]}" "$root/$programs/irsignal" extract 'remote.ir#Mute' -o mute.ir) ||
    fail "irsignal extract failed"
grep -q '^scancode nec:0x709$' "$scratch/mute.ir" 2>/dev/null || fail "mute.ir: $(cat "$scratch/mute.ir" 2>/dev/null)"
output=$(run --log mute.log -- "${emulator[@]}" "$root/$programs/irplay" -i mute.ir -b 1)
[[ $output == "Play successfull !" ]] || fail "irplay of the extracted code printed: $output"
grep -q 'mask=0x1 durations=9008 4504 563' "$scratch/mute.log" 2>/dev/null ||
    fail "irplay of the extracted code sent: $(cat "$scratch/mute.log" 2>/dev/null)"

if ((failures > 0)); then
    exit 1
fi
echo "the programs installed by $mode run and drive the emulated device"
if [[ -n $lirc_missing ]]; then
    echo "skipped: lirc's package of $architecture cannot be had, so the package was not installed beside it"
    cat "$scratch/download.log" 2>/dev/null
    exit 77
fi
