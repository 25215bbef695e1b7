# 32-bit ARM Linux with hardware floating point (armhf, ARMv7): Raspberry Pi
# 2 and later and other ARM boards running a 32-bit Debian or Raspberry Pi OS.
# long, size_t and time_t are 32 bits wide here.
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(LINUX_TRIPLET arm-linux-gnueabihf)
set(QEMU_NAME qemu-arm)
set(IRTOOLS_DEBIAN_ARCHITECTURE armhf)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross-toolchain.cmake)
# GCC notes for 32-bit ARM that the passing of some structs changed in GCC 7.1
# (-Wpsabi); everything here, Debian's libstdc++ included, is built by GCC 12.
set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)
