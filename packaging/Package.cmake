# The Debian package ktrsetup_<version>_<arch>.deb, made by CPack from the
# install rules. scripts/package configures a build for it (prefix /usr,
# Debian's hardening flags) and runs cpack.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ktrsetup)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quorrel)
set(CPACK_PACKAGE_CONTACT ${KTR_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KTR_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KTR_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set up particle counters on serial networks")
# CPack writes the summary as the synopsis and indents the text below it.
set(CPACK_PACKAGE_DESCRIPTION "KTRSetup finds the particle counters on the serial networks behind the com
ports (up to 32 counters per port), shows the channel sizes and the
calibration curve each counter holds, and programs changed tables back into
the counter over a byte-echoed serial protocol.

This package holds the desktop program ktrsetup, the command-line tool
ktrctl (scan, read, program and flash counters from a shell, with text or
JSON output) and ktrsim, a simulated counter network on pseudo-terminals
for training and tests.

Users of the serial ports must be in the group dialout.")

# The dependencies are the packages of the libraries the programs link,
# found by dpkg-shlibdeps. Debian's libqt6gui6 holds the X11 and offscreen
# platform plugins the window needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/debian/conffiles
    ${CMAKE_CURRENT_LIST_DIR}/debian/postinst)

include(CPack)
