# The wizard dialog's tests need the program's own resources (dialog 102,
# icon 128) in the test program.
target_sources(cx_win_tests PRIVATE ${CMAKE_SOURCE_DIR}/src/app/cxsetup.rc)
