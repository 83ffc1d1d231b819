# Installation where a Debian system keeps games: what `cmake --install`, a distribution's
# package build (debian/ runs it) and other packagers use. Compressing the manual page, the
# copyright and changelog files and the package's own checks are the packaging's business.
include(GNUInstallDirs)

set(GEMWELL_INSTALL_GAMESDIR "games" CACHE STRING "Where the executable goes, under the prefix")

configure_file(data/gemwell.6.in gemwell.6 @ONLY)
configure_file(data/gemwell.metainfo.xml.in ${GEMWELL_APP_ID}.metainfo.xml @ONLY)

set(datadir ${CMAKE_INSTALL_DATADIR})
install(TARGETS gemwell RUNTIME DESTINATION ${GEMWELL_INSTALL_GAMESDIR})
# The menu entry is named by the app id, which the metainfo's launchable points to.
install(FILES data/gemwell.desktop DESTINATION ${datadir}/applications
        RENAME ${GEMWELL_APP_ID}.desktop)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${GEMWELL_APP_ID}.metainfo.xml
        DESTINATION ${datadir}/metainfo)
install(FILES data/gemwell.svg DESTINATION ${datadir}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
    install(FILES data/icons/${size}x${size}/gemwell.png
            DESTINATION ${datadir}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/gemwell.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
