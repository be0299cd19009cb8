# Installing the desktop program (`cmake --install`) and packing it as a
# .deb (`cpack -G DEB`): the two programs, the pictures, a desktop entry, the
# icon, the man pages, the xscreensaver configuration, the AppStream
# metadata, and the changelog and copyright files Debian asks of a package.
include(GNUInstallDirs)
find_program(NIGHTWICK_GZIP gzip REQUIRED)

# Debian wants man pages and changelogs compressed at the highest level, and
# without the name and time stamp gzip would otherwise store, so that the same
# sources pack into the same bytes.
function(nightwick_gzip input output)
  execute_process(COMMAND ${NIGHTWICK_GZIP} -9 -n -c ${input} OUTPUT_FILE ${output} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip could not compress ${input}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${input})
endfunction()

# The desktop entry is named after the AppStream id, which software centres
# use to match the two.
set(NIGHTWICK_APP_ID org.nightwick.nightwick)

install(TARGETS nightwick nightwick-capture RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Binding every symbol at load lets the loader make the whole relocation table
# read-only before the program runs, as Debian builds its own programs.
target_link_options(nightwick PRIVATE LINKER:-z,relro,-z,now)
target_link_options(nightwick-capture PRIVATE LINKER:-z,relro,-z,now)
# The programs look for share/nightwick beside their bin/.
list(TRANSFORM NIGHTWICK_PICTURE_NAMES PREPEND ${CMAKE_BINARY_DIR}/ OUTPUT_VARIABLE nightwick_installed_pictures)
install(FILES ${nightwick_installed_pictures} DESTINATION ${CMAKE_INSTALL_DATADIR}/nightwick)
install(FILES platform/linux/${NIGHTWICK_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(platform/linux/${NIGHTWICK_APP_ID}.metainfo.xml.in ${CMAKE_BINARY_DIR}/${NIGHTWICK_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${NIGHTWICK_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_BINARY_DIR}/nightwick.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
# The man pages carry the project's version.
configure_file(platform/linux/nightwick.6.in ${CMAKE_BINARY_DIR}/man/nightwick.6 @ONLY)
configure_file(platform/linux/nightwick-capture.1.in ${CMAKE_BINARY_DIR}/man/nightwick-capture.1 @ONLY)
nightwick_gzip(${CMAKE_BINARY_DIR}/man/nightwick.6 ${CMAKE_BINARY_DIR}/man/nightwick.6.gz)
nightwick_gzip(${CMAKE_BINARY_DIR}/man/nightwick-capture.1 ${CMAKE_BINARY_DIR}/man/nightwick-capture.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/man/nightwick.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_BINARY_DIR}/man/nightwick-capture.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES platform/linux/nightwick.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
# We are our own upstream, so the package is native (its version has no
# Debian revision) and its changelog is changelog.gz, not changelog.Debian.gz.
nightwick_gzip(${CMAKE_SOURCE_DIR}/platform/linux/changelog ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz platform/linux/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nightwick)
set(CPACK_PACKAGE_VENDOR "Nightwick")
set(CPACK_PACKAGE_CONTACT "Nightwick developers <developers@nightwick.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "mosquitoes meet the insect lamp on a summer night")
# CPack indents each line itself; a line that started with a space of its own
# would be shown verbatim, as code.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Mosquitoes fly across a painted night scene: they beat their wings, turn,\ndrift nearer and meet the electric insect lamp over the porch. Runs full\nscreen, in a window, or as an xscreensaver hack.")
# A screensaver and an animation to watch, not a game: Debian files its
# screensavers and X11 toys under x11.
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://nightwick.org/)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs link, as dpkg-shlibdeps finds their packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without a decoration plugin, libdecor gives a window on GNOME no title bar.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libdecor-0-plugin-1-cairo)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xscreensaver)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
