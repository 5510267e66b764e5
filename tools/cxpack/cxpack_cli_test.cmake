# cxpack's command line against real files: round trip, filter, usage and
# failure reports. Run with -DCXPACK=<tool> -DWORK=<scratch folder>.
file(REMOVE_RECURSE "${WORK}")
set(tree "${WORK}/tree")
file(MAKE_DIRECTORY "${tree}/PackageFiles/Empty" "${tree}/PackageFiles/Sub/Deep")
file(WRITE "${tree}/PackageFiles/SetupScript.xml" "<SetupScript/>")
file(WRITE "${tree}/PackageFiles/LICENSE" "license")
file(WRITE "${tree}/PackageFiles/zero.bin" "")
string(REPEAT "0123456789" 4000 big)
file(WRITE "${tree}/PackageFiles/Sub/Deep/big.bin" "${big}")
file(WRITE "${tree}/readme.txt" "hello")

include(${CMAKE_CURRENT_LIST_DIR}/cli_test_lib.cmake)

# Round trip: list, extracted bytes and a second pack are identical.
cxpack(pack "${tree}" -o "${WORK}/a.bin")
check("pack succeeds: ${err}" rc EQUAL 0)
cxpack(list "${WORK}/a.bin")
set(expected "\\PackageFiles\\Empty\\\t8\n\\PackageFiles\\LICENSE\t7\n\\PackageFiles\\SetupScript.xml\t14\n\\PackageFiles\\Sub\\Deep\\big.bin\t40000\n\\PackageFiles\\zero.bin\t0\nreadme.txt\t5\n")
check("list output: [${out}]" rc EQUAL 0 AND out STREQUAL expected)
cxpack(extract "${WORK}/a.bin" "${WORK}/out")
check("extract succeeds: ${err}" rc EQUAL 0)
foreach(f PackageFiles/SetupScript.xml PackageFiles/LICENSE PackageFiles/zero.bin
          PackageFiles/Sub/Deep/big.bin readme.txt)
  file(SHA256 "${tree}/${f}" want)
  file(SHA256 "${WORK}/out/${f}" got)
  check("extracted ${f} equals its source" want STREQUAL got)
endforeach()
check("empty folder extracted" IS_DIRECTORY "${WORK}/out/PackageFiles/Empty")
cxpack(pack "${WORK}/out" -o "${WORK}/b.bin")
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/a.bin" "${WORK}/b.bin"
                RESULT_VARIABLE same)
check("second pack is byte-identical" rc EQUAL 0 AND same EQUAL 0)

# The filter ignores case and the separators' kind, takes the leading one or
# not, and extracts nothing else.
foreach(only "\\packagefiles\\setupscript.xml" "PackageFiles/SetupScript.xml" "/packagefiles\\SETUPSCRIPT.XML")
  file(REMOVE_RECURSE "${WORK}/only")
  cxpack(extract "${WORK}/a.bin" "${WORK}/only" --only "${only}")
  check("filtered extract of ${only}: ${err}" rc EQUAL 0 AND EXISTS "${WORK}/only/PackageFiles/SetupScript.xml"
        AND NOT EXISTS "${WORK}/only/readme.txt" AND NOT EXISTS "${WORK}/only/PackageFiles/LICENSE")
endforeach()
cxpack(extract "${WORK}/a.bin" "${WORK}/none" --only=PackageFiles/missing.xml)
check("filter without a match names it: [${err}]" rc EQUAL 1
      AND err MATCHES "^cxpack: [^\n]*a.bin: no entry PackageFiles/missing.xml \\(cxpack list shows the entries\\)\n$")

# Damaged archive: status 1 and "cxpack: FILE: reason".
file(WRITE "${WORK}/bad.bin" "not an archive at all, only text")
cxpack(list "${WORK}/bad.bin")
check("damaged archive reported: [${err}]" rc EQUAL 1 AND err MATCHES "^cxpack: .*bad.bin: marker length 260 or more")

# Names: non-ASCII needs a code page, and the code page must hold it.
file(MAKE_DIRECTORY "${WORK}/latin" "${WORK}/cjk")
file(WRITE "${WORK}/latin/café.txt" "x")
file(WRITE "${WORK}/cjk/表.txt" "x")
cxpack(pack "${WORK}/latin" -o "${WORK}/l.bin")
check("non-ASCII without code page names the file: [${err}]" rc EQUAL 1 AND err MATCHES "^cxpack: [^:]*latin/café.txt: non-ASCII name needs --codepage\n$")
cxpack(pack "${WORK}/latin" -o "${WORK}/l.bin" --codepage 1252)
check("code page 1252 stores it: ${err}" rc EQUAL 0)
cxpack(pack "${WORK}/cjk" -o "${WORK}/c.bin" --codepage 1252)
check("code page that cannot hold the name: [${err}]" rc EQUAL 1 AND err MATCHES "表.txt: name cannot be stored in code page 1252")

