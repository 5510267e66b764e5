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

# Zstandard, for compressed packages.
#  - host: the system library (libzstd-dev), compressor and decompressor.
#  - mingw: Debian's libzstd source package unpacked by
#    tools/install-deps.sh. The setup program links the decompressor alone
#    (cx_zstd); cxpack.exe and the Windows tests, which write compressed
#    packages, add the compressor (cx_zstd_compress). Both are built with
#    -O2 whatever the build type, and with SSE2 (every processor Windows 8
#    and later run on has it; the decoder runs 13% faster with it, and only
#    a compressed package runs its code): decoding speed is the install's
#    speed.
add_library(cx_zstd INTERFACE)
add_library(cx_zstd_compress INTERFACE)
if(WIN32)
  set(_zs "${CX_DEPS_DIR}/zstd/lib")
  if(NOT EXISTS "${_zs}/zstd.h")
    message(FATAL_ERROR "Zstandard source missing in ${_zs}: run tools/install-deps.sh")
  endif()
  add_library(zstd_decompress_mingw STATIC
    ${_zs}/common/debug.c ${_zs}/common/entropy_common.c ${_zs}/common/error_private.c
    ${_zs}/common/fse_decompress.c ${_zs}/common/xxhash.c ${_zs}/common/zstd_common.c
    ${_zs}/decompress/huf_decompress.c ${_zs}/decompress/zstd_ddict.c
    ${_zs}/decompress/zstd_decompress.c ${_zs}/decompress/zstd_decompress_block.c)
  file(GLOB _zs_compress ${_zs}/compress/*.c)
  add_library(zstd_compress_mingw STATIC ${_zs_compress}
    ${_zs}/common/pool.c ${_zs}/common/threading.c)
  foreach(lib zstd_decompress_mingw zstd_compress_mingw)
    target_compile_definitions(${lib} PRIVATE ZSTD_DISABLE_ASM)
    target_compile_options(${lib} PRIVATE -O2 -msse2 -w)
    target_include_directories(${lib} SYSTEM PUBLIC ${_zs})
  endforeach()
  target_link_libraries(zstd_compress_mingw PUBLIC zstd_decompress_mingw)
  target_link_libraries(cx_zstd INTERFACE zstd_decompress_mingw)
  target_link_libraries(cx_zstd_compress INTERFACE zstd_compress_mingw)
else()
  find_path(ZSTD_INCLUDE zstd.h REQUIRED)
  find_library(ZSTD_LIB zstd REQUIRED)
  target_include_directories(cx_zstd SYSTEM INTERFACE ${ZSTD_INCLUDE})
  target_link_libraries(cx_zstd INTERFACE ${ZSTD_LIB})
endif()
