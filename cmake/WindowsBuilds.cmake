# The Windows programs, cross-built from this same source with MinGW-w64 into
# windows-i686/ (32-bit, what users get) and windows-x86_64/ (64-bit, what the
# black-box tests run under wine64) in the native build folder. Each is a
# CMake tree of its own, configured with the toolchain file of its target and
# with every warning fatal.
#
# Sets, for the tests: WINDOWS_I686_TREE and WINDOWS_X86_64_TREE (empty when
# that tree is not built) and WINDOWS_I686_OBJDUMP / WINDOWS_X86_64_OBJDUMP.
# A cross build for another Linux architecture leaves them to the native build.
if(CMAKE_CROSSCOMPILING)
    set(windowsBuildsDefault OFF)
else()
    set(windowsBuildsDefault ON)
endif()
option(IRTOOLS_WINDOWS_BUILDS "Also build the Windows programs when MinGW-w64 is installed"
    ${windowsBuildsDefault})

include(ExternalProject)

function(add_windows_build name triplet)
    string(TOUPPER ${name} variable)
    set(WINDOWS_${variable}_TREE "" PARENT_SCOPE)
    find_program(WINDOWS_${variable}_COMPILER NAMES ${triplet}-g++-win32 ${triplet}-g++)
    find_program(WINDOWS_${variable}_OBJDUMP NAMES ${triplet}-objdump)
    if(NOT IRTOOLS_WINDOWS_BUILDS)
        return()
    endif()
    if(NOT WINDOWS_${variable}_COMPILER OR NOT WINDOWS_${variable}_OBJDUMP)
        message(STATUS "No ${triplet} compiler: the ${name} Windows build and its tests are skipped")
        return()
    endif()
    set(tree ${PROJECT_BINARY_DIR}/windows-${name})
    ExternalProject_Add(windows-${name}
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${tree}
        PREFIX ${PROJECT_BINARY_DIR}/windows-${name}-stamps
        CMAKE_ARGS
            -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/toolchain-${triplet}.cmake
            -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
            -DWARNINGS_AS_ERRORS=ON
        INSTALL_COMMAND ""
        # The tree's own build decides what is out of date.
        BUILD_ALWAYS ON
        LOG_CONFIGURE ON
        LOG_BUILD ON
        LOG_OUTPUT_ON_FAILURE ON)
    set(WINDOWS_${variable}_TREE ${tree} PARENT_SCOPE)
endfunction()

add_windows_build(i686 i686-w64-mingw32)
add_windows_build(x86_64 x86_64-w64-mingw32)
