# The second process for the named-mutex tests, and the system-language
# check under several Wine locales (Wine takes them from LANG/LC_ALL).
add_executable(cx_mutex_probe ${CMAKE_CURRENT_SOURCE_DIR}/helpers/cx_mutex_probe_win.cpp)
target_link_libraries(cx_mutex_probe PRIVATE cx_common)
target_link_options(cx_mutex_probe PRIVATE -municode -mconsole)
set_target_properties(cx_mutex_probe PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/helpers)
add_dependencies(cx_win_tests cx_mutex_probe)

foreach(entry "zh_CN=0" "zh_TW=2" "en_US=1" "de_DE=7")
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 locale)
  list(GET parts 1 expected)
  add_test(NAME win.base.SystemLanguage.${locale}
           COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:cx_win_tests>
                   --gtest_filter=SysInfoWinLanguage.DISABLED_FollowsSystemLocale
                   --gtest_also_run_disabled_tests)
  set_tests_properties(win.base.SystemLanguage.${locale} PROPERTIES
    ENVIRONMENT "LANG=${locale}.UTF-8;LC_ALL=${locale}.UTF-8;CX_EXPECTED_LANGUAGE_CODE=${expected}"
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test")  # exactly the one, run and passed
endforeach()
