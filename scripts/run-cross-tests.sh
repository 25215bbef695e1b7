#!/usr/bin/env bash
# Cross-builds the whole project for 64-bit and 32-bit ARM Linux (arm64,
# armhf) with Debian's cross compilers, runs every test of each build under
# qemu-user, and makes each architecture's Debian package.
#
# Needs, per architecture (Debian 12, after dpkg --add-architecture ARCH):
# g++-TRIPLET, qemu-user-static, libgtest-dev:ARCH, libc6:ARCH,
# libstdc++6:ARCH, libgcc-s1:ARCH and liblirc0:ARCH (see .ci/run). An
# architecture whose tools are missing is skipped and said so; with none
# left, exits 77.
#
# ir-ctl is preloaded with the emulated device in the tests, so it must be the
# target's: ir-ctl is unpacked from the target's v4l-utils package (fetched
# once with apt-get download into the build folder); without it the ir-ctl
# tests report skipped.
#
#   CROSS_ARCHITECTURES  the architectures to build (default "arm64 armhf")
#   CROSS_BUILD_PREFIX   build folders are PREFIX-ARCH (default build)
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A triplets=([arm64]=aarch64-linux-gnu [armhf]=arm-linux-gnueabihf)
declare -A emulators=([arm64]=qemu-aarch64-static [armhf]=qemu-arm-static)
declare -A loaders=([arm64]=/lib/ld-linux-aarch64.so.1 [armhf]=/lib/ld-linux-armhf.so.3)

# What the architecture lacks, one line each; nothing when it has everything.
missing() {
    local architecture=$1 triplet=${triplets[$1]}
    command -v "$triplet-g++" >/dev/null || echo "$triplet-g++ (Debian: g++-$triplet)"
    command -v "${emulators[$architecture]}" >/dev/null ||
        echo "${emulators[$architecture]} (Debian: qemu-user-static)"
    [[ -e ${loaders[$architecture]} ]] || echo "${loaders[$architecture]} (Debian: libc6:$architecture)"
    [[ -e /usr/lib/$triplet/libstdc++.so.6 ]] || echo "libstdc++6:$architecture"
    [[ -e /usr/lib/$triplet/cmake/GTest/GTestConfig.cmake ]] || echo "libgtest-dev:$architecture"
    [[ -e /usr/lib/$triplet/liblirc.so.0 ]] || echo "liblirc0:$architecture (irsignal's liblirc)"
    [[ -e /usr/include/lirc/config_file.h ]] || echo "liblirc-dev (liblirc's headers, the build machine's)"
    command -v dpkg-shlibdeps >/dev/null || echo "dpkg-shlibdeps (Debian: dpkg-dev)"
}

# The target's ir-ctl, unpacked into the build folder; empty when it cannot
# be had (no network, no such package).
target_ir_ctl() {
    local architecture=$1 build=$2
    local root=$build/target-v4l-utils
    if [[ ! -x $root/usr/bin/ir-ctl ]] && command -v apt-get >/dev/null; then
        local download
        download=$(mktemp -d)
        chmod 0777 "$download"  # apt-get downloads as the user _apt
        if (cd "$download" && apt-get download -q "v4l-utils:$architecture") >&2; then
            rm -rf "$root"
            mkdir -p "$root"
            dpkg-deb -x "$download"/v4l-utils_*_"$architecture".deb "$root"
        fi
        rm -rf "$download"
    fi
    if [[ -x $root/usr/bin/ir-ctl ]]; then
        realpath "$root/usr/bin/ir-ctl"
    fi
}

ran=()
skipped=()
failed=()
for architecture in ${CROSS_ARCHITECTURES:-arm64 armhf}; do
    if [[ -z ${triplets[$architecture]:-} ]]; then
        echo "run-cross-tests: unknown architecture $architecture (arm64 or armhf)" >&2
        exit 2
    fi
    lacking=$(missing "$architecture")
    if [[ -n $lacking ]]; then
        echo "--- $architecture: skipped, missing:"
        echo "$lacking" | sed 's/^/    /'
        skipped+=("$architecture")
        continue
    fi
    triplet=${triplets[$architecture]}
    build=${CROSS_BUILD_PREFIX:-build}-$architecture
    started=$SECONDS
    echo "--- $architecture: build in $build"
    ir_ctl=$(target_ir_ctl "$architecture" "$build")
    [[ -n $ir_ctl ]] || echo "no ir-ctl for $architecture: its tests report skipped"
    status=0
    {
        cmake -S . -B "$build" -G Ninja --toolchain "cmake/toolchain-$triplet.cmake" \
            -DWARNINGS_AS_ERRORS=ON -DIRTOOLS_IR_CTL="$ir_ctl" &&
            cmake --build "$build" &&
            ctest --test-dir "$build" --output-on-failure -j "$(nproc)" &&
            (cd "$build" && cpack -G DEB) &&
            for package in "$build"/irtools_*_"$architecture".deb; do
                echo "package: $package"
                dpkg-deb -f "$package" Package Version Architecture Depends
                # Where the programs and their man pages go: beside lirc's, not over them.
                dpkg-deb -c "$package" | awk '$6 ~ /\/(bin|man1)\/./ { print "    " $6 }'
            done
    } || status=$?
    echo "--- $architecture: $((SECONDS - started)) s"
    ran+=("$architecture")
    ((status == 0)) || failed+=("$architecture")
done

if ((${#ran[@]} == 0)); then
    echo "run-cross-tests: no architecture has its tools, skipped"
    exit 77
fi
if ((${#failed[@]} > 0)); then
    echo "run-cross-tests: failed on ${failed[*]}" >&2
    exit 1
fi
echo "run-cross-tests: passed on ${ran[*]}${skipped:+; skipped for want of tools: ${skipped[*]}}"
