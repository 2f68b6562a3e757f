# Cross-compiling for 64-bit Windows with Debian's mingw-w64. The POSIX-thread compilers,
# because Qt 6 needs std::thread and the win32-thread ones do not have it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILLAN_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${QUILLAN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLAN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${QUILLAN_MINGW_TRIPLE}-windres)
set(CMAKE_AR           /usr/bin/${QUILLAN_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB       /usr/bin/${QUILLAN_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

# Libraries and headers only from the mingw-w64 sysroot (and from what the prefix path
# adds, such as Qt for Windows); programs run at build time come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${QUILLAN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
