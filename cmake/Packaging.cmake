# The desktop's view of Vornix (menu entry, icon, software-centre metadata)
# and the Debian package made from the install tree by scripts/package.

install(FILES resources/vornix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/org.vornix.Vornix.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY resources/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
        FILES_MATCHING PATTERN "vornix.png")
install(FILES resources/vornix.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vornix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vornix developers")
set(CPACK_PACKAGE_CONTACT "The Vornix developers <vornix@vornix.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "notifier and reader for job-board RSS feeds")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Vornix lives in the system tray and watches the RSS feeds of freelance job boards.\n"
       "You keep a catalogue of boards, each with several feeds; Vornix downloads the chosen\n"
       "feed on an interval, shows its items one at a time, filters them by keywords, keeps\n"
       "an archive of the items worth returning to, and reports every outcome in the status\n"
       "bar, as a desktop notification and with a sound.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vornix.example.org/ru/softsother/catalogs/vx/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What dpkg-shlibdeps cannot see in the executable: libcurl and libcanberra,
# which vx opens by name when first used, the sound server's plug-in that
# libcanberra loads by name, Qt's platform plug-ins, the opener of links and
# the certificates that https feeds are checked against.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libcurl4, libcanberra0, libcanberra-pulse, qt6-qpa-plugins, xdg-utils, ca-certificates")
set(CPACK_STRIP_FILES ON)
include(CPack)
