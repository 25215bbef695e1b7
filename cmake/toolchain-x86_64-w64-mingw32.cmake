# 64-bit Windows (PE32+, x86-64): the build the black-box tests run under
# wine64, on machines that cannot run 32-bit Windows programs.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-toolchain.cmake)
