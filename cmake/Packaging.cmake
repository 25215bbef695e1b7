# `cpack -G DEB` makes a Debian package of what `cmake --install` installs,
# under /usr, with its dependencies computed by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME irtools)
set(CPACK_PACKAGE_VENDOR "irtools developers")
set(CPACK_PACKAGE_CONTACT "irtools developers <irtools@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "record and play IR signals through a LIRC transceiver")
set(CPACK_PACKAGE_DESCRIPTION
    "irrecord captures an IR signal from a LIRC device into a file in the\n\
format of ir-ctl; irplay sends such a file out through a chosen emitter.\n\
irsignal lists, extracts, shows and compares the codes of lircd.conf\n\
remotes, kernel keymaps and Flipper Zero IR files.\n\
Includes the transceiver library libostrel.so.1 they use.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs need the package's own library; dpkg-shlibdeps finds it there.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS v4l-utils)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# A cross build packages for its target, whose Debian architecture the
# toolchain file names (cmake/linux-cross-toolchain.cmake). cpack then hands
# dpkg-shlibdeps DEB_HOST_ARCH, so that it reads the binaries with the
# target's objdump and computes the dependencies from the target's libraries
# as dpkg knows them (libc6:arm64, ...).
if(CMAKE_CROSSCOMPILING AND IRTOOLS_DEBIAN_ARCHITECTURE)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${IRTOOLS_DEBIAN_ARCHITECTURE})
    set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackTargetArchitecture.cmake)
    file(CONFIGURE OUTPUT ${CPACK_PROJECT_CONFIG_FILE}
        CONTENT "set(ENV{DEB_HOST_ARCH} ${IRTOOLS_DEBIAN_ARCHITECTURE})\n")
endif()
include(CPack)
