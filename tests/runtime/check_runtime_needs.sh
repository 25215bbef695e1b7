#!/usr/bin/env bash
# check_runtime_needs.sh ROOT [PROGRAMS]
#
# The programs and the library under ROOT (PROGRAMS/, bin/ unless named,
# and lib/, as in the build tree, an installed prefix or an unpacked
# package) need nothing at run time but the C library, and the programs
# find the library relative to themselves: readelf -d shows no NEEDED entry but libc.so.6 for
# libostrel.so.1, and libostrel.so.1 and libc.so.6 for irplay and irrecord;
# no C++ runtime, libgcc_s or libm. The library exports the transceiver
# header's three operations and no other symbol.
set -uo pipefail

root=$1
programs=${2:-bin}
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The NEEDED entries of an ELF file, sorted, on one line.
needed() {
    readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p' | sort | tr '\n' ' ' | sed 's/ $//'
}

expect_needed() {
    local file=$root/$1 expected=$2 found
    [[ -f $file ]] || { fail "$1 is missing"; return; }
    found=$(needed "$file")
    if [[ $found == "$expected" ]]; then
        echo "$1 needs: $found"
    else
        fail "$1 needs: $found; it may need only: $expected"
    fi
}

expect_needed lib/libostrel.so.1 "libc.so.6"
expect_needed $programs/irplay "libc.so.6 libostrel.so.1"
expect_needed $programs/irrecord "libc.so.6 libostrel.so.1"

# The programs' RUNPATH names folders relative to them and no empty entry,
# which the loader would read as the working folder.
for program in irplay irrecord; do
    runpath=$(readelf -d "$root/$programs/$program" 2>/dev/null | sed -n 's/.*(RUNPATH).*\[\(.*\)\]$/\1/p')
    [[ -n $runpath && :$runpath: != *::* && :$runpath: != *:[!$]* ]] ||
        fail "$program's RUNPATH is '$runpath': a folder relative to \$ORIGIN, no empty entry"
done

library=$root/lib/libostrel.so.1
if [[ -f $library ]]; then
    exports=$(nm -D --defined-only "$library" | awk '{ print $3 }' | sort | tr '\n' ' ' | sed 's/ $//')
    [[ $exports == "PlayFromFile RecordToFile SelectBlasterPort" ]] ||
        fail "libostrel.so.1 exports: $exports"
    # A symbol versioned by the C++ runtime or libgcc is one they would have
    # to provide.
    foreign=$(nm -D --undefined-only "$library" | awk '$2 ~ /@(GLIBCXX|CXXABI|GCC)_/ { print $2 }' |
        tr '\n' ' ')
    [[ -z $foreign ]] || fail "libostrel.so.1 wants symbols of the C++ runtime: $foreign"
fi

if ((failures > 0)); then
    echo "$failures failed; where the library's code now calls into the C++ runtime, see" \
        "ostrel/runtime_support.cpp"
    exit 1
fi
