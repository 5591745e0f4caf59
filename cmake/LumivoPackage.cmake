# SPDX-License-Identifier: GPL-2.0-or-later
# What `cmake --install` puts where, and the Debian packages `make package`
# builds from it (CPack, DEB generator, one package per install component):
#   lumivo-common (common)  what both others need: the Qt-free libraries in
#                           lib/lumivo/ (found through RPATH: nothing else on
#                           the system loads or replaces them), lumivo-boardsim
#                           (the simulated board of the window and the agent),
#                           share/lumivo/ Lang/ and content/
#   lumivo (window)         lumivo, lumivo-cli, qvrbuild, the widget libraries,
#                           desktop entry, metainfo, icon, MIME type, completion
#   lumivo-agent (agent)    lumivo-agent, its systemd unit and sysusers file,
#                           /etc/lumivo/agent.conf; no Qt, so a headless box
#                           installs no display stack
# Each carries its manual pages and share/doc/<package>/copyright. The data
# files' rules live beside them: resources/, man/, tools/qvrbuild/.
set(LUMIVO_COMPONENT_lumivo window)
set(LUMIVO_COMPONENT_lumivo-cli window)
set(LUMIVO_COMPONENT_qvrbuild window)
set(LUMIVO_COMPONENT_lumivo-boardsim common)
set(LUMIVO_COMPONENT_lumivo-agent agent)
foreach(program lumivo lumivo-cli lumivo-boardsim qvrbuild lumivo-agent)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${LUMIVO_COMPONENT_${program}})
  endif()
endforeach()
foreach(lib qvr common serio)
  if(TARGET ${lib})
    install(TARGETS ${lib} LIBRARY DESTINATION ${LUMIVO_INSTALL_LIBDIR} COMPONENT common)
  endif()
endforeach()
# lumivo-cli's agent and fleet verbs, which it loads when they are named.
if(TARGET lumivo-cli-net)
  set_target_properties(lumivo-cli-net PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS lumivo-cli-net LIBRARY DESTINATION ${LUMIVO_INSTALL_LIBDIR} COMPONENT window)
endif()
foreach(lib common_widgets serio_widgets)
  if(TARGET ${lib})
    install(TARGETS ${lib} LIBRARY DESTINATION ${LUMIVO_INSTALL_LIBDIR} COMPONENT window)
  endif()
endforeach()

# The service: where systemd looks under the prefix (/usr/lib/systemd/system
# and /usr/lib/sysusers.d in the package). The configuration file is a
# conffile at its absolute place, so only the package carries it:
# `cmake --install` to a prefix leaves /etc alone.
set(agent_service ${PROJECT_SOURCE_DIR}/tools/lumivo-agent/service)
if(TARGET lumivo-agent)
  install(FILES ${agent_service}/lumivo-agent.service DESTINATION lib/systemd/system COMPONENT agent)
  install(FILES ${agent_service}/lumivo-agent.sysusers DESTINATION lib/sysusers.d RENAME lumivo-agent.conf
          COMPONENT agent)
  install(FILES ${agent_service}/agent.conf DESTINATION /etc/lumivo COMPONENT agent EXCLUDE_FROM_ALL)
endif()

set(LUMIVO_PACKAGE_MAINTAINER "Tessel <lumivo@lumivo.org>" CACHE STRING "The Debian packages' maintainer")

include(CPackComponent)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumivo)
set(CPACK_PACKAGE_VENDOR Tessel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL common window)
if(TARGET lumivo-agent)
  list(APPEND CPACK_COMPONENTS_ALL agent)
endif()
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${LUMIVO_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://lumivo.org/)
# Dependencies: the libraries the binaries load, worked out by dpkg-shlibdeps.
# The program's own libraries are found in the build tree (they are in
# lumivo-common, named by the component dependency instead).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})

set(CPACK_DEBIAN_COMMON_PACKAGE_NAME lumivo-common)
set(CPACK_DEBIAN_COMMON_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_COMMON_DESCRIPTION "colour LED sign boards: libraries, content and languages of Lumivo
The Qt-free libraries of the Lumivo programs (content model and effect
engine, shared utilities, the serial protocol), the content containers
(the boards' fonts, pictures and effect masks), the language files, and
lumivo-boardsim, a simulated controller on a pseudo-terminal.")

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME lumivo)
set(CPACK_DEBIAN_WINDOW_PACKAGE_SECTION graphics)
# Besides the libraries: what Qt loads as plug-ins (the window system's platform).
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_WINDOW_PACKAGE_RECOMMENDS "qt6-image-formats-plugins")
# qvrbuild renders the containers from these fonts; the program needs none.
set(CPACK_DEBIAN_WINDOW_PACKAGE_SUGGESTS
    "lumivo-agent, xfonts-base, console-setup-linux, unifont, xfonts-baekmuk, fonts-baekmuk, fonts-unfonts-core, fonts-nanum, xfonts-wqy, fonts-wqy-zenhei")
set(CPACK_DEBIAN_WINDOW_DESCRIPTION "editor, previewer and transmitter for colour LED sign boards
Lumivo composes the Ads a colour LED sign board plays (text in the board's
bitmap fonts, pictures, movies, animations, live date and time, clocks, each
with start, wait and end effects), previews them with the board's own effect
engine, keeps them in .qvndoc projects and sends them to the board's
controller over a serial line.
.
The package holds the program lumivo, the command-line tool lumivo-cli
(projects, rendering and board commands without a display) and qvrbuild
(the content containers' generator).")
cpack_add_component(window DEPENDS common)

set(CPACK_DEBIAN_AGENT_PACKAGE_NAME lumivo-agent)
set(CPACK_DEBIAN_AGENT_PACKAGE_SECTION net)
set(CPACK_DEBIAN_AGENT_DESCRIPTION "service that keeps a colour LED sign board showing what it should
lumivo-agent runs beside one sign board, holds its serial line and keeps
the board showing its desired state: the project, its schedule and
notifications, sent, read back and verified. It takes commands over an
HTTP API with a bearer token and serves a small web page. It needs no
display and no Qt. The service is a systemd unit run as the system user
lumivo; enable it with systemctl enable --now lumivo-agent.")
set(CPACK_DEBIAN_AGENT_PACKAGE_CONTROL_EXTRA
    ${agent_service}/debian/conffiles ${agent_service}/debian/postinst
    ${agent_service}/debian/prerm ${agent_service}/debian/postrm)
set(CPACK_DEBIAN_AGENT_PACKAGE_CONTROL_STRICT_PERMISSION ON)
cpack_add_component(agent DEPENDS common)
cpack_add_component(common)
include(CPack)

# The packages built into a temporary folder, unpacked and installed into a
# scratch root, and their programs run from there.
find_program(DPKG_DEB dpkg-deb)
if(BUILD_TESTING AND DPKG_DEB AND TARGET lumivo AND TARGET lumivo-cli AND TARGET lumivo-agent)
  add_test(NAME debian_package
    COMMAND ${PROJECT_SOURCE_DIR}/cmake/check-package.sh ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION})
  set_tests_properties(debian_package PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE)
endif()
