# Fails when a source file includes from a folder above its own in the layer order.
#   cmake -DSOURCE_DIR=<src> -DLAYERS=<lowest,...,highest> -P CheckLayers.cmake
# Every folder below SOURCE_DIR must have a place in LAYERS, and every include
# of the form "folder/..." may point only to its own folder or one below it.
cmake_minimum_required(VERSION 3.25)
string(REPLACE "," ";" LAYERS "${LAYERS}")

file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
set(faults 0)
foreach(folder ${folders})
  if(IS_DIRECTORY ${SOURCE_DIR}/${folder} AND NOT folder IN_LIST LAYERS)
    message("${folder}/ has no place in the layer order")
    math(EXPR faults "${faults} + 1")
  endif()
endforeach()

foreach(layer ${LAYERS})
  list(FIND LAYERS ${layer} rank)
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[A-Za-z0-9_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([A-Za-z0-9_]+)/.*" "\\1" target "${line}")
      list(FIND LAYERS ${target} targetRank)
      if(targetRank GREATER rank)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" header "${line}")
        message("${source} includes ${header}, which is above ${layer}/")
        math(EXPR faults "${faults} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) against the layer order")
endif()
