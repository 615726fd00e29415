cmake_minimum_required(VERSION 3.25)
# Installs the build into a scratch prefix and checks the layout: the programs that were built
# (PROGRAMS, comma-separated), the desktop entry, the icon, the file-type package, the examples
# and, when the sources have one, the manual.
# Usage: cmake -DBUILD_DIR=<build> -DSOURCE_DIR=<source> -DPREFIX=<scratch> -DPROGRAMS=a,b
#              -P check_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(failed)
  message(FATAL_ERROR "cmake --install failed:\n${output}")
endif()

set(expected
  share/applications/tavrel.desktop
  share/icons/hicolor/scalable/apps/tavrel.svg
  share/mime/packages/tavrel.xml
  share/doc/tavrel/examples/iron.tvr)
string(REPLACE "," ";" programs "${PROGRAMS}")
list(REMOVE_ITEM programs "")
foreach(program IN LISTS programs)
  list(APPEND expected bin/${program})
endforeach()
if(EXISTS ${SOURCE_DIR}/docs/manual.html)
  list(APPEND expected share/doc/tavrel/manual.html)
endif()

set(missing "")
foreach(file IN LISTS expected)
  if(NOT EXISTS ${PREFIX}/${file})
    string(APPEND missing "  ${file}\n")
  endif()
endforeach()
foreach(program IN LISTS programs)
  if(EXISTS ${PREFIX}/bin/${program})
    execute_process(COMMAND ${PREFIX}/bin/${program} --version
      RESULT_VARIABLE failed OUTPUT_VARIABLE version ERROR_QUIET)
    if(failed OR NOT version MATCHES "^${program} [0-9]+\\.[0-9]+")
      string(APPEND missing "  bin/${program} --version (printed \"${version}\")\n")
    endif()
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
if(missing)
  message(FATAL_ERROR "the installation under ${PREFIX} lacks:\n${missing}")
endif()