# A missing folder is named once.
cxpack(pack "${WORK}/missing" -o "${WORK}/m.bin")
check("pack of a missing folder: [${err}]" rc EQUAL 1 AND err MATCHES "^cxpack: [^:]*missing: not a folder\n$"
      AND NOT EXISTS "${WORK}/m.bin")

# Usage errors exit with 2, in one line; a bad value names the valid ones.
expect_usage("." "" "pack,${tree}" "extract,${WORK}/a.bin" "frobnicate")
expect_usage("^cxpack: list: --codepage takes 1252 or 936, not \"850\"" "list,a,--codepage,850" "list,a,--codepage=850")
expect_usage("^cxpack: pack: unknown option --fast \\(options: -o, --codepage, --compress\\)" "pack,${tree},--fast")
cxpack(help)
check("help lists the commands: [${out}]" rc EQUAL 0 AND out MATCHES "init DIR" AND out MATCHES "cxpack help COMMAND")
cxpack(extract --help)
check("a command's --help: [${out}]" rc EQUAL 0 AND out MATCHES "^usage: cxpack extract")

# build: bad inputs give one line "cxpack: PATH: reason", status 1, and no output file.
# These minimal packages are no complete product, so lint is left out here.
set(product "${WORK}/product")
file(WRITE "${product}/PackageFiles/SetupScript.xml"
  "<?xml version=\"1.0\" encoding=\"utf-8\"?><Config><SetupInfo><ProductCode>P</ProductCode>"
  "<ProductName>Prod</ProductName><Publisher>Pub</Publisher><Version>1.0.0.1</Version>"
  "<InstallDir>C:\\P</InstallDir></SetupInfo></Config>")
file(WRITE "${WORK}/notpe.exe" "MZ but nothing else")
set(badversion "${WORK}/badversion")
file(WRITE "${badversion}/PackageFiles/SetupScript.xml"
  "<?xml version=\"1.0\" encoding=\"utf-8\"?><Config><SetupInfo><ProductName>P</ProductName>"
  "<Publisher>Q</Publisher><Version>1.0</Version></SetupInfo></Config>")
set(broken "${WORK}/broken")
file(WRITE "${broken}/PackageFiles/SetupScript.xml" "<?xml version=\"1.0\"?><Config><SetupInfo>")
foreach(case
    "${WORK}/missing|${WORK}/out.exe|${WORK}/notpe.exe|missing: not a folder"
    "${WORK}/latin|${WORK}/out.exe|${WORK}/notpe.exe|SetupScript.xml: no setup script"
    "${product}|${WORK}/out.exe|${WORK}/notpe.exe|notpe.exe: not a PE32 program"
    "${product}|${WORK}/nofolder/out.exe|${WORK}/notpe.exe|out.exe: its folder does not exist"
    "${product}|${WORK}/out.exe|${WORK}/nostub.exe|nostub.exe: cannot read"
    "${badversion}|${WORK}/out.exe|${WORK}/notpe.exe|Version \"1.0\" is not four numbers"
    "${broken}|${WORK}/out.exe|${WORK}/notpe.exe|SetupScript.xml: not well-formed")
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 dir)
  list(GET parts 1 output)
  list(GET parts 2 stub)
  list(GET parts 3 message)
  cxpack(build "${dir}" -o "${output}" --stub "${stub}" --no-lint)
  string(REGEX MATCHALL "\n" lines "${err}")
  list(LENGTH lines lineCount)
  check("build ${message}: [${err}]" rc EQUAL 1 AND lineCount EQUAL 1 AND err MATCHES "^cxpack: .*${message}")
  check("no output after [${message}]" NOT EXISTS "${output}" AND NOT EXISTS "${output}.cxpack-partial")
