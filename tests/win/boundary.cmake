# The attacker's stand-ins of the elevation-boundary tests: a process of the
# same user without the elevation (cx_unelevated), a marker program that a
# COMSPEC could name, and DLLs planted under the names of system DLLs that
# are not known DLLs (crypt32, version, msimg32), each writing a marker.
add_executable(cx_unelevated ${CMAKE_CURRENT_SOURCE_DIR}/helpers/cx_unelevated_win.cpp)
target_link_options(cx_unelevated PRIVATE -municode -mconsole)
add_executable(cx_marker ${CMAKE_CURRENT_SOURCE_DIR}/helpers/cx_marker_win.cpp)
target_link_options(cx_marker PRIVATE -municode -mconsole)
set_target_properties(cx_unelevated cx_marker PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/helpers)
add_dependencies(cx_win_tests cx_unelevated cx_marker)

foreach(dll crypt32 version msimg32)
  string(TOUPPER ${dll} upper)
  add_library(cx_planted_${dll} SHARED ${CMAKE_CURRENT_SOURCE_DIR}/helpers/cx_marker_win.cpp)
  target_compile_definitions(cx_planted_${dll} PRIVATE CX_PLANTED_DLL=${dll} CX_PLANTED_${upper})
  # Loadable anywhere on its own, as a planted DLL would be.
  target_link_options(cx_planted_${dll} PRIVATE -static -static-libgcc)
  set_target_properties(cx_planted_${dll} PROPERTIES PREFIX "" OUTPUT_NAME ${dll}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/planted)
  add_dependencies(cx_win_tests cx_planted_${dll})
endforeach()
# The Firefox step's test loads one as a PKCS #11 module of the user's.
target_compile_definitions(cx_win_tests PRIVATE CX_MARKER_DLL="$<TARGET_FILE:cx_planted_msimg32>")
