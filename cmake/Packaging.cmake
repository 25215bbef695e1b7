# `cpack -G DEB` makes a Debian package of what `cmake --install` installs,
# under /usr, with its dependencies computed by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME irtools)
set(CPACK_PACKAGE_VENDOR "irtools developers")
set(CPACK_PACKAGE_CONTACT "irtools developers <irtools@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "record and play IR signals through a LIRC transceiver")
set(CPACK_PACKAGE_DESCRIPTION
    "irrecord captures an IR signal from a LIRC device into a file in the\n\
format of ir-ctl; irplay sends such a file out through a chosen emitter.\n\
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
include(CPack)
