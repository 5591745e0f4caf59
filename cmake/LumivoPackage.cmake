# SPDX-License-Identifier: GPL-2.0-or-later
# What `cmake --install` puts where, and the Debian package `make package`
# builds from it (CPack, DEB generator):
#   bin/                  lumivo, lumivo-cli, lumivo-boardsim, qvrbuild (the
#                         program finds lumivo-boardsim beside itself)
#   lib/lumivo/           the program's own libraries, found through RPATH:
#                         nothing else on the system loads or replaces them
#   share/lumivo/         Lang/ (language files), content/ (containers)
#   share/...             desktop entry, metainfo, icon, MIME type, manual
#                         pages, bash completion, doc/lumivo/copyright
# (the data files' rules live beside them: resources/, man/, tools/qvrbuild/).
foreach(program lumivo lumivo-cli lumivo-boardsim qvrbuild)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
foreach(lib qvr common serio common_widgets serio_widgets)
  if(TARGET ${lib})
    install(TARGETS ${lib} LIBRARY DESTINATION ${LUMIVO_INSTALL_LIBDIR})
  endif()
endforeach()

set(LUMIVO_PACKAGE_MAINTAINER "Tessel <lumivo@lumivo.org>" CACHE STRING "The Debian package's maintainer")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumivo)
set(CPACK_PACKAGE_VENDOR Tessel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${LUMIVO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://lumivo.org/)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor, previewer and transmitter for colour LED sign boards")
# The summary is the description's first line; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Lumivo composes the Ads a colour LED sign board plays (text in the board's
bitmap fonts, pictures, movies, animations, live date and time, clocks, each
with start, wait and end effects), previews them with the board's own effect
engine, keeps them in .qvndoc projects and sends them to the board's
controller over a serial line.
.
The package holds the program lumivo, the command-line tools lumivo-cli
(projects, rendering and board commands without a display), lumivo-boardsim
(a simulated controller) and qvrbuild (the content containers' generator),
the content containers and the language files.")
# Dependencies: the libraries the binaries load, worked out by dpkg-shlibdeps,
# plus what Qt loads as plug-ins (the window system's platform).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins")
# qvrbuild renders the containers from these fonts; the program needs none.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS
    "xfonts-base, console-setup-linux, unifont, xfonts-baekmuk, fonts-baekmuk, fonts-unfonts-core, fonts-nanum, xfonts-wqy, fonts-wqy-zenhei")
include(CPack)

# The package built into a temporary folder, unpacked, and its programs run
# from the unpacked tree.
find_program(DPKG_DEB dpkg-deb)
if(BUILD_TESTING AND DPKG_DEB AND TARGET lumivo AND TARGET lumivo-cli)
  add_test(NAME debian_package
    COMMAND ${PROJECT_SOURCE_DIR}/cmake/check-package.sh ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION})
  set_tests_properties(debian_package PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE)
endif()
