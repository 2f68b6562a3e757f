# Build settings shared by every target, as INTERFACE libraries.

add_library(quillan_warnings INTERFACE)
if(MSVC)
  target_compile_options(quillan_warnings INTERFACE /W4 $<$<BOOL:${QUILLAN_WERROR}>:/WX>)
else()
  target_compile_options(quillan_warnings INTERFACE
    -Wall -Wextra -Wpedantic $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wnon-virtual-dtor
    $<$<BOOL:${QUILLAN_WERROR}>:-Werror>)
endif()

add_library(quillan_sanitizers INTERFACE)
if(QUILLAN_SANITIZE)
  target_compile_options(quillan_sanitizers INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(quillan_sanitizers INTERFACE -fsanitize=address,undefined)
  target_compile_definitions(quillan_sanitizers INTERFACE QUILLAN_SANITIZED)
endif()

add_library(quillan_qt_strict INTERFACE)
target_compile_definitions(quillan_qt_strict INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_USE_QSTRINGBUILDER
  QT_NO_CONTEXTLESS_CONNECT QT_NO_URL_CAST_FROM_STRING QT_NO_FOREACH)

add_library(quillan_settings INTERFACE)
target_link_libraries(quillan_settings INTERFACE quillan_warnings quillan_sanitizers quillan_qt_strict)
target_include_directories(quillan_settings INTERFACE ${PROJECT_SOURCE_DIR}/src)

# One library per layer: quillan_layer(NAME SOURCES ... LINKS ...)
function(quillan_layer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(quillan_${name} STATIC ${ARG_SOURCES})
  target_link_libraries(quillan_${name} PUBLIC quillan_settings ${ARG_LINKS})
endfunction()
