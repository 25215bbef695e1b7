# 64-bit ARM Linux (arm64): Raspberry Pi 3, 4 and 5 and most ARM boards
# running a 64-bit Debian or Raspberry Pi OS.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(LINUX_TRIPLET aarch64-linux-gnu)
set(QEMU_NAME qemu-aarch64)
set(IRTOOLS_DEBIAN_ARCHITECTURE arm64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross-toolchain.cmake)
