# The layers of cmake/layers.txt, read once for the libraries and the tools:
#   CX_LAYERS                the layer names, lowest first
#   CX_LAYER_<name>_DIRS     its folders, from the top of the tree
#   CX_LAYER_<name>_BELOW    the layers directly below it
#   CX_LAYER_UPWARD          "file|header" of each include still against them
set(CX_LAYER_FILE "${CMAKE_SOURCE_DIR}/cmake/layers.txt")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${CX_LAYER_FILE}")
file(STRINGS "${CX_LAYER_FILE}" cx_layer_lines REGEX "^[a-z]")
set(CX_LAYERS)
set(CX_LAYER_UPWARD)
foreach(line IN LISTS cx_layer_lines)
  if(line MATCHES "^upward[ \t]+([^ \t]+)[ \t]+([^ \t]+)")
    list(APPEND CX_LAYER_UPWARD "${CMAKE_MATCH_1}|${CMAKE_MATCH_2}")
    continue()
  endif()
  if(NOT line MATCHES "^([a-z_]+)[ \t]+([^:]+)(:(.*))?$")
    message(FATAL_ERROR "${CX_LAYER_FILE}: cannot read the line \"${line}\"")
  endif()
  set(name "${CMAKE_MATCH_1}")
  separate_arguments(dirs UNIX_COMMAND "${CMAKE_MATCH_2}")
  separate_arguments(below UNIX_COMMAND "${CMAKE_MATCH_4}")
  foreach(b IN LISTS below)
    if(NOT b IN_LIST CX_LAYERS)
      message(FATAL_ERROR "${CX_LAYER_FILE}: layer ${name} stands on ${b}, which is not declared before it")
    endif()
  endforeach()
  list(APPEND CX_LAYERS ${name})
  set(CX_LAYER_${name}_DIRS ${dirs})
  set(CX_LAYER_${name}_BELOW ${below})
endforeach()

# One static library cx_<name> per layer under src/, from its folders'
# sources (cx_collect_sources), linked to the libraries directly below it.
# A program's start source (main_win.cpp, or NAME_main_win.cpp) goes into
# each program, never into a library; a layer of nothing else is an
# interface library.
function(cx_add_layer_libraries)
  foreach(name IN LISTS CX_LAYERS)
    set(dirs ${CX_LAYER_${name}_DIRS})
    list(FILTER dirs INCLUDE REGEX "^src/")
    if(NOT dirs)
      continue()
    endif()
    cx_collect_sources(sources ${dirs})
    list(FILTER sources EXCLUDE REGEX "[/_]main_win\\.cpp$")
    if(sources)
      add_library(cx_${name} STATIC ${sources})
      set(scope PUBLIC)
    else()  # a folder with only a program's start source
      add_library(cx_${name} INTERFACE)
      set(scope INTERFACE)
    endif()
    target_include_directories(cx_${name} ${scope} ${CMAKE_SOURCE_DIR}/src)
    cx_link_layers_below(cx_${name} ${scope} ${name})
  endforeach()
  # A library whose file still includes from above links that library too,
  # until the include is mended.
  foreach(entry IN LISTS CX_LAYER_UPWARD)
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 file)
    list(GET entry 1 header)
    if(file MATCHES "[/_]main_win\\.cpp$")
      continue()
    endif()
    cx_layer_of("${file}" from)
    cx_layer_of("src/${header}" to)
    if(from AND to AND TARGET cx_${from} AND TARGET cx_${to})
      target_link_libraries(cx_${from} PUBLIC cx_${to})
    endif()
  endforeach()
endfunction()

# The layer whose folder holds `path` most closely, or "" for none.
function(cx_layer_of path out)
  set(best "")
  set(bestLength 0)
  foreach(name IN LISTS CX_LAYERS)
    foreach(dir IN LISTS CX_LAYER_${name}_DIRS)
      string(LENGTH "${dir}" n)
      string(FIND "${path}" "${dir}/" at)
      if(at EQUAL 0 AND n GREATER bestLength)
        set(best ${name})
        set(bestLength ${n})
      endif()
    endforeach()
  endforeach()
  set(${out} "${best}" PARENT_SCOPE)
endfunction()

# Links `target` to the libraries directly below `layer` (a tool's line in
# layers.txt names what the tool may use).
function(cx_link_layers_below target scope layer)
  if(NOT layer IN_LIST CX_LAYERS)
    message(FATAL_ERROR "cx_link_layers_below(${target}): no layer ${layer} in ${CX_LAYER_FILE}")
  endif()
  foreach(b IN LISTS CX_LAYER_${layer}_BELOW)
    target_link_libraries(${target} ${scope} cx_${b})
  endforeach()
endfunction()
