# The wizard dialog's tests need the program's own resources (dialog 102,
# icon 128) in the test program.
target_sources(cx_win_tests PRIVATE ${CMAKE_SOURCE_DIR}/src/app/cxsetup.rc)

# A setup program around a small package of its own, started by the tests to
# see the wizard's pages as a user would.
cx_add_setup(cx_dialog_setup "${CMAKE_SOURCE_DIR}/tests/data/dialog")
set_target_properties(cx_dialog_setup PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/helpers)
add_dependencies(cx_win_tests cx_dialog_setup)
