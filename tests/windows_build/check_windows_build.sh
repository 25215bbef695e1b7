#!/usr/bin/env bash
# check_windows_build.sh OBJDUMP TREE FORMAT
#
# Checks a Windows build tree statically, from the PE headers and import
# tables that OBJDUMP -p shows:
#   - the tree was built with every warning fatal, so a finished build had none;
#   - irplay.exe and irrecord.exe are console programs (subsystem 3) of FORMAT
#     ("pei-i386" for PE32, "pei-x86-64" for PE32+);
#   - they import from OSTREL.dll by ordinal only, irplay 5 and 9, irrecord 4;
#   - they and the test double's DLLs import nothing but OSTREL.dll and
#     Windows' own DLLs (no libgcc, libstdc++ or winpthread DLL).
# Exits 77 (skipped) when OBJDUMP or TREE is empty: no cross compiler.
set -uo pipefail

objdump=${1:-}
tree=${2:-}
format=${3:-}
if [[ -z $objdump || -z $tree || $objdump == *NOTFOUND ]]; then
    echo "skipped: this Windows build is not made here (no MinGW-w64 cross compiler, or IRTOOLS_WINDOWS_BUILDS is off)"
    exit 77
fi

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Windows' own DLLs that the programs and the double may import.
systemDll='^(KERNEL32|msvcrt|ntdll|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'

# The import table as "DLL<TAB>hint or ordinal<TAB>name" lines, name "<none>"
# for an import by ordinal. objdump pads the ordinals of PE32+ with zeros.
imports() {
    "$objdump" -p "$1" | awk '
        /^\tDLL Name: / { dll = $3; next }
        /^\tvma: / { next }
        /^$/ { dll = "" }
        dll != "" && NF >= 3 { print dll "\t" ($2 + 0) "\t" $3 }
        dll != "" && NF < 3 { print dll "\t-\t-" }'
}

checkSystemImports() {
    local file=$1
    local dlls
    dlls=$("$objdump" -p "$file" | awk '/^\tDLL Name: / { print $3 }')
    [[ -n $dlls ]] || fail "$file: no import table found"
    local dll
    for dll in $dlls; do
        if [[ $dll != OSTREL.dll ]] && ! grep -Eiq "$systemDll" <<<"$dll"; then
            fail "$file imports $dll, which is not a Windows DLL"
        fi
    done
}

checkProgram() {
    local program=$1
    shift
    local file=$tree/bin/$program.exe
    if [[ ! -f $file ]]; then
        fail "$file was not built"
        return
    fi
    local headers
    headers=$("$objdump" -p "$file")
    grep -q "file format $format\$" <<<"$headers" || fail "$program.exe is not $format: $(grep -m1 'file format' <<<"$headers")"
    grep -Eq $'^Subsystem\t+00000003\t' <<<"$headers" || fail "$program.exe is not a console program: $(grep -m1 '^Subsystem' <<<"$headers")"
    checkSystemImports "$file"

    local expected actual
    expected=$(for ordinal in "$@"; do printf 'OSTREL.dll\t%s\t<none>\n' "$ordinal"; done | sort)
    actual=$(imports "$file" | grep '^OSTREL\.dll' | sort)
    if [[ $actual != "$expected" ]]; then
        fail "$program.exe imports from OSTREL.dll:"$'\n'"${actual:-(nothing)}"$'\n'"expected by ordinal only:"$'\n'"$expected"
    fi
    echo "$program.exe: $(grep -m1 'file format' <<<"$headers" | sed 's/.*file format //'), $(grep -m1 '^Subsystem' <<<"$headers" | tr -s '\t' ' ')"
    imports "$file" | grep '^OSTREL\.dll' | sed 's/^/  import /'
}

if ! grep -q '^WARNINGS_AS_ERRORS:BOOL=ON$' "$tree/CMakeCache.txt" 2>/dev/null; then
    fail "$tree was not configured with WARNINGS_AS_ERRORS=ON"
fi
checkProgram irplay 5 9
checkProgram irrecord 4
for double in "$tree"/tests/double/*/OSTREL.dll; do
    if [[ -f $double ]]; then
        checkSystemImports "$double"
    else
        fail "the test double's DLLs were not built in $tree/tests/double"
    fi
done

if ((failures > 0)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed for $tree"
