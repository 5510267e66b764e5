# The installed uninstaller's relaunch: a probe program that starts as the
# setup does and reports the run mode it chose.
add_executable(cx_relaunch_probe ${CMAKE_CURRENT_SOURCE_DIR}/helpers/cx_relaunch_probe_win.cpp)
target_link_libraries(cx_relaunch_probe PRIVATE cx_app)
target_link_options(cx_relaunch_probe PRIVATE -municode -mconsole)
set_target_properties(cx_relaunch_probe PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/helpers)
add_dependencies(cx_win_tests cx_relaunch_probe)
