# cmake -DFOLDER=<folder> -DSTAMP=<file> -P check_relative_includes.cmake
#
# Fails, naming each file and include, when a source or header under FOLDER
# includes by a path that climbs out of its own folder ("../x/y.h"): such an
# include finds a header through the source tree, past the include roots that
# decide which library sees which. Writes STAMP when there is none.
cmake_minimum_required(VERSION 3.25) # GLOB_RECURSE does not follow links to folders
if(NOT FOLDER OR NOT STAMP)
  message(FATAL_ERROR "usage: cmake -DFOLDER=<folder> -DSTAMP=<file> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()

file(GLOB_RECURSE files ${FOLDER}/*.h ${FOLDER}/*.cpp ${FOLDER}/*.in ${FOLDER}/*.rc)
set(relative_include "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*/)?\\.\\./")
set(found "")
foreach(file IN LISTS files)
  file(STRINGS ${file} lines REGEX "${relative_include}")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    string(APPEND found "\n  ${file}: relative include: ${line}")
  endforeach()
endforeach()

if(found)
  file(REMOVE ${STAMP})
  message(FATAL_ERROR "Include a header as \"folder/name.h\", through the libraries the target links:${found}")
endif()
file(TOUCH ${STAMP})
