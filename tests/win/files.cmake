# Copies of the versioned test DLL with other FileVersion texts, for the
# tests that keep or replace a file by its version.
function(cx_versioned_test_dll suffix numbers text)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/cx_version_dll_${suffix}.rc)
  file(WRITE ${rc} "#include <winver.h>
1 VERSIONINFO
FILEVERSION ${numbers}
PRODUCTVERSION ${numbers}
FILETYPE VFT_DLL
BEGIN
  BLOCK \"StringFileInfo\"
  BEGIN
    BLOCK \"040904b0\"
    BEGIN
      VALUE \"FileVersion\", \"${text}\"
    END
  END
  BLOCK \"VarFileInfo\"
  BEGIN
    VALUE \"Translation\", 0x409, 1200
  END
END
")
  set(target cx_version_dll_${suffix})
  add_library(${target} SHARED helpers/cx_version_dll_win.cpp ${rc})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${target}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/helpers)
  add_dependencies(cx_win_tests ${target})
endfunction()

cx_versioned_test_dll(older "1,2,3,3" "1.2.3.3")
cx_versioned_test_dll(newer "1,2,4,0" "1.2.4.0")
