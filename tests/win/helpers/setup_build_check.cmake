# Two builds of one package from the stub are byte-identical, objdump reads
# the result with the package resource in it, and a failed build leaves no
# file behind. Run with -DCXPACK -DSTUB -DPACKAGE -DOBJDUMP -DWORK.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(check what)
  if(NOT (${ARGN}))
    message(SEND_ERROR "FAILED: ${what}")
  endif()
endfunction()

foreach(name a b)
  execute_process(COMMAND "${CXPACK}" build "${PACKAGE}" -o "${WORK}/${name}.exe" --stub "${STUB}"
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  check("build ${name}: ${err}" rc EQUAL 0 AND EXISTS "${WORK}/${name}.exe")
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/a.exe" "${WORK}/b.exe" RESULT_VARIABLE same)
check("two builds are byte-identical" same EQUAL 0)

execute_process(COMMAND "${OBJDUMP}" -p "${WORK}/a.exe" RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
check("objdump -p accepts the setup: ${err}" rc EQUAL 0 AND NOT err)
check("objdump lists the resources" out MATCHES "Resource Directory \\[\\.rsrc\\]")
# Type 256 (0x100), then its name table, whose entry is id 170 (0xaa).
string(FIND "${out}" "Entry: ID: 0x000100," at)
set(next "")
if(at GREATER -1)
  string(SUBSTRING "${out}" ${at} 200 next)
endif()
check("objdump finds type 256, id 170" next MATCHES "Name Table[^\n]*\n *[0-9a-f]+ +Entry: ID: 0x0000aa,")
check("no time stamp" out MATCHES "Time/Date[ \t]+Thu Jan  1 00:00:00 1970")

# The setup itself as a stub: a rebuild gives the same bytes again.
execute_process(COMMAND "${CXPACK}" build "${PACKAGE}" -o "${WORK}/c.exe" --stub "${WORK}/a.exe"
                RESULT_VARIABLE rc ERROR_VARIABLE err)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/a.exe" "${WORK}/c.exe" RESULT_VARIABLE same)
check("the setup as its own stub rebuilds identically: ${err}" rc EQUAL 0 AND same EQUAL 0)

# A stub cut short: one line naming it, and no output.
execute_process(COMMAND ${CMAKE_COMMAND} -E copy "${STUB}" "${WORK}/cut.exe")
execute_process(COMMAND truncate -s 4096 "${WORK}/cut.exe")
execute_process(COMMAND "${CXPACK}" build "${PACKAGE}" -o "${WORK}/d.exe" --stub "${WORK}/cut.exe"
                RESULT_VARIABLE rc ERROR_VARIABLE err)
check("a cut stub is refused: [${err}]" rc EQUAL 1 AND err MATCHES "^cxpack: [^\n]*cut.exe: [^\n]+\n$")
check("nothing written for a cut stub" NOT EXISTS "${WORK}/d.exe")
