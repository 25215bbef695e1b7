# ir_program(<target> <sources>...): a console program that binds the
# transceiver library at load time.
#
# On ELF platforms the library is found through RUNPATH (not RPATH), so that
# LD_LIBRARY_PATH can put another library of the same name in its place, and
# all symbols are bound at start-up (-z now), so that a library lacking one of
# the operations stops the program before it touches any file.
function(ir_program target)
    add_executable(${target} ${ARGN})
    target_link_libraries(${target} PRIVATE transceiver_library system_calls project_warnings)
    if(WIN32)
        # A console program, whose messages reach the console or pipe it was started from.
        target_link_options(${target} PRIVATE -mconsole)
    endif()
    if(NOT WIN32 AND NOT APPLE)
        # --as-needed: the programs themselves use only the C library and the
        # transceiver library, so the loader is not made to find the C++
        # runtime for them (the library brings its own dependencies).
        # -static-libgcc: the few helpers of libgcc the compiler may call (on
        # 32-bit ARM the unwinding routines every C++ function's table names)
        # are linked in, so that only libc and the transceiver library are
        # loaded.
        target_link_options(${target} PRIVATE
            LINKER:--enable-new-dtags LINKER:-z,now LINKER:--as-needed -static-libgcc)
        # The build tree's RUNPATH, which the install replaces (CMakeLists.txt).
        # Linked in rather than left to CMake to rewrite, which would append a
        # colon to the build tree's, an empty entry that the loader reads as
        # the working folder.
        set_target_properties(${target} PROPERTIES
            BUILD_WITH_INSTALL_RPATH ON
            INSTALL_RPATH "${IRTOOLS_BUILT_RUNPATH}")
    endif()
endfunction()
