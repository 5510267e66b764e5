# Compressed packages on the command line: pack --compress, list, extract
# and compare with the source; lint and plan read a package file of either
# kind as they read its folder; a damaged package is one line and status 1;
# and a setup built without --compress is byte for byte what cxpack wrote
# before compressed packages existed.
# Run with -DCXPACK=<tool> -DWORK=<scratch folder> -DSOURCE=<source tree>.
file(REMOVE_RECURSE "${WORK}")
include(${CMAKE_CURRENT_LIST_DIR}/cli_test_lib.cmake)

set(tree "${WORK}/tree")
file(MAKE_DIRECTORY "${tree}/PackageFiles/Empty" "${tree}/PackageFiles/Sub/Deep")
file(WRITE "${tree}/PackageFiles/SetupScript.xml" "<SetupScript/>")
file(WRITE "${tree}/PackageFiles/zero.bin" "")
file(WRITE "${tree}/PackageFiles/one.bin" "1")
string(REPEAT "0123456789" 4000 big)
file(WRITE "${tree}/PackageFiles/Sub/Deep/big.bin" "${big}")
file(WRITE "${tree}/readme.txt" "hello")

cxpack(pack "${tree}" -o "${WORK}/plain.bin")
cxpack(list "${WORK}/plain.bin")
set(plainList "${out}")
cxpack(pack "${tree}" -o "${WORK}/c.cxz" --compress)
check("pack --compress: ${err}" rc EQUAL 0)
file(SIZE "${WORK}/c.cxz" compressedSize)
file(SIZE "${WORK}/plain.bin" plainSize)
check("compressed is smaller (${compressedSize} of ${plainSize})" compressedSize LESS plainSize)
cxpack(list "${WORK}/c.cxz")
# An empty folder's size is its table's in the archive; nothing in the other.
string(REPLACE "Empty\\\t8" "Empty\\\t0" plainList "${plainList}")
check("the same list as the archive's: [${out}]" rc EQUAL 0 AND out STREQUAL plainList)
cxpack(extract "${WORK}/c.cxz" "${WORK}/out")
check("extract: ${err}" rc EQUAL 0)
foreach(f PackageFiles/SetupScript.xml PackageFiles/zero.bin PackageFiles/one.bin
          PackageFiles/Sub/Deep/big.bin readme.txt)
  file(SHA256 "${tree}/${f}" want)
  file(SHA256 "${WORK}/out/${f}" got)
  check("extracted ${f} equals its source" want STREQUAL got)
endforeach()
check("empty folder extracted" IS_DIRECTORY "${WORK}/out/PackageFiles/Empty")
cxpack(pack "${WORK}/out" -o "${WORK}/again.cxz" --compress)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/c.cxz" "${WORK}/again.cxz"
                RESULT_VARIABLE same)
check("packing the extracted tree gives the same bytes" same EQUAL 0)
cxpack(extract "${WORK}/c.cxz" "${WORK}/only" --only "\\packagefiles\\sub\\deep\\BIG.bin")
check("filtered extract: ${err}" rc EQUAL 0 AND EXISTS "${WORK}/only/PackageFiles/Sub/Deep/big.bin"
      AND NOT EXISTS "${WORK}/only/readme.txt")

# Cut short: one line, status 1, as for a damaged archive.
file(COPY_FILE "${WORK}/c.cxz" "${WORK}/cut.cxz")
execute_process(COMMAND truncate -s -1 "${WORK}/cut.cxz")
cxpack(list "${WORK}/cut.cxz")
check("damaged package reported: [${err}]" rc EQUAL 1 AND err MATCHES "^cxpack: [^\n]*cut.cxz: table [^\n]+\n$")

# lint and plan: a package file of either kind reads; its plan is its folder's.
foreach(dir "${SOURCE}/tests/data/lint/all-actions" "${SOURCE}/tests/e2e/packages/checks")
  get_filename_component(name "${dir}" NAME)
  cxpack(lint "${dir}")
  set(folderLint "${out}")
  cxpack(plan "${dir}")
  set(folderPlan "${out}")
  foreach(kind plain compressed)
    set(flag)
    if(kind STREQUAL compressed)
      set(flag --compress)
    endif()
    cxpack(pack "${dir}" -o "${WORK}/${name}-${kind}" ${flag})
    cxpack(lint "${WORK}/${name}-${kind}")
    check("lint of ${name} packed ${kind}: [${out}]" rc LESS 2)
    cxpack(plan "${WORK}/${name}-${kind}")
    check("plan of ${name} packed ${kind}" rc EQUAL 0 AND out STREQUAL folderPlan)
  endforeach()
endforeach()

# The reference setup: a fixed stub (tests/data/setup-build/stub.exe, a
# hand-made PE32 of the setup-image tests) and a fixed package. Its hash is
# that of the same build before compressed packages existed.
set(ref "${WORK}/reference")
file(MAKE_DIRECTORY "${ref}/PackageFiles/Bin" "${ref}/PackageFiles/Empty")
file(WRITE "${ref}/PackageFiles/SetupScript.xml"
  "<?xml version=\"1.0\" encoding=\"utf-8\"?><Config><SetupInfo><ProductCode>P</ProductCode>"
  "<ProductName>Prod</ProductName><Publisher>Pub</Publisher><Version>1.2.3.4</Version>"
  "<InstallDir>C:\\P</InstallDir></SetupInfo></Config>")
file(WRITE "${ref}/PackageFiles/Bin/tool.dll" "tool")
cxpack(build "${ref}" -o "${WORK}/reference.exe" --stub "${SOURCE}/tests/data/setup-build/stub.exe" --no-lint)
file(SHA256 "${WORK}/reference.exe" hash)
check("an uncompressed setup as before: ${err}"
      hash STREQUAL "171c88939856072a5c91edd37bce9ce2182f857bdc9e5a61df8768f2fec2a581")
cxpack(build "${ref}" -o "${WORK}/compressed.exe" --stub "${SOURCE}/tests/data/setup-build/stub.exe"
       --no-lint --compress)
file(SHA256 "${WORK}/compressed.exe" compressedHash)
check("build --compress writes another setup: ${err}" rc EQUAL 0 AND NOT compressedHash STREQUAL hash)
