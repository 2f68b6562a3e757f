# Every build option in one place.
option(QUILLAN_WERROR "Treat compiler warnings as errors" OFF)
option(QUILLAN_SANITIZE "Build with address and undefined-behaviour sanitizers" OFF)
option(QUILLAN_GUI "Build the widgets, the shell and the window program" ON)
option(QUILLAN_TESTS "Build the tests" ON)
option(QUILLAN_BENCH "Build the benchmarks" ON)
option(QUILLAN_FUZZ "Build the libFuzzer target of the analysis pipeline (clang only)" OFF)

# The Windows helpers that reach GetRight inside Wine are cross-built with mingw-w64 beside
# a Linux build, when the compiler is there.
find_program(QUILLAN_MINGW_CXX x86_64-w64-mingw32-g++)
if(QUILLAN_MINGW_CXX AND NOT WIN32)
  set(quillan_bridge_default ON)
else()
  set(quillan_bridge_default OFF)
endif()
option(QUILLAN_WINE_BRIDGE
  "Cross-build the Wine bridge helper and the Wine test programs with mingw-w64"
  ${quillan_bridge_default})
if(QUILLAN_WINE_BRIDGE AND NOT QUILLAN_MINGW_CXX)
  message(FATAL_ERROR "QUILLAN_WINE_BRIDGE needs x86_64-w64-mingw32-g++ (Debian: mingw-w64)")
endif()
