# Installation and the Debian package: the two programs, the desktop entry and the icon.
#   cmake --install build --prefix /usr/local
#   cd build && cpack -G DEB

include(GNUInstallDirs)

if(QUILLAN_GUI)
  # The icon files are painted by the same code as the window's icon.
  set(icon_dir ${CMAKE_CURRENT_BINARY_DIR}/icons)
  set(icon_sizes 16 32 48 64 128)
  set(icon_files "")
  foreach(size IN LISTS icon_sizes)
    list(APPEND icon_files ${icon_dir}/quillan-${size}.png)
  endforeach()
  add_custom_command(OUTPUT ${icon_files}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:render-window> --icons ${icon_dir}
    DEPENDS render-window
    COMMENT "Painting the program icon"
    VERBATIM)
  add_custom_target(quillan-icons ALL DEPENDS ${icon_files})
  foreach(size IN LISTS icon_sizes)
    install(FILES ${icon_dir}/quillan-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME quillan.png)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/quillan.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/examples/getright.log
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillan/examples)

set(CPACK_PACKAGE_NAME quillan)
set(CPACK_PACKAGE_VENDOR "Quillan")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillan reads the log of the GetRight download manager and shows one record per download in a tree that can be sorted five ways, searched and opened, with totals for the whole log. quillan-report does the same on the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillan developers <quillan@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The platform plugins are a package of their own that the libraries do not pull in.
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(qt_libraries "")
elseif(QUILLAN_GUI)
  set(qt_libraries "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), ")
else()
  set(qt_libraries "libqt6core6 (>= 6.4), ")
endif()
if(QUILLAN_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${qt_libraries}qt6-qpa-plugins")
else()
  string(REGEX REPLACE ", $" "" CPACK_DEBIAN_PACKAGE_DEPENDS "${qt_libraries}")
endif()
include(CPack)
