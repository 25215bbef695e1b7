# What `cmake --install` puts where: the programs (irplay, irrecord and
# irsignal) in a folder of their own, lib/irtools/bin (IRTOOLS_PROGRAMS_DIR),
# the library with its link name in lib/, the transceiver header in include/,
# the man pages in section 1irtools, and the udev rule that opens /dev/lirc*
# to the group irtools. Nothing of it has the name of a file of LIRC's or
# v4l-utils' packages.
install(TARGETS irplay irrecord irsignal RUNTIME DESTINATION ${IRTOOLS_PROGRAMS_DIR})
# irplay and irrecord find the library from where they are installed; the
# RUNPATH they were linked with is as long as that one at least.
if(NOT IRTOOLS_BUILT_RUNPATH STREQUAL IRTOOLS_INSTALLED_RUNPATH)
    foreach(program irplay irrecord)
        install(CODE "file(RPATH_CHANGE
            FILE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${IRTOOLS_PROGRAMS_DIR}/${program}\"
            OLD_RPATH \"${IRTOOLS_BUILT_RUNPATH}\" NEW_RPATH \"${IRTOOLS_INSTALLED_RUNPATH}\")")
    endforeach()
endif()
install(TARGETS ostrel
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT Unspecified)
install(FILES ${PROJECT_SOURCE_DIR}/transceiver/transceiver.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# Man pages go in compressed, as Debian's policy and man-db expect, in
# man1/ with the section suffix irtools (irrecord.1irtools.gz, read with
# `man 1irtools irrecord`), beside LIRC's irrecord.1.gz.
find_program(GZIP_PROGRAM gzip REQUIRED)
foreach(page irplay.1 irrecord.1 irsignal.1)
    set(compressed ${PROJECT_BINARY_DIR}/man/${page}irtools.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND ${GZIP_PROGRAM} -9 -n -c ${PROJECT_SOURCE_DIR}/man/${page} > ${compressed}
        DEPENDS ${PROJECT_SOURCE_DIR}/man/${page}
        VERBATIM)
    list(APPEND compressedPages ${compressed})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${compressedPages})
install(FILES ${compressedPages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# udev reads its rules from lib/udev/rules.d under the prefix, whatever the
# library folder is called.
install(FILES ${PROJECT_SOURCE_DIR}/udev/60-irtools-lirc.rules DESTINATION lib/udev/rules.d)
