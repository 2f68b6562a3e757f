# Build settings shared by every target, as INTERFACE libraries.

add_library(quillan_warnings INTERFACE)
if(MSVC)
  target_compile_options(quillan_warnings INTERFACE /W4 $<$<BOOL:${QUILLAN_WERROR}>:/WX>)
else()
  target_compile_options(quillan_warnings INTERFACE
    -Wall -Wextra -Wpedantic $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wnon-virtual-dtor
    $<$<BOOL:${QUILLAN_WERROR}>:-Werror>)
endif()

# Qt makes every object position-independent, and such code may not inline or assume
# anything of a function another library could stand in for; the layers are linked
# statically into each program, so nothing can.
add_library(quillan_codegen INTERFACE)
if(NOT MSVC)
  target_compile_options(quillan_codegen INTERFACE -fno-semantic-interposition)
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
target_link_libraries(quillan_settings INTERFACE quillan_warnings quillan_codegen quillan_sanitizers
  quillan_qt_strict)

# One library per layer: quillan_layer(NAME [FOLDER DIR] SOURCES ... LINKS ...)
# Includes name their layer ("records/LogEntry.h"), and a layer's headers are on the path
# only of the targets that link it: each layer exposes a folder of its own that holds one
# link, named after the layer, to its sources. A layer that includes what it does not link
# then fails to compile. FOLDER names the source folder when it is not src/NAME.
function(quillan_layer name)
  cmake_parse_arguments(ARG "" "FOLDER" "SOURCES;LINKS" ${ARGN})
  if(NOT ARG_FOLDER)
    set(ARG_FOLDER ${name})
  endif()
  add_library(quillan_${name} STATIC ${ARG_SOURCES})
  target_link_libraries(quillan_${name} PUBLIC quillan_settings ${ARG_LINKS})
  set(exposed ${CMAKE_BINARY_DIR}/layers/${ARG_FOLDER})
  if(NOT EXISTS ${exposed}/${ARG_FOLDER})
    file(MAKE_DIRECTORY ${exposed})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${ARG_FOLDER} ${exposed}/${ARG_FOLDER} SYMBOLIC)
  endif()
  target_include_directories(quillan_${name} PUBLIC ${exposed})
endfunction()
