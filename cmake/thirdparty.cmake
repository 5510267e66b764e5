# Third-party code comes from Debian's packages only.
#  - TinyXML: the system library on the host; for mingw, Debian's source
#    package unpacked by tools/install-deps.sh.
#  - stb_image: the libstb-dev header, compiled once in our own unit.
#  - GoogleTest: built from /usr/src/googletest for both targets.
add_library(cx_tinyxml INTERFACE)
if(WIN32)
  set(_tx "${CX_DEPS_DIR}/tinyxml")
  if(NOT EXISTS "${_tx}/tinyxml.cpp")
    message(FATAL_ERROR "TinyXML source missing in ${_tx}: run tools/install-deps.sh")
  endif()
  add_library(tinyxml_mingw STATIC
    ${_tx}/tinyxml.cpp ${_tx}/tinyxmlparser.cpp ${_tx}/tinyxmlerror.cpp ${_tx}/tinystr.cpp)
  target_compile_definitions(tinyxml_mingw PUBLIC TIXML_USE_STL)
  target_compile_options(tinyxml_mingw PRIVATE -w)
  target_include_directories(tinyxml_mingw SYSTEM PUBLIC ${_tx})
  target_link_libraries(cx_tinyxml INTERFACE tinyxml_mingw)
else()
  find_path(TINYXML_INCLUDE tinyxml.h REQUIRED)
  find_library(TINYXML_LIB tinyxml REQUIRED)
  target_compile_definitions(cx_tinyxml INTERFACE TIXML_USE_STL)
  target_include_directories(cx_tinyxml SYSTEM INTERFACE ${TINYXML_INCLUDE})
  target_link_libraries(cx_tinyxml INTERFACE ${TINYXML_LIB})
endif()

find_path(STB_INCLUDE stb_image.h PATHS /usr/include/stb NO_CMAKE_FIND_ROOT_PATH REQUIRED)
add_library(cx_stb INTERFACE)
target_include_directories(cx_stb SYSTEM INTERFACE ${STB_INCLUDE})