endforeach()
# Stubs whose headers and section data share bytes, or whose resources are
# not the last section in the file: one line, status 1, no output. The
# minimal stub they are made from builds.
foreach(case
    "minimal.exe|builds"                                      # the well-formed base
    "rsrc_data_at_zero.exe|section data overlaps the headers"  # .rsrc data at offset 0, PE header at 0x800
    "fuzz:section_data_in_headers.bin|section data overlaps the headers"  # the fuzzer's stub
    "table_over_code.exe|section data overlaps the headers"    # section table runs into .text's data
    "rsrc_over_code.exe|section data overlaps another section's"  # .rsrc data starts inside .text's
    "reloc_before_rsrc.exe|the resources are not the last section in the file")  # .reloc data before .rsrc's
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 stub)
  list(GET parts 1 message)
  if(stub MATCHES "^fuzz:(.*)")
    set(stub "${SOURCE}/fuzz/corpus/pe/${CMAKE_MATCH_1}")
  else()
    set(stub "${SOURCE}/tests/data/pe/${stub}")
  endif()
  file(REMOVE "${WORK}/out.exe")
  cxpack(build "${product}" -o "${WORK}/out.exe" --stub "${stub}" --no-lint)
  if(message STREQUAL "builds")
    check("build with ${stub}: [${err}]" rc EQUAL 0 AND EXISTS "${WORK}/out.exe")
    continue()
  endif()
  string(REGEX MATCHALL "\n" lines "${err}")
  list(LENGTH lines lineCount)
  check("build with ${stub}: [${err}]" rc EQUAL 1 AND lineCount EQUAL 1 AND err MATCHES "^cxpack: [^\n]*: ${message}")
  check("no output with ${stub}" NOT EXISTS "${WORK}/out.exe" AND NOT EXISTS "${WORK}/out.exe.cxpack-partial")
endforeach()

# With lint (the default) the same package's faults stop the build before
# the stub is even read: findings, then the one closing line.
cxpack(build "${product}" -o "${WORK}/out.exe" --stub "${WORK}/notpe.exe")
check("lint stops the build: [${err}]" rc EQUAL 1 AND err MATCHES "SetupScript.xml:[0-9]+:[0-9]+: error: "
      AND err MATCHES "cxpack: [^\n]*product: [0-9]+ errors found by lint. nothing written\n$"
      AND NOT EXISTS "${WORK}/out.exe")
expect_usage("^cxpack: build: " "build" "build,${product}" "build,${product},-o"
             "build,${product},-o,x,--codepage,850" "build,${product},${tree},-o,x")

# Without --stub the stub is looked for beside cxpack, in share/cxsetup/ of
# its prefix, then in the Windows build tree of its source tree.
file(COPY "${CXPACK}" DESTINATION "${WORK}/prefix/bin")
get_filename_component(toolName "${CXPACK}" NAME)
set(installed "${WORK}/prefix/bin/${toolName}")
file(WRITE "${WORK}/prefix/share/cxsetup/cxsetup_stub.exe" "MZ, yet no program")
file(WRITE "${WORK}/prefix/bin/cxsetup_stub.exe" "MZ, yet no program beside")
foreach(where "bin/cxsetup_stub.exe" "share/cxsetup/cxsetup_stub.exe")
  execute_process(COMMAND "${installed}" build "${product}" -o "${WORK}/out.exe" --no-lint
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  check("stub found first at ${where}: [${err}]" rc EQUAL 1 AND err MATCHES "${where}: not a PE32 program")
  file(REMOVE "${WORK}/prefix/${where}")
endforeach()
execute_process(COMMAND "${installed}" build "${product}" -o "${WORK}/out.exe" --no-lint
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(EXISTS "${STUB_BUILD_DIR}/cxsetup_stub.exe")
  check("the build tree's stub found last: [${err}]" rc EQUAL 0 AND EXISTS "${WORK}/out.exe")
else()
  check("no stub anywhere names where it looked: [${err}]" rc EQUAL 1
        AND err MATCHES "^cxpack: cxsetup_stub.exe: not found \\(looked for [^\n]*share/cxsetup/cxsetup_stub.exe, ${STUB_BUILD_DIR}/cxsetup_stub.exe\\). build it with make windows. or give --stub PATH\n$")
endif()

# A package folder whose staged files are not there yet is not built.
file(COPY "${product}/" DESTINATION "${WORK}/unstaged")
file(WRITE "${WORK}/unstaged/staged-files.txt" "# built elsewhere\nPackageFiles/Bin/tool.exe\nPackageFiles/SetupScript.xml\n")
cxpack(build "${WORK}/unstaged" -o "${WORK}/unstaged.exe" --stub "${WORK}/notpe.exe" --no-lint)
check("unstaged folder refused: [${err}]" rc EQUAL 1
      AND err MATCHES "^cxpack: [^\n]*unstaged: PackageFiles/Bin/tool.exe named in staged-files.txt not there yet")
