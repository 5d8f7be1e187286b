# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in the build folder (scripts/package.sh)
# packs what `cmake --install` lays down into vorkan_<version>-<release>_<arch>.deb.

# Beside the program, its menu entry and icons: the manual page (gzipped the
# way Debian wants it, at the highest level and without a name or time in the
# header, so the same page always packs to the same bytes) and the licence;
# and, for the package alone, its changelog and what lintian need not say
# about it.
set(VORKAN_DEB_RELEASE 1)
find_program(GZIP gzip REQUIRED)
set(man_page ${PROJECT_BINARY_DIR}/vorkan.1.gz)
add_custom_command(
  OUTPUT ${man_page}
  COMMAND ${GZIP} -9n -c ${PROJECT_SOURCE_DIR}/docs/vorkan.1 > ${man_page}
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/vorkan.1)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.Debian.in ${PROJECT_BINARY_DIR}/changelog.Debian @ONLY)
set(changelog ${PROJECT_BINARY_DIR}/changelog.Debian.gz)
add_custom_command(
  OUTPUT ${changelog}
  COMMAND ${GZIP} -9n -c ${PROJECT_BINARY_DIR}/changelog.Debian > ${changelog}
  DEPENDS ${PROJECT_BINARY_DIR}/changelog.Debian)
add_custom_target(vorkan_package_docs ALL DEPENDS ${man_page} ${changelog})
install(FILES ${man_page} DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION share/doc/vorkan)
# The package's own files stay out of a plain `cmake --install`.
install(FILES ${changelog} DESTINATION share/doc/vorkan COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides DESTINATION share/lintian/overrides RENAME vorkan
        COMPONENT deb EXCLUDE_FROM_ALL)

# Folders made while installing are rwxr-xr-x whatever the umask of the one
# who builds the package.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)

set(CPACK_GENERATOR DEB)
# One package of everything, the package's own files included.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified deb)
set(CPACK_PACKAGE_NAME vorkan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY vorkan)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The program ships without its symbols; a RelWithDebInfo build keeps them in
# the build folder.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Кирилл Ветров <vorkan@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copy a whole disk volume byte for byte into one image file")
# A line of the long description must not begin with a point: Debian reads
# it as a control statement.
set(CPACK_PACKAGE_DESCRIPTION
    "Vorkan copies a whole disk volume (a partition, a USB stick, a CD or DVD,
a RAM disk) byte for byte into one image file: an IMA, ISO, DSK, FSS or BIN
file, the same raw byte stream in every case. It shows the progress, can
pause, resume and abort the copy, can lock the volume for exclusive access
while it is copied, and shows a volume's label, type, sizes, serial number
and file system with a chart of used against free space.
.
Volumes the user may not read directly are opened through udisks2 after
polkit's authorization. The windows speak Russian.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VORKAN_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the program itself (dpkg-shlibdeps); Qt's xcb
# platform is a plugin no library names, and without it no window opens on
# an X desktop.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# Without udisks2 and polkit the program still lists every volume and copies
# those the user may read; Qt's translations turn its own dialog texts
# Russian; on a Wayland desktop without Qt's Wayland platform the windows
# open through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udisks2, polkitd, qt6-translations-l10n, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
