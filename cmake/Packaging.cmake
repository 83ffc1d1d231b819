# Installation where a Debian system keeps games, and `cpack` (make package): a Debian package
# with its menu entry, AppStream metainfo, icons, manual page, copyright and changelog.
include(GNUInstallDirs)

set(GEMWELL_INSTALL_GAMESDIR "games" CACHE STRING "Where the executable goes, under the prefix")

include(cmake/SourceDateEpoch.cmake)
string(TIMESTAMP GEMWELL_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP GEMWELL_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

# The copyright file takes its holder and licence text from LICENSE, so they are written once.
file(READ LICENSE licence)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" holder "${licence}")
set(GEMWELL_COPYRIGHT "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^.*\n(Permission is hereby)" "\\1" grant "${licence}")
string(STRIP "${grant}" grant)
string(REPLACE "\n\n" "\n.\n" grant "${grant}")
string(REPLACE "\n" "\n " grant "${grant}")
set(GEMWELL_EXPAT_TEXT " ${grant}")

configure_file(data/gemwell.6.in gemwell.6 @ONLY)
configure_file(data/changelog.in changelog @ONLY)
configure_file(data/copyright.in copyright @ONLY)
configure_file(data/gemwell.metainfo.xml.in ${GEMWELL_APP_ID}.metainfo.xml @ONLY)

# Compressed as Debian wants them, with no name or time in the gzip header.
foreach(document gemwell.6 changelog)
    add_custom_command(OUTPUT ${document}.gz
                       COMMAND gzip -9 -n -k -f ${document}
                       DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${document}
                       WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} VERBATIM)
endforeach()
add_custom_target(gemwell_documents ALL DEPENDS gemwell.6.gz changelog.gz)

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
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/gemwell.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES data/lintian-overrides DESTINATION ${datadir}/lintian/overrides RENAME gemwell)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gemwell)
set(CPACK_PACKAGE_VENDOR "${GEMWELL_DEVELOPER_NAME}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${GEMWELL_HOMEPAGE}")
set(CPACK_PACKAGE_CONTACT "${GEMWELL_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
# Under the summary (the project's description), a few lines of at most 80 columns.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A column of three coloured gems falls into a well six columns wide and
fourteen rows high. Slide it, cycle its colours and drop it: every straight
line of three or more equal colours vanishes, the gems above fall into the
gaps, and lines formed by that fall vanish in turn. The third column that
comes to rest sticking out of the well ends the game.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies from the libraries the executable really links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PackagePermissions.cmake)
# cpack runs in a process of its own: hand it the same time for every file of the package.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/CPackTime.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE}
     "if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})\n"
     "    set(ENV{SOURCE_DATE_EPOCH} ${GEMWELL_SOURCE_DATE_EPOCH})\n"
     "endif()\n")
include(CPack)
