# What `cmake --install` puts where: the programs (irplay, irrecord and
# irsignal) in bin/, the library with its link name in lib/, the transceiver
# header in include/, the man pages, and the udev rule that opens /dev/lirc*
# to the group irtools.
install(TARGETS irplay irrecord irsignal RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS ostrel
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT Unspecified)
install(FILES ${PROJECT_SOURCE_DIR}/transceiver/transceiver.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# Man pages go in compressed, as Debian's policy and man-db expect.
find_program(GZIP_PROGRAM gzip REQUIRED)
foreach(page irplay.1 irrecord.1 irsignal.1)
    set(compressed ${PROJECT_BINARY_DIR}/man/${page}.gz)
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
