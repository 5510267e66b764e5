# A probe program built by cx_add_setup around a generated package, run by the archive tests.
set(probe_package "${CMAKE_CURRENT_BINARY_DIR}/archive_probe_package")
file(CONFIGURE OUTPUT "${probe_package}/PackageFiles/SetupScript.xml" CONTENT "<SetupScript/>\n")
file(CONFIGURE OUTPUT "${probe_package}/PackageFiles/Bin/tool.dat" CONTENT "tool bytes\n")
file(MAKE_DIRECTORY "${probe_package}/PackageFiles/Empty")
file(CONFIGURE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/archive_probe_extra.rc"
     CONTENT "171 256\nBEGIN\n  \"rc hook\"\nEND\n")

# A small type-256 resource stands in for the program's own CX_SETUP_RC_FILES.
set(saved_rc_files "${CX_SETUP_RC_FILES}")
set(CX_SETUP_RC_FILES "${CMAKE_CURRENT_BINARY_DIR}/archive_probe_extra.rc")
cx_add_setup(cx_archive_probe "${probe_package}" MAIN archive/probe_main_win.cpp)
set(CX_SETUP_RC_FILES "${saved_rc_files}")
set_target_properties(cx_archive_probe PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/helpers)

add_dependencies(cx_win_tests cx_archive_probe)
target_compile_definitions(cx_win_tests PRIVATE CX_ARCHIVE_PROBE_PACKAGE="${probe_package}")
