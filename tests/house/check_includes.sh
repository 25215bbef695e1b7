#!/usr/bin/env bash
# Every quoted include in the tree names its file from the project's top
# folder ("ostrel/lirc/capture.h"), and the build adds no include folder but
# that one, so that no include can mean another file of the same name.
# Usage: check_includes.sh SOURCE_DIR
set -euo pipefail
cd "$1"

if [ -d .git ] && command -v git >/dev/null; then
    files=$(git ls-files)
else
    files=$(find . -path ./.git -prune -o -path './build*' -prune -o -type f -print | sed 's|^\./||')
fi

failures=0
while IFS= read -r source; do
    case "$source" in *.c|*.cpp|*.h|*.hpp) ;; *) continue ;; esac
    while IFS=: read -r line included; do
        if [ ! -f "$included" ]; then
            echo "$source:$line: #include \"$included\" names no file from the project's top folder"
            failures=$((failures + 1))
        fi
    done < <(awk -F'"' '/^[[:space:]]*#[[:space:]]*include[[:space:]]*"/ { print FNR ":" $2 }' "$source")
done <<< "$files"

# The one include folder is the top folder, set in the top CMakeLists.txt.
while IFS= read -r cmakeFile; do
    case "$cmakeFile" in CMakeLists.txt|*/CMakeLists.txt|*.cmake) ;; *) continue ;; esac
    if grep -n 'include_directories' "$cmakeFile" | grep -v 'project_include_root INTERFACE' \
        | sed "s|^|$cmakeFile:|"; then
        failures=$((failures + 1))
    fi
done <<< "$files"

if [ "$failures" -ne 0 ]; then
    echo "$failures include(s) not named from the project's top folder"
    exit 1
fi
