cmake_minimum_required(VERSION 3.25)
# Checks a shared-mime-info package: well-formed XML, valid against the document type that
# shared-mime-info's own package declares (when it is installed), and accepted by
# update-mime-database into a scratch database that then knows ".tvr" files by name and content.
# Usage: cmake -DPACKAGE=<tavrel.xml> -DWORK_DIR=<scratch folder> -P check_mime_package.cmake
find_program(XMLLINT xmllint REQUIRED)
execute_process(COMMAND ${XMLLINT} --noout ${PACKAGE} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${PACKAGE} is not well-formed XML")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/mime/packages)

find_file(REFERENCE_PACKAGE freedesktop.org.xml
  PATHS /usr/share/mime/packages /usr/local/share/mime/packages NO_DEFAULT_PATH)
if(REFERENCE_PACKAGE)
  file(READ ${REFERENCE_PACKAGE} reference)
  string(FIND "${reference}" "<!DOCTYPE mime-info [" start)
  string(FIND "${reference}" "]>" end)
  if(start EQUAL -1 OR end LESS start)
    message(FATAL_ERROR "${REFERENCE_PACKAGE} declares no document type")
  endif()
  math(EXPR first "${start} + 21")
  math(EXPR length "${end} - ${first}")
  string(SUBSTRING "${reference}" ${first} ${length} declarations)
  file(WRITE ${WORK_DIR}/mime-info.dtd "${declarations}")
  execute_process(COMMAND ${XMLLINT} --noout --dtdvalid ${WORK_DIR}/mime-info.dtd ${PACKAGE}
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${PACKAGE} does not follow the shared-mime-info document type")
  endif()
else()
  message(STATUS "no shared-mime-info package installed: checked for well-formedness only")
endif()

find_program(UPDATE_MIME update-mime-database)
if(UPDATE_MIME)
  file(COPY ${PACKAGE} DESTINATION ${WORK_DIR}/mime/packages)
  # Within the search path the tool builds the database without a note about it.
  set(ENV{XDG_DATA_HOME} ${WORK_DIR})
  execute_process(COMMAND ${UPDATE_MIME} ${WORK_DIR}/mime
    RESULT_VARIABLE failed ERROR_VARIABLE complaints)
  if(failed OR NOT complaints STREQUAL "")
    message(FATAL_ERROR "update-mime-database refuses ${PACKAGE}:\n${complaints}")
  endif()
  file(READ ${WORK_DIR}/mime/globs2 globs)
  # The magic file is binary; its readable runs are enough to find the header.
  file(STRINGS ${WORK_DIR}/mime/magic magic)
  string(JOIN "\n" magic ${magic})
  foreach(expected "application/x-tavrel-pattern:*.tvr" "chemical/x-cif:*.cif")
    string(FIND "${globs}" "${expected}" found)
    if(found EQUAL -1)
      message(FATAL_ERROR "the database built from ${PACKAGE} lacks the glob ${expected}")
    endif()
  endforeach()
  string(FIND "${magic}" "[60:application/x-tavrel-pattern]" typeAt)
  string(FIND "${magic}" "VELDTRACE INPUT 1." headerAt)
  if(typeAt EQUAL -1 OR headerAt LESS typeAt)
    message(FATAL_ERROR "the database built from ${PACKAGE} lacks the .tvr header magic")
  endif()
endif()
file(REMOVE_RECURSE ${WORK_DIR})
