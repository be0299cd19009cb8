# Installing the desktop program (`cmake --install`) and packing it as a
# .deb (`cpack -G DEB`): the two programs, the pictures, a desktop entry, the
# icon, the man pages and the xscreensaver configuration.
include(GNUInstallDirs)

install(TARGETS nightwick nightwick-capture RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The programs look for share/nightwick beside their bin/.
list(TRANSFORM NIGHTWICK_PICTURE_NAMES PREPEND ${CMAKE_BINARY_DIR}/ OUTPUT_VARIABLE nightwick_installed_pictures)
install(FILES ${nightwick_installed_pictures} DESTINATION ${CMAKE_INSTALL_DATADIR}/nightwick)
install(FILES platform/linux/nightwick.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/nightwick.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
# The man pages carry the project's version.
configure_file(platform/linux/nightwick.6.in ${CMAKE_BINARY_DIR}/man/nightwick.6 @ONLY)
configure_file(platform/linux/nightwick-capture.1.in ${CMAKE_BINARY_DIR}/man/nightwick-capture.1 @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/man/nightwick.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_BINARY_DIR}/man/nightwick-capture.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES platform/linux/nightwick.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nightwick)
set(CPACK_PACKAGE_VENDOR "Nightwick")
set(CPACK_PACKAGE_CONTACT "Nightwick developers <nightwick@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "mosquitoes meet the insect lamp on a summer night")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Mosquitoes fly across a painted night scene: they beat their wings, turn,\n drift nearer and meet the electric insect lamp over the porch. Runs full\n screen, in a window, or as an xscreensaver hack.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs link, as dpkg-shlibdeps finds their packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xscreensaver)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
