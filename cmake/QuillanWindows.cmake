# The Windows build (cross-built with mingw-w64 by scripts/windows-build): every program in
# one folder with the Qt and mingw runtime DLLs beside it, so that each runs in place under
# Wine or on Windows; Wine as the emulator for ctest; install rules for the portable folder.

# One folder for every .exe, the DLLs and the plugins: Windows finds DLLs beside the program.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(QUILLAN_WINDOWS_BIN ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})

# The host's rcc compresses resources with zstd, which Qt for Windows is built without
# (cmake/qt-windows.options): its output would call what the DLLs do not have.
set(CMAKE_AUTORCC_OPTIONS --no-zstd)

# The Qt DLLs and plugins the programs load, and the mingw-w64 runtime they import.
set(quillan_qt_dlls Qt6Core Qt6Gui Qt6Widgets Qt6Test)
set(quillan_qt_plugins platforms/qwindows platforms/qoffscreen styles/qwindowsvistastyle)
set(quillan_mingw_dlls libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)

set(qt_prefix ${QT6_INSTALL_PREFIX})
set(deploy_files "")
set(deploy_commands "")
foreach(dll IN LISTS quillan_qt_dlls)
  set(from ${qt_prefix}/${QT6_INSTALL_BINS}/${dll}.dll)
  list(APPEND deploy_commands COMMAND ${CMAKE_COMMAND} -E copy_if_different ${from} ${QUILLAN_WINDOWS_BIN}/)
  list(APPEND deploy_files ${from})
endforeach()
foreach(plugin IN LISTS quillan_qt_plugins)
  get_filename_component(folder ${plugin} DIRECTORY)
  set(from ${qt_prefix}/${QT6_INSTALL_PLUGINS}/${plugin}.dll)
  list(APPEND deploy_commands
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLAN_WINDOWS_BIN}/${folder}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${from} ${QUILLAN_WINDOWS_BIN}/${folder}/)
  list(APPEND deploy_files ${from})
endforeach()
foreach(dll IN LISTS quillan_mingw_dlls)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE from OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${from}" OR NOT EXISTS "${from}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
  endif()
  list(APPEND deploy_commands COMMAND ${CMAKE_COMMAND} -E copy_if_different ${from} ${QUILLAN_WINDOWS_BIN}/)
  list(APPEND deploy_files ${from})
endforeach()
set(QUILLAN_WINDOWS_RUNTIME ${deploy_files} CACHE INTERNAL "")

add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/deployed.stamp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLAN_WINDOWS_BIN}
  ${deploy_commands}
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/deployed.stamp
  DEPENDS ${deploy_files}
  COMMENT "Deploying the Qt and mingw-w64 DLLs beside the programs" VERBATIM)
add_custom_target(windows-deploy ALL DEPENDS ${CMAKE_BINARY_DIR}/deployed.stamp)

# ctest runs the test programs under Wine through a launcher that sets up the build's own
# prefix (build/wine-prefix unless WINEPREFIX says otherwise).
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(QUILLAN_WINE wine)
  if(NOT QUILLAN_WINE)
    message(FATAL_ERROR "The Windows tests run under Wine (Debian: wine, wine64)")
  endif()
  set(QUILLAN_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
                 @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                 GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()

# The portable folder: cmake --install BUILD --prefix FOLDER, everything flat as Windows
# programs are laid out. Qt looks for its plugins beside the program; no qt.conf needed.
set(CMAKE_INSTALL_BINDIR .)
foreach(from IN LISTS deploy_files)
  get_filename_component(name ${from} NAME_WE)
  get_filename_component(folder ${from} DIRECTORY)
  get_filename_component(folder ${folder} NAME)
  if(name STREQUAL "Qt6Test")
    continue() # the tests' alone
  elseif(folder STREQUAL "platforms" OR folder STREQUAL "styles")
    install(FILES ${from} DESTINATION ${folder})
  else()
    install(FILES ${from} DESTINATION .)
  endif()
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/examples/getright.log DESTINATION examples)
