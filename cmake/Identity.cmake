# The project's identity, read by the menu entry and the metainfo; debian/control must say the
# same (the packaging_identity test checks it). The defaults are in the reserved example domain:
# whoever publishes the game sets these, and debian/control's Maintainer and Homepage with them.
set(GEMWELL_APP_ID "example.gemwell.Gemwell" CACHE STRING
    "AppStream id, the reverse-DNS name of the homepage's domain plus the game's name")
set(GEMWELL_HOMEPAGE "https://gemwell.example/" CACHE STRING "The game's homepage")
set(GEMWELL_DEVELOPER_NAME "The gemwell developers" CACHE STRING
    "Who makes the game, as software centres show it")
set(GEMWELL_MAINTAINER "Gemwell maintainers <maintainers@gemwell.example>"
    CACHE STRING "The package's maintainer, as \"Name <address>\"")
# AppStream's developer id is the app id's domain part (example.gemwell for example.gemwell.Gemwell).
string(REGEX REPLACE "\\.[^.]+$" "" GEMWELL_DEVELOPER_ID "${GEMWELL_APP_ID}")
