# The package archive under Wine: a probe program built by cx_add_setup
# around a generated package folder, started and read back by the tests.
set(probe_package "${CMAKE_CURRENT_BINARY_DIR}/archive_probe_package")
file(CONFIGURE OUTPUT "${probe_package}/PackageFiles/SetupScript.xml" CONTENT "<SetupScript/>\n")
file(CONFIGURE OUTPUT "${probe_package}/PackageFiles/Bin/tool.dat" CONTENT "tool bytes\n")
file(CONFIGURE OUTPUT "${probe_package}/readme.txt" CONTENT "read me\n")
file(MAKE_DIRECTORY "${probe_package}/PackageFiles/Empty")
file(CONFIGURE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/archive_probe_extra.rc"
     CONTENT "171 256\nBEGIN\n  \"rc hook\"\nEND\n")

# The program's own resources arrive through CX_SETUP_RC_FILES; here an
# small type-256 resource stands in for them.
set(saved_rc_files "${CX_SETUP_RC_FILES}")
set(CX_SETUP_RC_FILES "${CMAKE_CURRENT_BINARY_DIR}/archive_probe_extra.rc")
cx_add_setup(cx_archive_probe "${probe_package}" MAIN archive/probe_main_win.cpp)
set(CX_SETUP_RC_FILES "${saved_rc_files}")
set_target_properties(cx_archive_probe PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/helpers)

add_dependencies(cx_win_tests cx_archive_probe)
target_compile_definitions(cx_win_tests PRIVATE
  CX_ARCHIVE_PROBE_PACKAGE="${probe_package}"
  CX_ARCHIVE_PROBE_ARCHIVE="${CMAKE_CURRENT_BINARY_DIR}/cx_archive_probe_package/package.bin")
