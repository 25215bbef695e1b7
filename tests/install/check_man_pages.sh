#!/usr/bin/env bash
# check_man_pages.sh PAGE...
#
# Renders each man page with every groff warning on and fails on any
# warning or error; also through man(1) when man-db is there, as users read
# them. Exits 77 (skipped) without groff.
set -uo pipefail

if ! command -v groff >/dev/null; then
    echo "skipped: groff is not installed"
    exit 77
fi
failures=0
for page in "$@"; do
    warnings=$(groff -ww -b -z -mandoc -Tutf8 "$page" 2>&1)
    if [[ $? -ne 0 || -n $warnings ]]; then
        echo "FAIL: groff on $page:"
        echo "$warnings"
        failures=$((failures + 1))
    fi
    if command -v man >/dev/null; then
        warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
        if [[ $? -ne 0 || -n $warnings ]]; then
            echo "FAIL: man on $page:"
            echo "$warnings"
            failures=$((failures + 1))
        fi
    fi
done
((failures == 0)) && echo "rendered without warnings: $*"
exit $((failures > 0))
