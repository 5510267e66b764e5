# Every Windows program the build writes imports only DLLs that Windows
# always loads from the system folder (the known DLLs, and comctl32 through
# the manifest's side-by-side assembly). Any other DLL in an import table
# would be looked for in the program's own folder first, before its first
# line runs. The programs are collected once every folder has made its
# targets.

function(cx_collect_programs dir out)
  get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
  set(programs)
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    get_target_property(excluded ${t} EXCLUDE_FROM_ALL)
    if(type STREQUAL "EXECUTABLE" AND NOT excluded)
      list(APPEND programs "$<TARGET_FILE:${t}>")
    endif()
  endforeach()
  get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    get_property(excluded DIRECTORY "${sub}" PROPERTY EXCLUDE_FROM_ALL)
    if(excluded)
      continue()  # not written by the build unless asked for
    endif()
    cx_collect_programs("${sub}" more)
    list(APPEND programs ${more})
  endforeach()
  set(${out} ${programs} PARENT_SCOPE)
endfunction()

function(cx_add_import_test)
  set(allowed kernel32 user32 gdi32 advapi32 shell32 ole32 oleaut32 shlwapi rpcrt4 msvcrt
      comdlg32 comctl32 ntdll)
  cx_collect_programs("${CMAKE_SOURCE_DIR}" programs)
  string(REPLACE ";" "|" programs "${programs}")
  string(REPLACE ";" "|" allowed "${allowed}")
  add_test(NAME win.build.ImportsOnlyKnownDlls
           COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} "-DPROGRAMS=${programs}"
                   "-DALLOWED=${allowed}"
                   -P ${CMAKE_SOURCE_DIR}/tests/win/helpers/import_check.cmake)
endfunction()
cmake_language(DEFER DIRECTORY "${CMAKE_SOURCE_DIR}" CALL cx_add_import_test)
