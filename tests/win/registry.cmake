# COM server stand-ins for the registration tests: a DLL that registers, one
# whose registration fails, and an exe that registers itself.
set(cx_probe_src ${CMAKE_CURRENT_SOURCE_DIR}/helpers/cx_registrar_probe_win.cpp)
set(cx_probe_def ${CMAKE_CURRENT_SOURCE_DIR}/helpers/cx_registrar_probe.def)
add_library(cx_registrar_probe SHARED ${cx_probe_src} ${cx_probe_def})
add_library(cx_registrar_probe_fails SHARED ${cx_probe_src} ${cx_probe_def})
target_compile_definitions(cx_registrar_probe_fails PRIVATE CX_PROBE_FAILS)
add_executable(cx_registrar_probe_exe ${cx_probe_src})
target_compile_definitions(cx_registrar_probe_exe PRIVATE CX_PROBE_EXE)
target_link_options(cx_registrar_probe_exe PRIVATE -municode -mconsole)
foreach(t cx_registrar_probe cx_registrar_probe_fails)
  set_target_properties(${t} PROPERTIES PREFIX "" OUTPUT_NAME ${t})
  target_link_options(${t} PRIVATE -Wl,--enable-stdcall-fixup -static -static-libgcc
                      -static-libstdc++)
endforeach()
set_target_properties(cx_registrar_probe cx_registrar_probe_fails cx_registrar_probe_exe
  PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/helpers)
add_dependencies(cx_win_tests cx_registrar_probe cx_registrar_probe_fails cx_registrar_probe_exe)

