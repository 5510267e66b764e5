# Setups written by `cxpack build`: the sample setup read back through
# Windows (version record, package, the program's own resources), and a
# build from the installed stub checked for reproducibility and by objdump.
# The archive the setup should carry, packed here from the same staged folder.
set(sample_archive "${CMAKE_CURRENT_BINARY_DIR}/sample-package.bin")
cx_pack_command("${CX_SAMPLE_PACKAGE_DIR}" "${sample_archive}" "")
add_custom_target(cx_sample_archive DEPENDS "${sample_archive}")
add_dependencies(cx_sample_archive corvexa_package)
target_compile_definitions(cx_win_tests PRIVATE
  CX_SAMPLE_SETUP="$<TARGET_FILE:CorvexaSetup>"
  CX_SAMPLE_ARCHIVE="${sample_archive}")
add_dependencies(cx_win_tests CorvexaSetup cx_sample_archive)

find_program(CX_OBJDUMP i686-w64-mingw32-objdump)
if(EXISTS "${CX_HOST_CXPACK}" AND CX_OBJDUMP)
  add_test(NAME cxpack.build
           COMMAND ${CMAKE_COMMAND} -DCXPACK=${CX_HOST_CXPACK} -DSTUB=$<TARGET_FILE:cxsetup_stub>
                   -DPACKAGE=${CX_SAMPLE_PACKAGE_DIR} -DOBJDUMP=${CX_OBJDUMP}
                   -DWORK=${CMAKE_CURRENT_BINARY_DIR}/cxpack-build
                   -P ${CMAKE_CURRENT_SOURCE_DIR}/helpers/setup_build_check.cmake)
else()
  message(STATUS "cxpack.build skipped: no host cxpack (build the host preset first) or no objdump")
endif()
