#!/usr/bin/env bash
# kernel_vm.sh [--kernel VERSION] [--share FOLDER] [--timeout SECONDS] -- COMMAND [ARGS...]
# kernel_vm.sh [--kernel VERSION] --check
#
# Boots this machine's own Linux kernel (/boot/vmlinuz-VERSION, its modules
# in /lib/modules/VERSION) under QEMU with rc-loopback loaded, so that
# /dev/lirc0 is the kernel's software IR device, and runs COMMAND in it as
# root, in the current folder. The guest's root is this machine's root,
# shared read-only: it runs the build tree and every installed package as
# they are. /tmp, /run and /dev/shm are empty tmpfs of the guest's own (but
# for the folder under /tmp or /run that holds the current one), and
# FOLDER (default: a temporary one) is shared writable at the same path, so
# that what the command writes there comes back. COMMAND's standard output
# and error come back on ours.
#
# The guest runs under TCG, QEMU's emulation without KVM: a nested KVM guest
# does not boot on every machine, and TCG runs on any. -smap and -smep keep
# 32-bit user programs (wine32) from faulting on iret under TCG.
#
# Exits with COMMAND's status; 77 (skipped) when qemu-system-x86_64, the
# kernel, its modules, busybox or cpio is missing; 1 when the guest did not
# come back with a status within the time. --check only looks whether the VM
# can boot: 0, or 77 and why not.
#
#   KERNEL_VM_CPUS     virtual CPUs (default 2)
#   KERNEL_VM_MEMORY   MiB (default 4096: Wine wants room)
#   KERNEL_VM_QEMU     the emulator (default qemu-system-x86_64)
set -euo pipefail

usage() {
    echo "usage: kernel_vm.sh [--kernel VERSION] [--share FOLDER] [--timeout SECONDS] -- COMMAND [ARGS...]" >&2
    exit 2
}

version=
share=
timeout=600
check=
while [ $# -gt 0 ]; do
    case $1 in
        --) shift; break ;;
        --check) check=1; shift ;;
        --kernel) version=${2:?}; shift 2 ;;
        --share) share=${2:?}; shift 2 ;;
        --timeout) timeout=${2:?}; shift 2 ;;
        *) usage ;;
    esac
done
[ $# -gt 0 ] || [ -n "$check" ] || usage

skip() {
    echo "kernel_vm: skipped: $*"
    exit 77
}

qemu=$(command -v "${KERNEL_VM_QEMU:-qemu-system-x86_64}" || true)
[ -n "$qemu" ] || skip "${KERNEL_VM_QEMU:-qemu-system-x86_64} is not installed (Debian package qemu-system-x86)"
busybox=$(command -v busybox || true)
# The initramfs has no libraries: busybox must be static.
[ -n "$busybox" ] || skip "no busybox (Debian package busybox-static)"
case $(ldd "$busybox" 2>&1 || true) in
    *"not a dynamic executable"*) ;;
    *) skip "$busybox is not static (Debian package busybox-static)" ;;
esac
command -v cpio >/dev/null || skip "cpio is not installed"
if [ -z "$version" ]; then
    # The newest kernel that has the modules the guest needs.
    for image in $(ls -v /boot/vmlinuz-* 2>/dev/null | tac); do
        candidate=${image#/boot/vmlinuz-}
        if modprobe -S "$candidate" --show-depends rc-loopback >/dev/null 2>&1; then
            version=$candidate
            break
        fi
    done
    [ -n "$version" ] || skip "no kernel in /boot with rc-loopback among its modules (Debian package linux-image-amd64)"
fi
kernel=/boot/vmlinuz-$version
[ -r "$kernel" ] || skip "$kernel cannot be read"
[ -z "$check" ] || exit 0

work=$(mktemp -d /tmp/kernel-vm.XXXXXX)
qemuPid=
cleanup() {
    if [ -n "$qemuPid" ]; then
        kill "$qemuPid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
if [ -z "$share" ]; then
    share=$work/share
fi
mkdir -p "$share"
share=$(cd "$share" && pwd)
rm -f "$share/.kernel-vm-status" "$share/.kernel-vm-output"

# The initramfs: busybox, the modules for virtio-9p, rc-loopback, the IR
# decoders and the USB ones in the order modprobe loads them, and an init that mounts the shares
# and runs the command in the host's root. The decoders are loaded here: when a
# protocol is enabled, rc-core asks for its module through /sbin/modprobe in the
# initramfs, which has neither it nor the modules' index.
root=$work/initramfs
mkdir -p "$root/bin" "$root/modules" "$root/proc" "$root/sys" "$root/dev" "$root/host"
cp "$busybox" "$root/bin/busybox"
: > "$root/modules/order"
decoders="ir-jvc-decoder ir-nec-decoder ir-rc5-decoder ir-rc6-decoder ir-sanyo-decoder ir-sharp-decoder ir-sony-decoder"
# vhci-hcd and the USB transceivers' drivers, for the fake USB devices of usb/; a
# kernel without them leaves them out, and those tests report themselves skipped.
usb="vhci-hcd mceusb iguanair streamzap redrat3 ttusbir"
for module in virtio_pci 9pnet_virtio 9p rc-loopback $decoders $usb; do
    modprobe -S "$version" --show-depends "$module" 2>/dev/null | while read -r verb path _; do
        [ "$verb" = insmod ] || continue
        name=$(basename "$path")
        name=${name%.xz}
        name=${name%.zst}
        grep -qx "$name" "$root/modules/order" && continue
        case $path in
            *.xz) xz -dc "$path" > "$root/modules/$name" ;;
            *.zst) zstd -qdc "$path" > "$root/modules/$name" ;;
            *) cp "$path" "$root/modules/$name" ;;
        esac
        echo "$name" >> "$root/modules/order"
    done
