# quillan_mingw_executable(NAME [UNICODE] SOURCES ... LIBS ...): NAME.exe in the wine-bin
# folder of the build tree, built by mingw-w64 beside the native build: plain Win32, no Qt,
# statically linked so that Wine needs no mingw runtime DLLs. UNICODE for wmain.
set(QUILLAN_WINE_BIN_DIR ${CMAKE_BINARY_DIR}/wine-bin CACHE INTERNAL "")

function(quillan_mingw_executable name)
  cmake_parse_arguments(ARG "UNICODE" "" "SOURCES;LIBS" ${ARGN})
  set(out ${QUILLAN_WINE_BIN_DIR}/${name}.exe)
  set(flags -std=c++20 -O2 -Wall -Wextra -static -I${PROJECT_SOURCE_DIR}/src)
  if(QUILLAN_WERROR)
    list(APPEND flags -Werror)
  endif()
  if(ARG_UNICODE)
    list(APPEND flags -municode)
  endif()
  set(libs)
  foreach(lib IN LISTS ARG_LIBS)
    list(APPEND libs -l${lib})
  endforeach()
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLAN_WINE_BIN_DIR}
    COMMAND ${QUILLAN_MINGW_CXX} ${flags} -o ${out} ${ARG_SOURCES} ${libs}
    DEPENDS ${ARG_SOURCES}
    COMMENT "mingw-w64: ${name}.exe" VERBATIM)
  add_custom_target(${name}_exe ALL DEPENDS ${out})
endfunction()
