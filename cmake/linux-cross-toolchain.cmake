# Cross-compiling for another Linux architecture with Debian's cross compilers
# (g++-aarch64-linux-gnu, g++-arm-linux-gnueabihf). Included by the toolchain
# file of each target, which sets LINUX_TRIPLET, CMAKE_SYSTEM_PROCESSOR,
# QEMU_NAME (qemu-user's name of the target) and IRTOOLS_DEBIAN_ARCHITECTURE.
#
# The target's libraries are Debian's multiarch packages of that architecture
# (dpkg --add-architecture, then libgtest-dev:arm64, libc6:arm64, ...), which
# install into /usr/lib/LINUX_TRIPLET beside the native ones, where the cross
# compiler and CMake look for them. The cross compiler's own C library comes
# from libc6-dev-*-cross under /usr/LINUX_TRIPLET.
#
# Test programs run under qemu-user's static build, which LD_PRELOAD and
# LD_LIBRARY_PATH meant for the target program cannot disturb: CMake and CTest
# start every target program through CMAKE_CROSSCOMPILING_EMULATOR. The
# target's root, where its dynamic loader and libraries are found, is
# IRTOOLS_TARGET_SYSROOT: by default /, where libc6:ARCH puts the loader
# (/lib/ld-linux-aarch64.so.1, /lib/ld-linux-armhf.so.3); an unpacked root
# file system of the target, a Raspberry Pi OS image say, works as well.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_LIBRARY_ARCHITECTURE ${LINUX_TRIPLET})

find_program(CMAKE_CXX_COMPILER NAMES ${LINUX_TRIPLET}-g++-12 ${LINUX_TRIPLET}-g++ REQUIRED)

set(IRTOOLS_TARGET_SYSROOT / CACHE PATH "Root file system of the target, for qemu-user's -L")
find_program(IRTOOLS_QEMU_USER NAMES ${QEMU_NAME}-static)
if(IRTOOLS_QEMU_USER)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${IRTOOLS_QEMU_USER} -L ${IRTOOLS_TARGET_SYSROOT})
endif()