done
grep -qx rc-loopback.ko "$root/modules/order" || skip "modprobe lists no rc-loopback module for $version"

# The command, quoted, run from the current folder.
{
    printf 'cd %q || exit 1\n' "$(pwd)"
    printf 'exec'
    printf ' %q' "$@"
    printf '\n'
} > "$share/.kernel-vm-command"
# A tree under /tmp or /run (a checkout in /tmp) would be hidden by the
# guest's own tmpfs there: its top folder is bound aside before they are
# mounted and moved back onto them after (the share is mounted after that).
keepTree=
showTree=
top=$(pwd | awk -F/ '($2 == "tmp" || $2 == "run") && $3 != "" { print "/" $2 "/" $3 }')
if [ -n "$top" ]; then
    keepTree="mkdir -p /kept && mount -o bind /host$top /kept || fail \"cannot keep $top\""
    showTree="mkdir -p /host$top && mount -o move /kept /host$top || fail \"cannot show $top\""
fi

cat > "$root/init" <<EOF
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
exec > /dev/console 2>&1
for module in \$(cat /modules/order); do
    insmod /modules/\$module || echo "kernel_vm: insmod \$module failed"
done
fail() { echo "kernel_vm: \$*"; poweroff -f; }
mount -t 9p -o trans=virtio,version=9p2000.L,ro,cache=loose,msize=262144 hostroot /host ||
    fail "cannot mount the host's root"
mount -t proc proc /host/proc
mount -t sysfs sys /host/sys
mount -t devtmpfs dev /host/dev
mkdir -p /host/dev/pts /host/dev/shm
mount -t devpts devpts /host/dev/pts
mount -t tmpfs tmpfs /host/dev/shm
$keepTree
mount -t tmpfs -o mode=1777 tmpfs /host/tmp
mount -t tmpfs tmpfs /host/run
$showTree
mkdir -p /host$share 2>/dev/null
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 results /host$share ||
    fail "cannot mount $share"
chroot /host /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/tmp TMPDIR=/tmp LANG=C.UTF-8 IRTOOLS_KERNEL_VM=1 \
    /bin/sh $share/.kernel-vm-command > /host$share/.kernel-vm-output 2>&1
echo \$? > /host$share/.kernel-vm-status
sync
poweroff -f
EOF
chmod +x "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) > "$work/initramfs.gz"

start=$(date +%s.%N)
timeout --kill-after=10 "$timeout" "$qemu" \
    -accel tcg -cpu max,-smap,-smep -smp "${KERNEL_VM_CPUS:-2}" -m "${KERNEL_VM_MEMORY:-4096}" \
    -nographic -no-reboot -nodefaults -serial stdio \
    -kernel "$kernel" -initrd "$work/initramfs.gz" \
    -append "console=ttyS0 quiet panic=-1 rdinit=/init" \
    -fsdev local,id=hostroot,path=/,security_model=none,readonly=on,multidevs=remap \
    -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot \
    -fsdev local,id=results,path="$share",security_model=none \
    -device virtio-9p-pci,fsdev=results,mount_tag=results \
    < /dev/null > "$work/console" 2>&1 &
qemuPid=$!
qemuStatus=0
wait "$qemuPid" || qemuStatus=$?
qemuPid=
seconds=$(awk -v from="$start" -v to="$(date +%s.%N)" 'BEGIN { printf "%.1f", to - from }')

[ -f "$share/.kernel-vm-output" ] && cat "$share/.kernel-vm-output"
if [ ! -s "$share/.kernel-vm-status" ]; then
    echo "kernel_vm: the guest ($version) came back without a status after $seconds s (qemu: $qemuStatus); its console:" >&2
    tail -n 40 "$work/console" >&2
    exit 1
fi
status=$(cat "$share/.kernel-vm-status")
echo "kernel_vm: $version, $seconds s from boot to power-off, status $status"
exit "$status"
