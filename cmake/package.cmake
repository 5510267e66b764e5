# Building a setup: the setup program is linked as usual (the stub), then
# `cxpack build` writes the package folder into it as resource type 256,
# id 170, with a version record from the script's SetupInfo.
#
#   cx_add_setup(TARGET PACKAGE_DIR [MAIN source] [CODEPAGE 1252|936] [NO_LINT]
#                [COMPRESS] [EXCLUDE_FROM_ALL])
#
# MAIN replaces the program's start source (tests use a small probe); such a
# probe gets the archive through windres instead, because it is no setup
# program and its package needs no SetupInfo. The program's own resources
# come from the list CX_SETUP_RC_FILES when it is defined at the call. The
# packer runs on the build machine: the host build's cxpack when it exists
# (CX_HOST_CXPACK), else cxpack.exe through the emulator; both give the same
# bytes. Adding, changing or removing a file of the package folder rebuilds
# the setup. COMPRESS embeds the compressed package (type 257) instead.
#
# The Windows build also makes cxsetup_stub.exe: the setup program without a
# package, installed with the tools (share/cxsetup/), from which
# `cxpack build` makes setups on any machine; `make setup` uses it.

if(WIN32)
  set(CX_HOST_CXPACK "${CMAKE_SOURCE_DIR}/build/host/tools/cxpack/cxpack"
      CACHE FILEPATH "Native cxpack used to pack setups in the Windows build")
endif()

# Sets `cmd_var` to the packer's command and `dep_var` to what a step that
# runs it depends on.
function(cx_packer cmd_var dep_var)
  if(EXISTS "${CX_HOST_CXPACK}")
    set(${cmd_var} "${CX_HOST_CXPACK}" PARENT_SCOPE)
    set(${dep_var} "${CX_HOST_CXPACK}" PARENT_SCOPE)
  else()
    set(${cmd_var} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:cxpack> PARENT_SCOPE)
    set(${dep_var} cxpack PARENT_SCOPE)
  endif()
endfunction()

# Link options of every setup program: no symbols (they would only be
# dropped by the build), no link time stamp (so a rebuilt stub is the same).
# Sections page-aligned in the file let Wine map the image instead of
# reading it into private memory, so the package costs no private copy;
# large-address-aware gives a 32-bit setup 4 GiB of address space on a
# 64-bit Windows for a large package. `cxpack build` keeps both.
set(CX_SETUP_LINK_OPTIONS -municode -s -Wl,--no-insert-timestamp
    -Wl,--file-alignment,0x1000 -Wl,--section-alignment,0x1000 -Wl,--large-address-aware)

function(cx_add_setup target package_dir)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "EXCLUDE_FROM_ALL;NO_LINT;COMPRESS" "MAIN;CODEPAGE" "" ${ARGN})
  get_filename_component(dir "${package_dir}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  if(NOT IS_DIRECTORY "${dir}")
    message(FATAL_ERROR "cx_add_setup(${target}): package folder ${dir} does not exist")
  endif()
  set(main "${CMAKE_SOURCE_DIR}/src/main/setup_main_win.cpp")
  if(ARG_MAIN)
    get_filename_component(main "${ARG_MAIN}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  endif()
  set(codepage)
  if(ARG_CODEPAGE)
    set(codepage --codepage ${ARG_CODEPAGE})
  endif()

  # What tells the build that the package changed: its files and folders
  # (an added or removed empty folder counts). A setup program gets its
  # package from `cxpack build`, so a stamp is enough; only a probe with its
  # own MAIN packs the archive for windres.
  file(GLOB_RECURSE inputs CONFIGURE_DEPENDS LIST_DIRECTORIES true "${dir}/*")
  set(work "${CMAKE_CURRENT_BINARY_DIR}/${target}_package")
  if(ARG_MAIN)
    set(archive "${work}/package.bin")
    cx_pack_command("${dir}" "${archive}" "${inputs}" ${codepage})
  else()
    set(archive "${work}/package.stamp")
    add_custom_command(OUTPUT "${archive}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${work}"
      COMMAND ${CMAKE_COMMAND} -E touch "${archive}"
      DEPENDS ${inputs} "${dir}"
      VERBATIM)
  endif()
  add_custom_target(${target}_archive DEPENDS "${archive}")

  set(exclude)
  if(ARG_EXCLUDE_FROM_ALL)
    set(exclude EXCLUDE_FROM_ALL)
  endif()
  set(sources "${main}" ${CX_SETUP_RC_FILES})
  if(ARG_MAIN)
    set(rc "${work}/package.rc")
    file(CONFIGURE OUTPUT "${rc}" CONTENT "170 256 \"${archive}\"\n")
    set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${archive}")
    list(APPEND sources "${rc}")
  endif()
  add_executable(${target} WIN32 ${exclude} ${sources})
  add_dependencies(${target} ${target}_archive)
  target_link_libraries(${target} PRIVATE cx_ui)
  if(ARG_MAIN)
    target_link_options(${target} PRIVATE -municode)
    return()
  endif()
  # The linked program is the stub; the package goes in right after the
  # link, in place. A changed package relinks, so that this step runs again.
  target_link_options(${target} PRIVATE ${CX_SETUP_LINK_OPTIONS})
  cx_packer(packer packer_dep)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${archive}")
  if(packer_dep STREQUAL "cxpack")
    add_dependencies(${target} cxpack)
  else()
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${packer_dep}")
  endif()
  set(build_options)
  if(ARG_NO_LINT)
    list(APPEND build_options --no-lint)
  endif()
  if(ARG_COMPRESS)
    list(APPEND build_options --compress)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${packer} build "${dir}" -o "$<TARGET_FILE:${target}>" --stub "$<TARGET_FILE:${target}>"
            ${codepage} ${build_options}
    COMMENT "Writing the package ${dir} into ${target}"
    VERBATIM)
endfunction()

# The stub installed with the tools. Runs after the top-level list file, so
# CX_SETUP_RC_FILES is known by then.
function(cx_add_setup_stub)
  if(WIN32)
    add_executable(cxsetup_stub WIN32 "${CMAKE_SOURCE_DIR}/src/main/setup_main_win.cpp" ${CX_SETUP_RC_FILES})
    target_link_libraries(cxsetup_stub PRIVATE cx_ui)
    target_link_options(cxsetup_stub PRIVATE ${CX_SETUP_LINK_OPTIONS})
    # Its own component: a release machine takes the stub (and the MSI runner)
    # from a Windows tree that built only them.
    install(TARGETS cxsetup_stub RUNTIME DESTINATION share/cxsetup COMPONENT stub)
  endif()
endfunction()
cmake_language(DEFER CALL cx_add_setup_stub)

# Packs `dir` into `archive` at build time, repacking when one of `inputs`
# changes; further arguments go to `cxpack pack` (e.g. --codepage 936).
function(cx_pack_command dir archive inputs)
  cx_packer(packer packer_dep)
  add_custom_command(OUTPUT "${archive}"
    COMMAND ${packer} pack "${dir}" -o "${archive}" ${ARGN}
    DEPENDS ${inputs} ${packer_dep} "${dir}"
    COMMENT "Packing ${dir}"
    VERBATIM)
endfunction()
