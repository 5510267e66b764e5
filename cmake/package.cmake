# Building a setup: a package folder is packed with cxpack at build time and
# embedded as resource type 256, id 170 in a copy of the cxsetup program.
#
#   cx_add_setup(TARGET PACKAGE_DIR [MAIN source] [CODEPAGE 1252|936]
#                [EXCLUDE_FROM_ALL])
#
# MAIN replaces the program's start source (tests use a small probe); the
# program's own resources come from the list CX_SETUP_RC_FILES when it is
# defined at the call. The packer runs on the build machine: the host build's
# cxpack when it exists (CX_HOST_CXPACK), else cxpack.exe through the
# emulator; both give the same bytes. Adding, changing or removing a file of
# the package folder repacks it.
#
# With CX_SETUP_PACKAGE_DIR set, the Windows build also defines the target
# cxsetup_package (not part of "all"), written to <build>/setup/; this is
# what `make setup PACKAGE_DIR=...` builds.

set(CX_SETUP_PACKAGE_DIR "" CACHE PATH "Package folder embedded by the cxsetup_package target")
if(WIN32)
  set(CX_HOST_CXPACK "${CMAKE_SOURCE_DIR}/build/host/tools/cxpack/cxpack"
      CACHE FILEPATH "Native cxpack used to pack setups in the Windows build")
endif()

function(cx_add_setup target package_dir)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "EXCLUDE_FROM_ALL" "MAIN;CODEPAGE" "" ${ARGN})
  get_filename_component(dir "${package_dir}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  if(NOT IS_DIRECTORY "${dir}")
    message(FATAL_ERROR "cx_add_setup(${target}): package folder ${dir} does not exist")
  endif()
  set(main "${CMAKE_SOURCE_DIR}/src/app/main_win.cpp")
  if(ARG_MAIN)
    get_filename_component(main "${ARG_MAIN}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  endif()
  set(codepage)
  if(ARG_CODEPAGE)
    set(codepage --codepage ${ARG_CODEPAGE})
  endif()

  # Folders too, so that an added or removed empty folder repacks.
  file(GLOB_RECURSE inputs CONFIGURE_DEPENDS LIST_DIRECTORIES true "${dir}/*")
  set(work "${CMAKE_CURRENT_BINARY_DIR}/${target}_package")
  set(archive "${work}/package.bin")
  cx_pack_command("${dir}" "${archive}" "${inputs}" ${codepage})
  add_custom_target(${target}_archive DEPENDS "${archive}")

  set(rc "${work}/package.rc")
  file(CONFIGURE OUTPUT "${rc}" CONTENT "170 256 \"${archive}\"\n")
  set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${archive}")

  set(exclude)
  if(ARG_EXCLUDE_FROM_ALL)
    set(exclude EXCLUDE_FROM_ALL)
  endif()
  add_executable(${target} WIN32 ${exclude} "${main}" "${rc}" ${CX_SETUP_RC_FILES})
  add_dependencies(${target} ${target}_archive)
  target_link_libraries(${target} PRIVATE cx_core)
  # Sections page-aligned in the file let Wine map the image instead of
  # reading it into private memory, so the package costs no private copy;
  # large-address-aware gives a 32-bit setup 4 GiB of address space on a
  # 64-bit Windows for a large package.
  target_link_options(${target} PRIVATE -municode
    -Wl,--file-alignment,0x1000 -Wl,--section-alignment,0x1000 -Wl,--large-address-aware)
endfunction()

# Runs after the top-level list file, so CX_SETUP_RC_FILES is known by then.
function(cx_add_configured_setup)
  if(WIN32 AND CX_SETUP_PACKAGE_DIR)
    cx_add_setup(cxsetup_package "${CX_SETUP_PACKAGE_DIR}" EXCLUDE_FROM_ALL)
    set_target_properties(cxsetup_package PROPERTIES
      RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/setup" OUTPUT_NAME setup)
  endif()
endfunction()
cmake_language(DEFER CALL cx_add_configured_setup)

# Packs `dir` into `archive` at build time, repacking when one of `inputs`
# changes; further arguments go to `cxpack pack` (e.g. --codepage 936).
function(cx_pack_command dir archive inputs)
  if(EXISTS "${CX_HOST_CXPACK}")
    set(packer "${CX_HOST_CXPACK}")
    set(packer_dep "${CX_HOST_CXPACK}")
  else()
    set(packer ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:cxpack>)
    set(packer_dep cxpack)
  endif()
  add_custom_command(OUTPUT "${archive}"
    COMMAND ${packer} pack "${dir}" -o "${archive}" ${ARGN}
    DEPENDS ${inputs} ${packer_dep} "${dir}"
    COMMENT "Packing ${dir}"
    VERBATIM)
endfunction()
