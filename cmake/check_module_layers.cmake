# The view module's folders are layers. A file includes headers of its own
# folder and of the folders before it in this list, never of one after it,
# so that each layer can be read, built and tested on those below:
#   records    the records the module keeps: rows, slots, tables, input rows
#   frame      the work area, trace, host services, registration
#   storage    view storage and the row index that lends its block to it
#   query      the module's SQL: texts, quoting, requests, fetching rows
#   config     discovery of the Enqplexes, their PlexHubs and Systems
#   aggregate  summary and detail rows, merging input, phase II batches
#   driver     the entries: session start and end, request, collection
# Run as: cmake -DMODULE_DIR=<module folder> -P check_module_layers.cmake
set(layers records frame storage query config aggregate driver)

file(GLOB_RECURSE sources ${MODULE_DIR}/*.h ${MODULE_DIR}/*.cpp)
set(failures "")
foreach(source ${sources})
  file(RELATIVE_PATH relative ${MODULE_DIR} ${source})
  if(NOT relative MATCHES "/")
    continue()
  endif()
  string(REGEX MATCH "^[^/]+" folder "${relative}")
  list(FIND layers ${folder} own)
  if(own EQUAL -1)
    string(APPEND failures "  ${relative}: the folder ${folder} has no place among the layers\n")
    continue()
  endif()
  file(STRINGS ${source} includes REGEX "^#include \"[a-z_]+/")
  foreach(line ${includes})
    string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" included "${line}")
    list(FIND layers ${included} rank)
    if(rank GREATER own)
      string(APPEND failures "  ${relative} (${folder}) includes a higher layer: ${line}\n")
    endif()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "The module's layers are broken:\n${failures}")
endif()
message(STATUS "The module's includes keep to its layers: ${layers}")
