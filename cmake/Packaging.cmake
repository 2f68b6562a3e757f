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
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/quillan.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME io.github.quillan.Quillan.metainfo.xml)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/examples/getright.log
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillan/examples)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillan)

find_program(GZIP_PROGRAM gzip)
# Debian's changelog, compressed as the manual pages are.
if(GZIP_PROGRAM)
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/doc
    COMMAND ${GZIP_PROGRAM} -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog > ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog VERBATIM)
  add_custom_target(quillan-changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillan)
endif()

# Manual pages, compressed as Debian's policy has them (no name or time in the gzip header).
set(man_pages quillan-report.1)
if(QUILLAN_GUI)
  list(APPEND man_pages quillan.1)
endif()
foreach(page IN LISTS man_pages)
  if(GZIP_PROGRAM)
    add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
      COMMAND ${GZIP_PROGRAM} -9nc ${PROJECT_SOURCE_DIR}/packaging/${page} > ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz
      DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${page}
      COMMENT "Compressing the manual page ${page}" VERBATIM)
    list(APPEND man_outputs ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
if(man_outputs)
  add_custom_target(quillan-man-pages ALL DEPENDS ${man_outputs})
endif()

set(CPACK_PACKAGE_NAME quillan)
set(CPACK_PACKAGE_VENDOR "Quillan")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Debian wraps the long description at 80 columns; the line ends are kept as written.
set(CPACK_PACKAGE_DESCRIPTION
    "Quillan reads the log of the GetRight download manager and shows one record\nper download in a tree that can be sorted five ways, searched and opened, with\ntotals for the whole log. quillan-report does the same on the command line and\nwrites a report of the log as a web page with charts, or as CSV.\n.\nSuggests wine: with it, the window shows GetRight's downloads in progress\nwhen GetRight runs under Wine.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillan developers <developers@quillan.example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Wine is what reaches GetRight's live feed on Linux.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine")
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
