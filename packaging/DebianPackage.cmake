# The Debian package: scripts/package.sh builds it as dist/velmora-gui_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VELMORA_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velmora GUI developers <velmora-gui@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service tool for Velmora boards on a serial console")
# Read here: CPack would escape a description file for XML ("board&apos;s").
file(READ description.txt CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS description.txt)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_SOURCE_DIR}/dist)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries as dpkg-shlibdeps finds them, plus what is loaded at run time: Qt's display plugins (X11, Wayland)
# and the window's font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The rack monitor's service (packaging/maintainer): systemd reads its file again on installation, upgrade and
# removal, a running one restarts on an upgrade, and it stops before its program is removed.
if(TARGET velmora-rack)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/maintainer/postinst
        ${CMAKE_CURRENT_SOURCE_DIR}/maintainer/prerm ${CMAKE_CURRENT_SOURCE_DIR}/maintainer/postrm)
endif()

include(CPack)
