# Source collection by file-name convention, so adding a file needs no CMake edit:
#   name_win.cpp   only in the Windows build
#   name_host.cpp  only in the native build
#   name.cpp       in both: the portable core, which never includes <windows.h>
function(cx_collect_sources out)
  set(all)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
    list(APPEND all ${found})
  endforeach()
  if(WIN32)
    list(FILTER all EXCLUDE REGEX "_host\\.cpp$")
  else()
    list(FILTER all EXCLUDE REGEX "_win\\.cpp$")
  endif()
  set(${out} ${all} PARENT_SCOPE)
endfunction()

