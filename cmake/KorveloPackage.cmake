# Packages, made by cpack (tools/package.sh): a Debian package korvelo_<version>_amd64.deb with
# the programs, the manual, the icon, the desktop entry and the udev rule, depending on the Qt 6
# runtime packages; and a source archive korvelo-<version>.tar.gz.
set(CPACK_PACKAGE_NAME korvelo)
set(CPACK_PACKAGE_VENDOR "Korvelo")
set(CPACK_PACKAGE_CONTACT "Korvelo maintainers <korvelo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Alignment tool for analogue FM two-way radios")
set(CPACK_PACKAGE_DESCRIPTION
  "Reads a radio's tuning area over a CP210x programming cable, aligns transmit power, \
deviation, sub-audio and signalling deviation and receive squelch while keying the transmitter \
from the PC, and programs the values back. Comes with a simulated radio.")
set(CPACK_STRIP_FILES ON)

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
# The libraries the programs link (found by dpkg-shlibdeps), and Qt's plugins, which no program
# links: the platform plugins the window needs, the SQLite driver of the bench's record; the
# PostgreSQL driver only for a shop database.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/res/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME korvelo-${PROJECT_VERSION})
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/\\\\.git$" "/build[^/]*/" "/out/" "/\\\\.cache/" "\\\\.user$")
include(CPack)
