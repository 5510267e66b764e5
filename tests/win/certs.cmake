# Certificates, the browser check and the Firefox step: the test
# certificates made by openssl, wSpawn.exe, and a stand-in certutil.exe.
add_executable(cx_certutil_standin ${CMAKE_CURRENT_SOURCE_DIR}/helpers/cx_certutil_standin_win.cpp)
target_link_options(cx_certutil_standin PRIVATE -municode -mconsole)
set_target_properties(cx_certutil_standin PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/helpers)
add_dependencies(cx_win_tests cx_certutil_standin wSpawn cx_test_certs)
target_compile_definitions(cx_win_tests PRIVATE
  CX_TEST_CERT_DIR="${CX_TEST_CERT_DIR}"
  CX_WSPAWN_PATH="$<TARGET_FILE:wSpawn>")

# The refusal in each system language (Wine takes it from LANG/LC_ALL).
foreach(entry "zh_CN=0" "zh_TW=2" "en_US=1" "de_DE=7")
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 locale)
  list(GET parts 1 expected)
  add_test(NAME win.browser.Refusal.${locale}
           COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:cx_win_tests>
                   --gtest_filter=BrowserCheckWin.DISABLED_RefusalFollowsSystemLanguage
                   --gtest_also_run_disabled_tests)
  set_tests_properties(win.browser.Refusal.${locale} PROPERTIES
    ENVIRONMENT "LANG=${locale}.UTF-8;LC_ALL=${locale}.UTF-8;CX_EXPECTED_LANGUAGE_CODE=${expected}"
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test")
endforeach()
