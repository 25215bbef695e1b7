#!/bin/sh
# irctl_features.sh IR_CTL: what ir-ctl, a peer of the library's, lists of /dev/lirc0
# in the kernel VM: rc-loopback's two emitters, carrier reports and wideband receiver.
# Exits 77 where there is no such device or no ir-ctl.
set -u
irctl=$1
[ -n "${IRTOOLS_KERNEL_VM:-}" ] && [ -e /dev/lirc0 ] || { echo "skipped: no rc-loopback here"; exit 77; }
[ -x "$irctl" ] || { echo "skipped: $irctl is not installed (Debian package v4l-utils)"; exit 77; }
features=$("$irctl" -d /dev/lirc0 --features) || exit 1
echo "$features"
for line in " - Set transmitter (2 available)" " - Can measure carrier" " - Use wideband receiver" \
    " - Can set receiving timeout min 1 microseconds, max 16777215 microseconds"; do
    printf '%s\n' "$features" | grep -qxF -- "$line" || { echo "missing: $line"; exit 1; }
done
